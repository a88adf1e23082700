#pragma once

#include <string>

#include "platform/Geometry.h"

class ListBox;

// What the tracker shows: the status window, its report list, the notification icon,
// the alarm popup and the soft keys. A front end without a display uses NullDisplay.
class DisplayPort {
public:
    DisplayPort() = default;
    DisplayPort(const DisplayPort&) = delete;
    DisplayPort& operator=(const DisplayPort&) = delete;
    virtual ~DisplayPort() = default;

    // Marks an area of the main window for repainting, with or without erasing it to
    // the white background first; UpdateWindow paints the marked areas now through
    // CMainWindow::Paint.
    virtual void Invalidate(const Rect& area, bool erase) = 0;
    virtual void UpdateWindow() = 0;

    virtual void ShowMainWindow() = 0;
    virtual void HideMainWindow() = 0;
    // Brings the main window to the foreground together with the windows it owns.
    virtual void BringToFront() = 0;
    // The main window's full rectangle size and the screen's size, in pixels.
    virtual Size WindowSize() const = 0;
    virtual Size ScreenSize() const = 0;

    // Adds the notification icon, or changes its picture when it exists (icons 198..201).
    virtual void SetTrayIcon(int iconId, const std::string& tip) = 0;
    virtual void RemoveTrayIcon() = 0;
    // Enables or greys a menu command (the Test soft key, 40023).
    virtual void SetCommandEnabled(int commandId, bool enabled) = 0;

    // Shows a top-level popup with a picture over everything, at area in screen
    // pixels; false when it cannot be made.
    virtual bool ShowAlarmPopup(const Rect& area, int pictureId, const std::string& title) = 0;
    virtual void RemoveAlarmPopup() = 0;

    // The report list box, made hidden on first call; nullptr when it cannot be made.
    // The display owns it and keeps it until the program ends.
    virtual ListBox* ReportListBox() = 0;
    virtual void MoveReportListBox(const Rect& area) = 0;
};
