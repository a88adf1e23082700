#pragma once

#include <string>

class ListBox;

// The key-list operations of the alarm key table that the options dialog drives.
// The table itself lives with the main window; the front end hands it in.
class AlarmKeyEditor {
public:
    AlarmKeyEditor() = default;
    AlarmKeyEditor(const AlarmKeyEditor&) = delete;
    AlarmKeyEditor& operator=(const AlarmKeyEditor&) = delete;
    virtual ~AlarmKeyEditor() = default;

    virtual void FillKeyList(ListBox* list) = 0;
    virtual void DeleteSelectedKey(ListBox* list) = 0;
    virtual void ClearKeyList(ListBox* list) = 0;
    virtual void CommitEdited() = 0;
    virtual std::string PermittedText() const = 0;
    // While a target is set, every key-down is added to (or selected in) that list
    // instead of being able to raise an alarm.
    virtual void SetCaptureTarget(ListBox* list) = 0;
};
