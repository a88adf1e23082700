#pragma once

#include <string>

#include "platform/Geometry.h"

class ListBox;

// Every window-system service the tracker's core needs. A front end implements it and
// forwards its events (timers, commands, paint, keys, the tray icon's tap) to
// CMainWindow. Texts are UTF-8.
class Shell {
public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None = 0, Error = 16, Question = 32, Exclamation = 48, Information = 64 };
    // Answers of MessageBox.
    static constexpr int AnswerOk = 1;
    static constexpr int AnswerYes = 6;
    static constexpr int AnswerNo = 7;

    Shell() = default;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;
    virtual ~Shell() = default;

    // Starts (or restarts with the new period) the timer with this id; each expiry
    // reaches CMainWindow::OnTimer(id). Stopping a timer that does not run does nothing.
    virtual void StartTimer(int timerId, int periodMs) = 0;
    virtual void StopTimer(int timerId) = 0;

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

    // A modal message box; returns AnswerOk, AnswerYes or AnswerNo. A front end
    // without a display logs it and answers with the first button.
    virtual int MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                           Icon icon) = 0;

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
    // The shell owns it and keeps it until the program ends.
    virtual ListBox* ReportListBox() = 0;
    virtual void MoveReportListBox(const Rect& area) = 0;

    // Runs the modal options dialog; its result is the command that ended it.
    virtual int RunOptionsDialog() = 0;

    // Ends the event loop; the program then tears down and exits with exitCode.
    virtual void EndProgram(int exitCode) = 0;
};
