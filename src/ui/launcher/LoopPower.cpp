#include "ui/launcher/LoopPower.h"

#include <algorithm>
#include <limits>

#include "app/MainWindow.h"
#include "app/Resources.h"

namespace {

// Outside an alarm shorter sleeps need no wake alarm: a phone does not suspend that fast,
// and a running report holds the sleep inhibitor.
constexpr std::int64_t kWakeAlarmAfterMs = 5000;

}  // namespace

LoopPower::LoopPower(std::function<void(const std::string&)> say)
    : sleepInhibitor_(say), sleepDelay_(say, LogindInhibitor::Lock::Delay) {
    if (!wakeAlarm_.WakesTheMachine()) {
        say("cannot set wake alarms (CAP_WAKE_ALARM: " + wakeAlarm_.WhyNot() +
            "); a report that falls due while the machine sleeps goes when it next wakes");
    }
}

void LoopPower::HoldLocks(const CMainWindow& window) {
    // No suspend between the start of a report (an alarm key) and its end, but for a
    // report out of coverage.
    sleepInhibitor_.Want(window.KeepsAwake());
    // During an alarm a suspend that gets past the block lock still waits for the answer
    // to a message in flight; once it is in, logind may go on.
    sleepDelay_.Want(window.Mode() == ReportMode::Alarm &&
                     (!sleepDelay_.SleepAnnounced() || window.ExchangeInFlight()));
}

void LoopPower::ArmWakeAlarm(const CMainWindow& window, const TickPacer& pacer,
                             std::int64_t nowMs) {
    // The tick timer stands still while the machine sleeps; the boot clock does not. Armed
    // on every sleep: a wake-up, or time slept, may leave the tick where it was and the
    // alarm that just fired spent. During an alarm every retry and follow-up wakes the
    // machine, however soon.
    const std::int32_t wakeTicks = window.TicksBeforeWake();
    std::int64_t inMs = 0;  // no wake alarm
    if (wakeTicks != std::numeric_limits<std::int32_t>::max()) {
        inMs = std::max<std::int64_t>(pacer.DueMs(wakeTicks) - nowMs, 1);
    }
    if (window.Mode() != ReportMode::Alarm && inMs <= kWakeAlarmAfterMs) {
        inMs = 0;
    }
    wakeAlarm_.ArmIn(inMs);
}

std::int64_t LoopPower::TakePassedTicks(TickPacer& pacer, std::int64_t nowMs) {
    // Ticks missed while the process stood still passed in real time as a suspend's do:
    // an overdue follow-up goes on the next tick.
    return pacer.TakeMissed(nowMs) + suspendWatch_.TakeSuspendedPeriods(TickPeriodMs);
}
