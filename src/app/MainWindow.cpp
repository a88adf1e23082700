#include "app/MainWindow.h"

#include "app/Resources.h"
#include "platform/DisplayPort.h"
#include "platform/Shell.h"

CMainWindow::CMainWindow(Shell& frontEnd, DisplayPort& screenDisplay, const Platform& platform)
    : shell(frontEnd),
      display(screenDisplay),
      englishTexts(platform.englishTexts),
      logTap(platform.logTap),
      screen(globals, frontEnd, screenDisplay),
      scheduler(globals, screenDisplay, screen, platform.fileWriter, platform.clock) {
    globals.settings = std::make_unique<CSettings>(
        [this](const std::string& text) { OnLogLine(text); },
        CSettings::Platform{platform.clock, platform.folders, platform.sound, platform.fileWriter});
    globals.gpsReader =
        std::make_unique<CGpsReader>(*globals.settings, platform.gpsDevice, platform.clock);
    globals.sender = std::make_unique<CSender>(
        *globals.settings, globals.gpsReader.get(),
        CSender::Platform{platform.connections, platform.sim, platform.socket, platform.clock});
}

CMainWindow::~CMainWindow() {
    display.RemoveTrayIcon();
    // The sender and the GPS reader still log while they close; the report list
    // takes those lines until it goes last.
    globals.sender.reset();
    globals.gpsReader.reset();
    globals.settings.reset();
    globals.reportList.reset();
}

void CMainWindow::CreateControls() {
    std::string problem = globals.settings->Load();
    if (!problem.empty()) {
        shell.MessageBox(problem, WarningCaption, Shell::Buttons::Ok, Shell::Icon::Exclamation);
    }
    screen.MakeReportList(ReportListLines);
    keyTable.LoadPermitted(globals.settings->PermittedKeys);
    shell.StartTimer(TickTimerId, TickPeriodMs);
    scheduler.UpdateTrayIcon();  // idle, no key held
    scheduler.ResumeAlarm(JoinPath(globals.settings->settingsFolder, "alarm.ini"));
}

bool CMainWindow::ReloadSettings() {
    if (!globals.settings->Load().empty()) {
        return false;
    }
    keyTable.LoadPermitted(globals.settings->PermittedKeys);
    return true;
}

void CMainWindow::OnTimer(int timerId) {
    if (timerId == TickTimerId) {
        scheduler.OnTick();
    } else if (timerId == AlarmPopupTimerId) {
        screen.ShowAlarmPopup(false);
    } else {
        OnAlarmKeyTimer(timerId);
    }
}

void CMainWindow::OnCommand(int commandId) {
    switch (commandId) {
        case CmdExit:
            OnCloseRequest();
            break;
        case CmdHide:
            display.HideMainWindow();
            break;
        case CmdSettings:
            shell.RunOptionsDialog();
            break;
        case CmdTest:
            StartTest();
            break;
        case CmdToggleLog:
            screen.ToggleLog();
            break;
        default:
            break;
    }
}

void CMainWindow::OnTrayIconMessage() {
    display.ShowMainWindow();
    display.BringToFront();
}

bool CMainWindow::OnCloseRequest() {
    WindowTexts texts = WindowTextsFor(englishTexts);
    int answer = shell.MessageBox(texts.closeQuestion, texts.closeCaption, Shell::Buttons::YesNo,
                                  Shell::Icon::None);
    if (answer == Shell::AnswerYes) {
        OnDeliberateExit();
        shell.EndProgram(0);
        return true;
    }
    display.HideMainWindow();
    return false;
}

void CMainWindow::OnLogLine(const std::string& text) {
    if (logTap) {
        logTap(text);
    }
    screen.AddLogLine(text);
}
