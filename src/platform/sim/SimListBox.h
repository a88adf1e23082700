#pragma once

#include <string>
#include <vector>

#include "platform/ListBox.h"

// A list box in memory; each character is 6 pixels wide. refuseInserts and
// failCount make it misbehave the ways a real one can.
class SimListBox final : public ListBox {
public:
    int Count() const override;
    int Insert(int index, const std::string& text) override;
    bool Text(int index, std::string& text) const override;
    bool Remove(int index) override;
    void RemoveAll() override;
    int FindExact(const std::string& text) const override;
    int Selected() const override { return selected; }
    void Select(int index) override;
    int LineWidth(const std::string& text) const override;
    int HorizontalExtent() const override { return extent; }
    void SetHorizontalExtent(int pixels) override { extent = pixels; }
    void SetVisible(bool isVisible) override { visible = isVisible; }
    void SetFocus() override { focused = true; }

    std::vector<std::string> items;
    int selected = -1;
    int extent = 0;
    bool visible = false;
    bool focused = false;
    bool refuseInserts = false;
    bool refuseRemoves = false;
    bool failCount = false;
};
