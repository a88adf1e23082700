#include "ui/launcher/ObeyCommand.h"

#include "app/MainWindow.h"
#include "app/Resources.h"

bool ObeyCommand(CMainWindow& window, TrackerCommand command) {
    switch (command) {
        case TrackerCommand::Show:
            window.OnTrayIconMessage();
            return false;
        case TrackerCommand::Test:
            window.OnCommand(CmdTest);
            return false;
        case TrackerCommand::Exit:
            window.OnDeliberateExit();
            return true;
    }
    return false;
}
