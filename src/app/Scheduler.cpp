#include "app/Scheduler.h"

#include "app/AppGlobals.h"
#include "app/Resources.h"
#include "app/StatusScreen.h"
#include "common/MessageCodes.h"
#include "platform/DisplayPort.h"

Scheduler::Scheduler(AppGlobals& appGlobals, DisplayPort& screenDisplay, StatusScreen& statusScreen,
                     AtomicFileWriter& fileWriter, const Clock& clock)
    : globals(appGlobals),
      display(screenDisplay),
      screen(statusScreen),
      alarmRecord(fileWriter, clock) {}

bool Scheduler::StartTestReport() {
    if (globals.sender->HasTestQueued()) {
        return false;
    }
    StartReport(ReportMode::Intimate, true, MessageOrigin::Test);
    return true;
}

void Scheduler::StartReport(ReportMode newMode, bool leaveGps, MessageOrigin origin) {
    idleTicks = 0;
    if (newMode == ReportMode::Alarm && Outranks(ReportMode::Alarm, mode)) {
        screen.ShowAlarmPopup(true);
    }
    if (Outranks(newMode, mode)) {
        mode = newMode;
    }
    if (!leaveGps) {
        globals.gpsReader->SwitchOn();
    }
    globals.sender->Post(newMode == ReportMode::Alarm ? MsgAlarm : MsgIntimate, 0, origin);
    UpdateTrayIcon();
    if (newMode == ReportMode::Alarm) {
        if (!alarmRecord.Start()) {
            // Said once per alarm; tried again while it runs.
            globals.settings->WriteLog("Запись о тревоге не сохранена");
            recordRetryTicksLeft = RecordRetryTicks;
        }
        alarmsAcknowledged = globals.sender->GetAlarmsAcknowledged();
        alarmTicksLeft = AlarmTicks;
        resendTicksLeft = FollowUpTicks;
        globals.settings->PlaySoundFile("alert.wav");
    }
}

void Scheduler::UpdateTrayIcon() {
    if (keyHeld) {
        trayIcon = IconKeyHeld;
    } else {
        switch (mode) {
            case ReportMode::Idle:
                trayIcon = IconIdle;
                break;
            case ReportMode::Intimate:
                trayIcon = IconIntimate;
                break;
            case ReportMode::Alarm:
                trayIcon = IconAlarm;
                break;
        }
    }
    display.SetTrayIcon(trayIcon, TrayTip);
}

void Scheduler::SetKeyHeld(bool held) {
    keyHeld = held;
    UpdateTrayIcon();
}

void Scheduler::OnKeyHoldComplete() {
    keyHeld = false;
    StartReport(ReportMode::Alarm, false);
}

void Scheduler::OnTick() {
    if (alarmTicksLeft > 0) {
        --alarmTicksLeft;
    }
    if (resendTicksLeft > 0) {
        --resendTicksLeft;
    }
    if (recordRetryTicksLeft > 0) {
        --recordRetryTicksLeft;
    }
    if (mode == ReportMode::Idle) {
        ++idleTicks;
        if (idleTicks >= globals.settings->Frequency) {
            StartReport(ReportMode::Intimate, false);
        }
    } else {
        bool queueEmpty = globals.sender->IsQueueEmpty();
        if (GpsIdlesWhileTheLinkIsDown()) {
            globals.gpsReader->SwitchOff();
        }
        if (mode == ReportMode::Alarm &&
            globals.sender->GetAlarmsAcknowledged() != alarmsAcknowledged) {
            alarmsAcknowledged = globals.sender->GetAlarmsAcknowledged();
            alarmRecord.MarkAcknowledged();
        }
        if (mode == ReportMode::Alarm && !alarmRecord.Stored() && recordRetryTicksLeft == 0 &&
            !alarmRecord.Store()) {
            recordRetryTicksLeft = RecordRetryTicks;
        }
        if (mode == ReportMode::Alarm && alarmTicksLeft > 0) {
            if (queueEmpty && resendTicksLeft == 0) {
                globals.sender->Post(MsgIntimate, 0);
                resendTicksLeft = FollowUpTicks;
            }
        } else if (queueEmpty) {
            if (mode == ReportMode::Alarm) {
                alarmRecord.Remove();
            }
            idleTicks = 0;
            mode = ReportMode::Idle;
            if (globals.settings->Frequency >= GpsSwitchOffFrequency) {
                globals.gpsReader->SwitchOff();
            }
            UpdateTrayIcon();
        }
    }
    globals.sender->SetAlarmPeriodRunning(mode == ReportMode::Alarm && alarmTicksLeft > 0);
    globals.sender->Tick();
    globals.gpsReader->Tick();
    screen.RefreshScreen();
}

bool Scheduler::GpsIdlesWhileTheLinkIsDown() const {
    // Out of coverage a report waits for the link with the position it has; the receiver
    // need not stay on for that once its search is over.
    return mode == ReportMode::Intimate && globals.sender->LinkCannotComeUp() &&
           globals.settings->Frequency >= GpsSwitchOffFrequency &&
           globals.gpsReader->GetState() != GpsState::Off && globals.gpsReader->timeoutTicks == 0;
}

void Scheduler::ResumeAlarm(const std::string& path) {
    alarmRecord.SetPath(path);
    const AlarmRecord::Loaded loaded =
        alarmRecord.Load(static_cast<std::int64_t>(AlarmTicks) * TickPeriodMs);
    switch (loaded.found) {
        case AlarmRecord::Found::None:
            return;
        case AlarmRecord::Found::Malformed:
            globals.settings->WriteLog(loaded.removed ? "Запись о тревоге повреждена и удалена"
                                                      : "Запись о тревоге повреждена и не удалена");
            return;
        case AlarmRecord::Found::InFuture:
            globals.settings->WriteLog(loaded.removed ? "Запись о тревоге из будущего удалена"
                                                      : "Запись о тревоге из будущего не удалена");
            return;
        case AlarmRecord::Found::Expired:
            globals.settings->WriteLog(loaded.removed ? "Запись о тревоге устарела и удалена"
                                                      : "Запись о тревоге устарела и не удалена");
            return;
        case AlarmRecord::Found::Resumable:
            break;
    }
    // The rest of the period, with no popup and no sound: the person already had them.
    globals.settings->WriteLog("Тревога возобновлена");
    mode = ReportMode::Alarm;
    idleTicks = 0;
    alarmTicksLeft = static_cast<std::int32_t>(AlarmTicks - loaded.ageMs / TickPeriodMs);
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

void Scheduler::EndAlarmForGood() {
    alarmRecord.Remove();
}
