#pragma once

#include "ui/launcher/TrackerCommand.h"

class CMainWindow;

enum class CommandOutcome { Done, AlreadyQueued, EndProgram };

// What the running tracker does with a command from a later start: show brings the
// window forward, test starts a position report at once (unless one already waits),
// exit ends a running alarm as the person's own Exit does.
CommandOutcome ObeyCommand(CMainWindow& window, TrackerCommand command);
