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
        alarmRecord.Start();
        alarmsAcknowledged = globals.sender->GetAlarmsAcknowledged();
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
        if (mode == ModeAlarm && globals.sender->GetAlarmsAcknowledged() != alarmsAcknowledged) {
            alarmsAcknowledged = globals.sender->GetAlarmsAcknowledged();
            alarmRecord.MarkAcknowledged();
        }
        if (mode == ModeAlarm && alarmTicksLeft > 0) {
            if (queueEmpty && resendTicksLeft == 0) {
                globals.sender->Post(MsgIntimate, 0);
                resendTicksLeft = FollowUpTicks;
            }
        } else if (queueEmpty) {
            if (mode == ModeAlarm) {
                alarmRecord.Remove();
            }
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

void CMainWindow::ResumeAlarm() {
    const std::int64_t periodSeconds = AlarmTicks * TickPeriodMs / 1000;
    const AlarmRecord::Loaded loaded = alarmRecord.Load(periodSeconds);
    switch (loaded.found) {
        case AlarmRecord::Found::None:
            return;
        case AlarmRecord::Found::Malformed:
            globals.settings->WriteLog("Запись о тревоге повреждена и удалена");
            return;
        case AlarmRecord::Found::InFuture:
            globals.settings->WriteLog("Запись о тревоге из будущего удалена");
            return;
        case AlarmRecord::Found::Expired:
            globals.settings->WriteLog("Запись о тревоге устарела и удалена");
            return;
        case AlarmRecord::Found::Resumable:
            break;
    }
    // The rest of the period, with no popup and no sound: the person already had them.
    globals.settings->WriteLog("Тревога возобновлена");
    mode = ModeAlarm;
    idleTicks = 0;
    alarmTicksLeft =
        static_cast<std::int32_t>(AlarmTicks - loaded.ageSeconds * 1000 / TickPeriodMs);
    alarmsAcknowledged = globals.sender->GetAlarmsAcknowledged();
    globals.gpsReader->SwitchOn();
    if (loaded.acknowledged) {
        resendTicksLeft = 0;  // the follow-ups go on, the next at once
    } else {
        globals.sender->Post(MsgAlarm, 0);
        resendTicksLeft = FollowUpTicks;
    }
    UpdateTrayIcon();
}

void CMainWindow::OnDeliberateExit() {
    alarmRecord.Remove();
}
