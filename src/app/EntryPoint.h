#pragma once

#include <functional>
#include <string>

#include "app/MainWindow.h"

// Exit codes of the tracker.
constexpr int ExitNormal = 0;
constexpr int ExitNoWindowClass = 1;
constexpr int ExitAlreadyRunning = 2;
// After a standard library exception escaped.
constexpr int ExitStdException = 6;

struct EscapedError {
    std::string text;
    int exitCode;
};

// What the error box says and the exit code for an exception in flight; call it only
// inside a catch block.
EscapedError DescribeCurrentException();

// Runs body; an exception that escapes it is shown through showErrorBox (text; the
// caption is "Error") and ends with its exit code.
int RunGuarded(const std::function<int()>& body,
               const std::function<void(const std::string&)>& showErrorBox);

// Builds the window, sets it up, hides it, runs the event loop and tears down; the
// result is the loop's exit code.
int RunMainWindow(Shell& shell, DisplayPort& display, const CMainWindow::Platform& platform,
                  const std::function<int(CMainWindow&)>& runLoop);
