#pragma once

#include "platform/DisplayPort.h"

// The display of a device without one: it shows nothing, has a phone-sized window and
// screen, no report list, and a popup that is always "made", so an alarm runs exactly
// as on a phone.
class NullDisplay final : public DisplayPort {
public:
    void Invalidate(const Rect&, bool) override {}
    void UpdateWindow() override {}
    void ShowMainWindow() override {}
    void HideMainWindow() override {}
    void BringToFront() override {}
    Size WindowSize() const override { return {240, 320}; }
    Size ScreenSize() const override { return {240, 320}; }
    void SetTrayIcon(int, const std::string&) override {}
    void RemoveTrayIcon() override {}
    void SetCommandEnabled(int, bool) override {}
    bool ShowAlarmPopup(const Rect&, int, const std::string&) override { return true; }
    void RemoveAlarmPopup() override {}
    ListBox* ReportListBox() override { return nullptr; }
    void MoveReportListBox(const Rect&) override {}
};
