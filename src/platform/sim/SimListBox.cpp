#include "platform/sim/SimListBox.h"

#include "common/TextConvert.h"

int SimListBox::Count() const {
    return failCount ? -1 : static_cast<int>(items.size());
}

int SimListBox::Insert(int index, const std::string& text) {
    if (refuseInserts || index < 0 || index > static_cast<int>(items.size())) {
        return -1;
    }
    items.insert(items.begin() + index, text);
    return index;
}

bool SimListBox::Text(int index, std::string& text) const {
    if (index < 0 || index >= static_cast<int>(items.size())) {
        return false;
    }
    text = items[index];
    return true;
}

bool SimListBox::Remove(int index) {
    if (refuseRemoves || index < 0 || index >= static_cast<int>(items.size())) {
        return false;
    }
    items.erase(items.begin() + index);
    if (selected == index) {
        selected = -1;
    } else if (selected > index) {
        --selected;
    }
    return true;
}

void SimListBox::RemoveAll() {
    items.clear();
    selected = -1;
}

int SimListBox::FindExact(const std::string& text) const {
    const std::string wanted = AsciiUpper(text);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (AsciiUpper(items[i]) == wanted) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void SimListBox::Select(int index) {
    selected = (index >= 0 && index < static_cast<int>(items.size())) ? index : -1;
}

int SimListBox::LineWidth(const std::string& text) const {
    return static_cast<int>(text.size()) * 6 + 6;
}
