#pragma once

#include <cstdint>
#include <string>

#include "app/ReportMode.h"
#include "app/ScreenLayout.h"
#include "common/StatusCode.h"

struct AppGlobals;
class Canvas;
class DisplayPort;
class Shell;

// The status window: its layout, the pictures and texts it paints, what a tick marks
// for repainting, the alarm popup and the report list.
class StatusScreen {
public:
    StatusScreen(AppGlobals& globals, Shell& shell, DisplayPort& display);
    StatusScreen(const StatusScreen&) = delete;
    StatusScreen& operator=(const StatusScreen&) = delete;

    // Makes the hidden report list of lines lines in the display's list box.
    void MakeReportList(int lines);
    void AddLogLine(const std::string& text);
    void ToggleLog();

    void OnSize() { layoutDirty = true; }
    void ComputeLayout(Canvas* canvas);
    void Paint(Canvas& canvas, ReportMode mode);
    // Once a tick: the next animation step, and the parts that changed marked and painted.
    void RefreshScreen();
    // A changed delivery or GPS status is waiting to be painted by the next tick.
    bool RedrawPending() const;
    // Moves the animation on by count ticks that painted nothing.
    void SkipAnimation(std::int32_t count);

    void ShowAlarmPopup(bool show);

    const ScreenLayout& Layout() const { return layout; }
    int AnimationStep() const { return animationStep; }
    bool IsAlarmPopupShown() const { return alarmPopupShown; }

private:
    void PaintPictures(Canvas& canvas, StatusCode gpsStatus, ReportMode mode);
    void PaintTexts(Canvas& canvas, StatusCode gpsStatus);

    AppGlobals& globals;
    Shell& shell;
    DisplayPort& display;
    std::int32_t animationStep = 0;
    ScreenLayout layout;
    bool fontMade = false;
    bool pictureContextMade = false;
    bool layoutDirty = true;
    bool alarmPopupShown = false;
};
