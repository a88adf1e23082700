#pragma once

#include <string>

// A list box of the window system, as the report list and the key list use it.
// Texts are UTF-8; indexes count from 0.
class ListBox {
public:
    ListBox() = default;
    ListBox(const ListBox&) = delete;
    ListBox& operator=(const ListBox&) = delete;
    virtual ~ListBox() = default;

    // Number of items, or -1 when the list box cannot tell.
    virtual int Count() const = 0;
    // Inserts an item at index (Count() appends); the index used, or -1 when refused.
    virtual int Insert(int index, const std::string& text) = 0;
    virtual bool Text(int index, std::string& text) const = 0;
    virtual bool Remove(int index) = 0;
    virtual void RemoveAll() = 0;
    // First item whose text equals text, ignoring letter case; -1 when none.
    virtual int FindExact(const std::string& text) const = 0;
    // The selected (current) item, -1 when none.
    virtual int Selected() const = 0;
    virtual void Select(int index) = 0;
    // Pixel width of a text in the list box's font plus that font's average character width.
    virtual int LineWidth(const std::string& text) const = 0;
    virtual int HorizontalExtent() const = 0;
    virtual void SetHorizontalExtent(int pixels) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void SetFocus() = 0;
};
