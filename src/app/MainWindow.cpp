#include "app/MainWindow.h"

#include "app/Resources.h"
#include "platform/ListBox.h"
#include "platform/Shell.h"

CMainWindow::CMainWindow(Shell& frontEnd, const Platform& platform)
    : shell(frontEnd),
      englishTexts(platform.englishTexts),
      logTap(platform.logTap),
      alarmRecord(platform.fileWriter, platform.clock) {
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
    shell.RemoveTrayIcon();
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
    globals.reportList = std::make_unique<CReportList>(shell.ReportListBox(), ReportListLines);
    globals.reportList->Hide();
    keyTable.LoadPermitted(globals.settings->PermittedKeys);
    shell.StartTimer(TickTimerId, TickPeriodMs);
    trayIcon = IconIdle;
    shell.SetTrayIcon(trayIcon, TrayTip);
    alarmRecord.SetPath(JoinPath(globals.settings->settingsFolder, "alarm.ini"));
    ResumeAlarm();
}

void CMainWindow::OnTimer(int timerId) {
    if (timerId == TickTimerId) {
        OnTick();
    } else if (timerId == AlarmPopupTimerId) {
        ShowAlarmPopup(false);
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
            shell.HideMainWindow();
            break;
        case CmdSettings:
            shell.RunOptionsDialog();
            break;
        case CmdTest:
            StartReport(ModeIntimate, true);
            break;
        case CmdToggleLog:
            ToggleLog();
            break;
        default:
            break;
    }
}

void CMainWindow::OnTrayIconMessage() {
    shell.ShowMainWindow();
    shell.BringToFront();
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
    shell.HideMainWindow();
    return false;
}
