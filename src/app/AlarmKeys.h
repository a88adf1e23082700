#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "options/AlarmKeyEditor.h"

class ListBox;

// One permitted key being held.
struct KeyPressRecord {
    std::uint32_t reserved = 0;
    std::uint32_t downTime = 0;  // ms, the first key-down's own time stamp
    std::uint32_t scanCode = 0;
    std::uint32_t keyCode = 0;
};

// The alarm key table: which of the 256 virtual-key codes may raise an alarm, which
// of them are held now, and the options dialog's working copy of the permitted set.
class CAlarmKeys final : public AlarmKeyEditor {
public:
    static constexpr int KeyCount = 256;

    CAlarmKeys();
    CAlarmKeys(const CAlarmKeys&) = delete;
    CAlarmKeys& operator=(const CAlarmKeys&) = delete;

    // True when a hold timer is to be started. In capture mode the key goes to the
    // key list instead and the result is false.
    bool KeyDown(std::uint32_t timeStamp, std::uint32_t scanCode, std::uint32_t keyCode);
    void KeyUp(std::uint32_t timeStamp, std::uint32_t keyCode);
    bool IsHeld(int keyCode) const;
    bool NoneHeld() const;
    const KeyPressRecord* HeldRecord(int keyCode) const;

    // The key list that receives captured keys; nullptr ends capture mode.
    void SetCaptureTarget(ListBox* keyList) override { captureTarget = keyList; }
    ListBox* CaptureTarget() const { return captureTarget; }

    // Replaces the permitted set by a PermittedKeys text; false only for "".
    bool LoadPermitted(std::string_view text);
    std::string PermittedText() const override;
    bool IsPermitted(int keyCode) const;
    bool IsEdited(int keyCode) const;

    // The options dialog's key list page.
    void FillKeyList(ListBox* keyList) override;
    void DeleteSelectedKey(ListBox* keyList) override;
    void ClearKeyList(ListBox* keyList) override;
    void CommitEdited() override { permitted = edited; }

private:
    static bool InRange(std::int64_t keyCode) { return keyCode >= 0 && keyCode < KeyCount; }
    void CaptureKey(std::uint32_t keyCode);

    ListBox* captureTarget = nullptr;
    std::array<std::optional<KeyPressRecord>, KeyCount> heldKeys;
    std::bitset<KeyCount> permitted;
    std::bitset<KeyCount> edited;
};
