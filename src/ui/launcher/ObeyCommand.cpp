#include "ui/launcher/ObeyCommand.h"

#include "app/MainWindow.h"

CommandOutcome ObeyCommand(CMainWindow& window, TrackerCommand command) {
    switch (command) {
        case TrackerCommand::Show:
            window.OnTrayIconMessage();
            return CommandOutcome::Done;
        case TrackerCommand::Test:
            return window.StartTest() ? CommandOutcome::Done : CommandOutcome::AlreadyQueued;
        case TrackerCommand::Exit:
            window.OnDeliberateExit();
            return CommandOutcome::EndProgram;
    }
    return CommandOutcome::Done;
}
