#pragma once

#include <string>

// What every front end gives the tracker's core, with or without a display: timers, the
// modal boxes and the end of the program. A front end forwards its events (timers,
// commands, paint, keys, the tray icon's tap) to CMainWindow. Texts are UTF-8.
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

    // A modal message box; returns AnswerOk, AnswerYes or AnswerNo. A front end
    // without a display logs it and answers with the first button.
    virtual int MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                           Icon icon) = 0;

    // Runs the modal options dialog; its result is the command that ended it. A front
    // end without a display says where the settings are edited instead.
    virtual int RunOptionsDialog() = 0;

    // Ends the event loop; the program then tears down and exits with exitCode.
    virtual void EndProgram(int exitCode) = 0;
};
