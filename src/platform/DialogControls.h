#pragma once

#include <string>

class ListBox;

// The controls of the open options dialog, addressed by control id, and the few
// services of the dialog window itself. Texts are UTF-8.
class DialogControls {
public:
    enum class Icon { None = 0, Error = 16, Exclamation = 48, Information = 64 };

    DialogControls() = default;
    DialogControls(const DialogControls&) = delete;
    DialogControls& operator=(const DialogControls&) = delete;
    virtual ~DialogControls() = default;

    virtual bool HasControl(int controlId) const = 0;
    // An edit's or a label's text; at most 255 characters are read from an edit.
    virtual std::string Text(int controlId) const = 0;
    virtual void SetText(int controlId, const std::string& text) = 0;
    virtual bool IsChecked(int controlId) const = 0;
    // Checking one radio button of a group unchecks the others.
    virtual void SetChecked(int controlId, bool checked) = 0;
    virtual void SetVisible(int controlId, bool visible) = 0;
    // Enables or greys a menu bar button or a menu item by its command id.
    virtual void SetCommandEnabled(int commandId, bool enabled) = 0;

    // The key list (control 1038); nullptr when the dialog has none.
    virtual ListBox* KeyList() = 0;
    virtual void FocusKeyList() = 0;

    // A modal box with one OK button, owned by the dialog; returns when it is closed.
    virtual void MessageBox(const std::string& text, const std::string& caption, Icon icon) = 0;
    // Closes the dialog; the modal run that opened it returns result.
    virtual void EndDialog(int result) = 0;
};
