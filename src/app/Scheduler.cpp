#include "app/MainWindow.h"
#include "app/Resources.h"
#include "common/MessageCodes.h"
#include "platform/Shell.h"

void CMainWindow::StartReport(std::int32_t newMode, bool leaveGps) {
    idleTicks = 0;
    if (newMode == ModeAlarm && mode < ModeAlarm) {
        ShowAlarmPopup(true);
    }
    if (newMode > mode) {
        mode = newMode;
    }
    if (!leaveGps) {
        globals.gpsReader->SwitchOn();
    }
    globals.sender->Post(newMode == ModeAlarm ? MsgAlarm : MsgIntimate, 0);
    UpdateTrayIcon();
    if (newMode == ModeAlarm) {
        alarmTicksLeft = AlarmTicks;
        resendTicksLeft = FollowUpTicks;
        globals.settings->PlaySoundFile("alert.wav");
    }
}

void CMainWindow::UpdateTrayIcon() {
    if (keyHeld) {
        trayIcon = IconKeyHeld;
    } else if (mode == ModeAlarm) {
        trayIcon = IconAlarm;
    } else if (mode == ModeIntimate) {
        trayIcon = IconIntimate;
    } else {
        trayIcon = IconIdle;
    }
    shell.SetTrayIcon(trayIcon, TrayTip);
}

void CMainWindow::OnTick() {
    if (alarmTicksLeft > 0) {
        --alarmTicksLeft;
    }
    if (resendTicksLeft > 0) {
        --resendTicksLeft;
    }
    if (mode == ModeIdle) {
        ++idleTicks;
        if (idleTicks >= globals.settings->Frequency) {
            StartReport(ModeIntimate, false);
        }
    } else {
        bool queueEmpty = globals.sender->IsQueueEmpty();
        if (mode == ModeAlarm && alarmTicksLeft > 0) {
            if (queueEmpty && resendTicksLeft == 0) {
                globals.sender->Post(MsgIntimate, 0);
                resendTicksLeft = FollowUpTicks;
            }
        } else if (queueEmpty) {
            idleTicks = 0;
            mode = ModeIdle;
            if (globals.settings->Frequency >= GpsSwitchOffFrequency) {
                globals.gpsReader->SwitchOff();
            }
            UpdateTrayIcon();
        }
    }
    globals.sender->SetAlarmPeriodRunning(mode == ModeAlarm && alarmTicksLeft > 0);
    globals.sender->Tick();
    globals.gpsReader->Tick();
    RefreshScreen();
}
