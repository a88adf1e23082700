#include "options/DialogPages.h"

#include "platform/DialogControls.h"

void CDialogPages::Add(int controlId, int page) {
    if (controls_.HasControl(controlId)) {
        pageOfControl_[controlId] = page;
    }
}

void CDialogPages::ShowPage(int page) {
    SetPageVisible(page, true);
}

void CDialogPages::HidePage(int page) {
    SetPageVisible(page, false);
}

void CDialogPages::SetPageVisible(int page, bool visible) {
    for (const auto& [controlId, controlPage] : pageOfControl_) {
        if (controlPage == page) {
            controls_.SetVisible(controlId, visible);
        }
    }
}
