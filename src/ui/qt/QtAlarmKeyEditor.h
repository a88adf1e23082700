#pragma once

#include <functional>

#include "app/AlarmKeys.h"
#include "options/AlarmKeyEditor.h"

// The options dialog's view of the main window's alarm key table. While keys are
// captured, the program's own keyboard is routed to the table as well.
class QtAlarmKeyEditor final : public AlarmKeyEditor {
public:
    QtAlarmKeyEditor(CAlarmKeys& keys, std::function<void(bool)> setKeyboardCapture)
        : keys_(keys), setKeyboardCapture_(std::move(setKeyboardCapture)) {}
    ~QtAlarmKeyEditor() override { SetCaptureTarget(nullptr); }

    void FillKeyList(ListBox* list) override { keys_.FillKeyList(list); }
    void DeleteSelectedKey(ListBox* list) override { keys_.DeleteSelectedKey(list); }
    void ClearKeyList(ListBox* list) override { keys_.ClearKeyList(list); }
    void CommitEdited() override { keys_.CommitEdited(); }
    std::string PermittedText() const override { return keys_.PermittedText(); }
    void SetCaptureTarget(ListBox* list) override {
        keys_.SetCaptureTarget(list);
        setKeyboardCapture_(list != nullptr);
    }

private:
    CAlarmKeys& keys_;
    std::function<void(bool)> setKeyboardCapture_;
};
