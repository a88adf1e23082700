#pragma once

#include "ui/launcher/TrackerCommand.h"

class CMainWindow;

// What the running tracker does with a command from a later start: show brings the
// window forward, test starts a position report at once, exit ends a running alarm as
// the person's own Exit does. True when the program is to end now.
bool ObeyCommand(CMainWindow& window, TrackerCommand command);
