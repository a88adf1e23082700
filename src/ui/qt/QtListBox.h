#pragma once

#include "platform/ListBox.h"

class QListWidget;

// A ListBox over a QListWidget that the caller owns.
class QtListBox final : public ListBox {
public:
    explicit QtListBox(QListWidget& widget) : widget_(widget) {}

    int Count() const override;
    int Insert(int index, const std::string& text) override;
    bool Text(int index, std::string& text) const override;
    bool Remove(int index) override;
    void RemoveAll() override;
    int FindExact(const std::string& text) const override;
    int Selected() const override;
    void Select(int index) override;
    int LineWidth(const std::string& text) const override;
    int HorizontalExtent() const override { return extent_; }
    void SetHorizontalExtent(int pixels) override;
    void SetVisible(bool visible) override;
    void SetFocus() override;

    QListWidget& Widget() { return widget_; }

private:
    QListWidget& widget_;
    int extent_ = 0;
};
