#pragma once

#include <string>

// The Qt tracker from its command line to its exit code: 0 after the close question's
// Yes, 1 without a display, 2 when another instance runs (it is brought forward), 64 a
// bad option.
int RunQtTracker(int argc, char** argv);

// Chooses the window-system plugin before Qt starts. False, with the reason in
// message, when no display can be reached; Qt is then never asked to open one.
bool PrepareDisplay(std::string& message);
