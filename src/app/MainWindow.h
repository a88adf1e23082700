#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/AlarmKeys.h"
#include "app/AlarmRecord.h"
#include "app/AppGlobals.h"
#include "app/ScreenLayout.h"

class AtomicFileWriter;
class Canvas;
class Clock;
class ConnectionManager;
class DatagramSocket;
class Folders;
class GpsDevice;
class Shell;
class SimManager;
class SoundPlayer;

// Reporting modes; while a report runs the mode only rises.
constexpr std::int32_t ModeIdle = 0;
constexpr std::int32_t ModeIntimate = 1;
constexpr std::int32_t ModeAlarm = 2;

// The tracker's one window: the scheduler, the alarm keys and the status screen. A
// front end forwards its events here and provides the window services as a Shell.
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

    static constexpr int AlarmTicks = 9000;
    static constexpr int FollowUpTicks = 150;
    static constexpr int GpsSwitchOffFrequency = 600;
    static constexpr int ReportListLines = 21;

    CMainWindow(Shell& shell, const Platform& platform);
    ~CMainWindow();
    CMainWindow(const CMainWindow&) = delete;
    CMainWindow& operator=(const CMainWindow&) = delete;

    // Once, after construction: loads params.ini, makes the report list, loads the
    // alarm keys, starts the tick and adds the notification icon.
    void CreateControls();

    // Events from the front end.
    void OnTimer(int timerId);
    void OnCommand(int commandId);
    void OnTrayIconMessage();
    // The close question; true when answered Yes and the program is ending.
    bool OnCloseRequest();
    // The person ends the program on purpose: a running alarm ends with it. (A kill, a
    // crash or a shutdown keeps it, to be resumed at the next start.)
    void OnDeliberateExit();
    void OnSize() { layoutDirty = true; }
    void Paint(Canvas& canvas);
    void OnAlarmKeyDown(std::uint32_t timeStamp, std::uint32_t scanCode, std::uint32_t keyCode);
    void OnAlarmKeyUp(std::uint32_t timeStamp, std::uint32_t scanCode, std::uint32_t keyCode);

    // The scheduler.
    void OnTick();
    void StartReport(std::int32_t newMode, bool leaveGps);
    void UpdateTrayIcon();
    void OnAlarmKeyTimer(int timerId);
    // At start-up: resumes an alarm an earlier run did not finish.
    void ResumeAlarm();

    // How many coming ticks can only count (nothing posted, sent, polled, logged or
    // redrawn beyond the hidden window's own animation step); the loop of a hidden
    // window may sleep through them and then catch up with SkipQuietTicks.
    std::int32_t QuietTicks() const;
    // Does what count OnTick calls would do; count must not exceed QuietTicks().
    void SkipQuietTicks(std::int32_t count);
    // The machine was suspended for this many ticks' time. The wait for the next report
    // and the alarm period count it (a report due every hour goes every hour of real
    // time); the rest of the counters measure time awake and stay as they are.
    void OnSuspended(std::int64_t ticks);

    // The status screen.
    void ComputeLayout(Canvas* canvas);
    void RefreshScreen();
    void ToggleLog();
    void ShowAlarmPopup(bool show);
    void OnLogLine(const std::string& text);

    AppGlobals& Globals() { return globals; }
    CAlarmKeys& Keys() { return keyTable; }
    const ScreenLayout& Layout() const { return layout; }
    std::int32_t Mode() const { return mode; }
    std::int32_t IdleTicks() const { return idleTicks; }
    std::int32_t AlarmTicksLeft() const { return alarmTicksLeft; }
    std::int32_t ResendTicksLeft() const { return resendTicksLeft; }
    bool KeyHeld() const { return keyHeld; }
    int AnimationStep() const { return animationStep; }
    bool IsAlarmPopupShown() const { return alarmPopupShown; }
    int TrayIcon() const { return trayIcon; }
    bool EnglishTexts() const { return englishTexts; }

private:
    int HoldPeriodMs() const;
    void PaintPictures(Canvas& canvas, StatusCode gpsStatus);
    void PaintTexts(Canvas& canvas, StatusCode gpsStatus);

    Shell& shell;
    bool englishTexts;
    std::function<void(const std::string&)> logTap;
    AppGlobals globals;

    std::int32_t animationStep = 0;
    std::int32_t mode = ModeIdle;
    std::int32_t idleTicks = 0;
    bool keyHeld = false;
    std::int32_t alarmTicksLeft = 0;
    std::int32_t resendTicksLeft = 0;
    CAlarmKeys keyTable;
    AlarmRecord alarmRecord;
    std::uint32_t alarmsAcknowledged = 0;
    int trayIcon = 0;
    ScreenLayout layout;
    bool fontMade = false;
    bool pictureContextMade = false;
    bool layoutDirty = true;
    bool alarmPopupShown = false;
};
