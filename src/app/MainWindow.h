#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/AlarmKeys.h"
#include "app/AppGlobals.h"
#include "app/ReportMode.h"
#include "app/Scheduler.h"
#include "app/ScreenLayout.h"
#include "app/StatusScreen.h"

class AtomicFileWriter;
class Canvas;
class Clock;
class ConnectionManager;
class DatagramSocket;
class DisplayPort;
class Folders;
class GpsDevice;
class Shell;
class SimManager;
class SoundPlayer;

// The tracker's one window. It owns the main objects, the scheduler and the status
// screen, and takes the alarm keys. A front end forwards its events here and provides
// the timers and boxes as a Shell and what it shows as a DisplayPort.
class CMainWindow {
public:
    // Every backend the main objects need; they must outlive the window.
    struct Platform {
        const Clock& clock;
        const Folders& folders;
        SoundPlayer& sound;
        AtomicFileWriter& fileWriter;
        GpsDevice& gpsDevice;
        ConnectionManager& connections;
        SimManager& sim;
        DatagramSocket& socket;
        bool englishTexts = false;
        // Sees every event line as it is logged, before the report list does.
        std::function<void(const std::string&)> logTap;
    };

    static constexpr int ReportListLines = 21;

    CMainWindow(Shell& shell, DisplayPort& display, const Platform& platform);
    ~CMainWindow();
    CMainWindow(const CMainWindow&) = delete;
    CMainWindow& operator=(const CMainWindow&) = delete;

    // Once, after construction: loads params.ini, makes the report list, loads the
    // alarm keys, starts the tick and adds the notification icon.
    void CreateControls();

    // params.ini changed (SIGHUP): read again and applied as an accepted options dialog
    // applies its values; settings the file leaves out keep theirs. False, with every
    // value kept, when it cannot be read.
    bool ReloadSettings();

    // Events from the front end.
    void OnTimer(int timerId);
    void OnCommand(int commandId);
    void OnTrayIconMessage();
    // The close question; true when answered Yes and the program is ending.
    bool OnCloseRequest();
    // The person ends the program on purpose: a running alarm ends with it. (A kill, a
    // crash or a shutdown keeps it, to be resumed at the next start.)
    void OnDeliberateExit() { scheduler.EndAlarmForGood(); }
    void OnSize() { screen.OnSize(); }
    void Paint(Canvas& canvas) { screen.Paint(canvas, scheduler.Mode()); }
    void OnAlarmKeyDown(std::uint32_t timeStamp, std::uint32_t scanCode, std::uint32_t keyCode);
    void OnAlarmKeyUp(std::uint32_t timeStamp, std::uint32_t scanCode, std::uint32_t keyCode);

    // The scheduler.
    void StartReport(ReportMode newMode, bool leaveGps) {
        scheduler.StartReport(newMode, leaveGps);
    }
    // The Test command; false when a test report already waits (nothing changes then).
    bool StartTest() { return scheduler.StartTestReport(); }
    // How many coming ticks can only count (nothing posted, sent, polled, logged or
    // redrawn beyond the hidden window's own animation step); the loop of a hidden
    // window may sleep through them and then catch up with SkipQuietTicks.
    std::int32_t QuietTicks() const { return scheduler.QuietTicks(); }
    // Does what count OnTimer(TickTimerId) calls would do; count must not exceed QuietTicks().
    void SkipQuietTicks(std::int32_t count) { scheduler.SkipQuietTicks(count); }
    // The machine was suspended for this many ticks' time. The wait for the next report,
    // the alarm period, the success display and the delivery's retry pace count it (a
    // report due every hour goes every hour of real time); the GPS search measures the
    // receiver's time awake and stays as it is.
    void OnSuspended(std::int64_t ticks) { scheduler.OnSuspended(ticks); }
    // Ticks of real time before the machine must be awake; a sleeping loop arms its wake
    // alarm for then.
    std::int32_t TicksBeforeWake() const { return scheduler.TicksBeforeWake(); }
    // Whether the machine must stay awake: a report on its way (not one waiting out of
    // coverage, which need not keep the battery busy), or an alarm.
    bool KeepsAwake() const {
        return Mode() == ReportMode::Alarm ||
               (Mode() == ReportMode::Intimate && !globals.sender->LinkCannotComeUp());
    }
    // A message is sent and its answer awaited: a sleep now would lose the answer.
    bool ExchangeInFlight() const { return globals.sender->GetState() == SenderState::Waiting; }
    ReportMode Mode() const { return scheduler.Mode(); }
    std::int32_t IdleTicks() const { return scheduler.IdleTicks(); }
    std::int32_t AlarmTicksLeft() const { return scheduler.AlarmTicksLeft(); }

    // The status screen.
    void RefreshScreen() { screen.RefreshScreen(); }
    void ShowAlarmPopup(bool show) { screen.ShowAlarmPopup(show); }
    const ScreenLayout& Layout() const { return screen.Layout(); }
    int AnimationStep() const { return screen.AnimationStep(); }

    AppGlobals& Globals() { return globals; }
    CAlarmKeys& Keys() { return keyTable; }

private:
    void OnLogLine(const std::string& text);
    void OnAlarmKeyTimer(int timerId);
    int HoldPeriodMs() const;

    Shell& shell;
    DisplayPort& display;
    bool englishTexts;
    std::function<void(const std::string&)> logTap;
    AppGlobals globals;
    CAlarmKeys keyTable;
    StatusScreen screen;
    Scheduler scheduler;
};
