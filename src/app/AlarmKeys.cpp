#include "app/AlarmKeys.h"

#include "common/TextConvert.h"
#include "options/KeyNames.h"
#include "platform/ListBox.h"

CAlarmKeys::CAlarmKeys() {
    permitted.set();
}

bool CAlarmKeys::KeyDown(std::uint32_t timeStamp, std::uint32_t scanCode, std::uint32_t keyCode) {
    if (captureTarget != nullptr) {
        CaptureKey(keyCode);
        return false;
    }
    // A code beyond the table cannot be permitted; auto-repeat finds the slot taken,
    // so a hold always counts from its first key-down.
    if (!InRange(keyCode) || !permitted[keyCode] || heldKeys[keyCode]) {
        return false;
    }
    heldKeys[keyCode] = KeyPressRecord{0, timeStamp, scanCode, keyCode};
    return true;
}

void CAlarmKeys::KeyUp(std::uint32_t /*timeStamp*/, std::uint32_t keyCode) {
    // Whether the key is still permitted does not matter: a key taken out of the set
    // while held must not stay held for ever.
    if (InRange(keyCode)) {
        heldKeys[keyCode].reset();
    }
}

bool CAlarmKeys::IsHeld(int keyCode) const {
    return InRange(keyCode) && heldKeys[keyCode].has_value();
}

bool CAlarmKeys::NoneHeld() const {
    for (const auto& record : heldKeys) {
        if (record) {
            return false;
        }
    }
    return true;
}

const KeyPressRecord* CAlarmKeys::HeldRecord(int keyCode) const {
    return IsHeld(keyCode) ? &*heldKeys[keyCode] : nullptr;
}

bool CAlarmKeys::LoadPermitted(std::string_view text) {
    if (AsciiUpper(text) == "ALL") {
        permitted.set();
        return true;
    }
    permitted.reset();
    if (text.empty()) {
        return false;
    }
    // Every piece counts, an empty one as code 0; a number with no place in the table
    // is skipped rather than refusing the keys around it.
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(',', start);
        std::int32_t code = LeadingInteger(text.substr(start, comma - start));
        if (InRange(code)) {
            permitted.set(code);
        }
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    return true;
}

std::string CAlarmKeys::PermittedText() const {
    if (permitted.all()) {
        return "All";
    }
    std::string text;
    for (int code = 0; code < KeyCount; ++code) {
        if (permitted[code]) {
            text += std::to_string(code) + ",";
        }
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

bool CAlarmKeys::IsPermitted(int keyCode) const {
    return InRange(keyCode) && permitted[keyCode];
}

bool CAlarmKeys::IsEdited(int keyCode) const {
    return InRange(keyCode) && edited[keyCode];
}

void CAlarmKeys::FillKeyList(ListBox* keyList) {
    if (keyList == nullptr) {
        return;
    }
    edited = permitted;
    for (int code = 0; code < KeyCount; ++code) {
        if (edited[code]) {
            keyList->Insert(keyList->Count(), KeyName(code));
        }
    }
}

void CAlarmKeys::DeleteSelectedKey(ListBox* keyList) {
    if (keyList == nullptr) {
        return;
    }
    int selected = keyList->Selected();
    std::string text;
    if (selected < 0 || !keyList->Text(selected, text)) {
        return;
    }
    std::int32_t code = LeadingInteger(text.substr(0, text.find(' ')));
    if (InRange(code)) {
        edited.reset(code);
    }
    keyList->Remove(selected);
}

void CAlarmKeys::ClearKeyList(ListBox* keyList) {
    if (keyList != nullptr) {
        keyList->RemoveAll();
    }
    edited.reset();
}

void CAlarmKeys::CaptureKey(std::uint32_t keyCode) {
    // Only a code the table can hold may join the list, or list and set would part.
    if (!InRange(keyCode)) {
        return;
    }
    std::string text = KeyName(static_cast<int>(keyCode));
    int count = captureTarget->Count();
    for (int index = 0; index < count; ++index) {
        std::string itemText;
        if (captureTarget->Text(index, itemText) && itemText == text) {
            captureTarget->Select(index);
            return;
        }
    }
    if (captureTarget->Insert(count < 0 ? 0 : count, text) >= 0) {
        edited.set(keyCode);
    }
}
