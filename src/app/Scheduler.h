#pragma once

#include <cstdint>
#include <string>

#include "app/AlarmRecord.h"
#include "app/ReportMode.h"
#include "delivery/Sender.h"

struct AppGlobals;
class DisplayPort;
class StatusScreen;

// When reports go and how long an alarm lasts: the reporting mode, the tick counters,
// the tick's order of work, the quiet ticks a sleeping loop may skip, and the alarm
// that survives a restart. The notification icon shows its mode.
class Scheduler {
public:
    static constexpr int AlarmTicks = 9000;
    static constexpr int FollowUpTicks = 150;
    static constexpr int GpsSwitchOffFrequency = 600;
    // How often a running alarm tries again to write a record that could not be written.
    static constexpr int RecordRetryTicks = 10;

    Scheduler(AppGlobals& globals, DisplayPort& display, StatusScreen& screen,
              AtomicFileWriter& fileWriter, const Clock& clock);
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    void OnTick();
    void StartReport(ReportMode newMode, bool leaveGps,
                     MessageOrigin origin = MessageOrigin::Report);
    // The person's test report; false (and nothing changes) while one already waits.
    bool StartTestReport();
    void UpdateTrayIcon();
    // An alarm key went down (true) or every one is up again (false).
    void SetKeyHeld(bool held);
    // A key was held for its full period: the alarm it raises.
    void OnKeyHoldComplete();
    // At start-up: resumes an alarm an earlier run did not finish, kept at path.
    void ResumeAlarm(const std::string& path);
    // The person ends the program on purpose: a running alarm ends with it.
    void EndAlarmForGood();

    std::int32_t QuietTicks() const;
    void SkipQuietTicks(std::int32_t count);
    void OnSuspended(std::int64_t ticks);
    // Ticks of real time before something falls due that must not wait for the machine
    // to wake by itself: the next report, a retry, an alarm's follow-up or its end.
    std::int32_t TicksBeforeWake() const;

    ReportMode Mode() const { return mode; }
    std::int32_t IdleTicks() const { return idleTicks; }
    std::int32_t AlarmTicksLeft() const { return alarmTicksLeft; }
    std::int32_t ResendTicksLeft() const { return resendTicksLeft; }
    bool KeyHeld() const { return keyHeld; }
    int TrayIcon() const { return trayIcon; }

private:
    bool GpsIdlesWhileTheLinkIsDown() const;

    AppGlobals& globals;
    DisplayPort& display;
    StatusScreen& screen;
    ReportMode mode = ReportMode::Idle;
    std::int32_t idleTicks = 0;
    bool keyHeld = false;
    std::int32_t alarmTicksLeft = 0;
    std::int32_t resendTicksLeft = 0;
    AlarmRecord alarmRecord;
    std::int32_t recordRetryTicksLeft = 0;
    std::uint32_t alarmsAcknowledged = 0;
    int trayIcon = 0;
};
