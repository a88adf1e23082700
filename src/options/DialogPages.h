#pragma once

#include <map>

class DialogControls;

// Which page of the options dialog each control belongs to.
class CDialogPages {
public:
    explicit CDialogPages(DialogControls& controls) : controls_(controls) {}
    CDialogPages(const CDialogPages&) = delete;
    CDialogPages& operator=(const CDialogPages&) = delete;

    // Records a control under its page when the dialog has it.
    void Add(int controlId, int page);
    void ShowPage(int page);
    void HidePage(int page);

private:
    void SetPageVisible(int page, bool visible);

    DialogControls& controls_;
    std::map<int, int> pageOfControl_;
};
