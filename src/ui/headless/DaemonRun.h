#pragma once

#include "ui/launcher/Backends.h"
#include "ui/launcher/LaunchOptions.h"

// The daemon from its started backends to its exit code: hands a command to the running
// tracker (0 delivered, 1 not), or runs the tracker itself until it is ended (2 when
// another runs for the same settings folder; it is asked to show itself).
int RunDaemon(const LaunchOptions& options, Backends& backends);
