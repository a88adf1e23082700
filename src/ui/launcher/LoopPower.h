#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/TickPacer.h"
#include "platform/linux/SuspendClock.h"
#include "platform/linux/dbus/LogindInhibitor.h"

class CMainWindow;

// What a front end's loop does about the machine's sleep, the same in both: the locks
// that keep off or delay a suspend while a report runs, the wake alarm for the next step
// that must run while the machine would sleep, and the real time that passed while the
// loop stood still (a suspend, SIGSTOP, a debugger).
class LoopPower {
public:
    explicit LoopPower(std::function<void(const std::string&)> say);

    // Before the loop blocks: the locks this moment of the report needs.
    void HoldLocks(const CMainWindow& window);
    // Logind's answer to a lock is awaited: the loop looks again on the next tick.
    bool AnswerAwaited() const { return sleepInhibitor_.Pending() || sleepDelay_.Pending(); }
    // Before the loop blocks, once the tick is armed: the wake alarm for the next step that
    // must run while the machine would sleep.
    void ArmWakeAlarm(const CMainWindow& window, const TickPacer& pacer, std::int64_t nowMs);
    // After the loop woke and caught up its quiet ticks: the ticks that never ran because
    // the process was stopped, and the whole ticks the machine slept.
    std::int64_t TakePassedTicks(TickPacer& pacer, std::int64_t nowMs);

    // The wake alarm's descriptor, for the loop to watch (-1 when there is none), and the
    // clearing of a firing: the wake-up itself was the point.
    int WakeAlarmFd() const { return wakeAlarm_.Fd(); }
    void TakeWakeAlarm() { wakeAlarm_.Take(); }

private:
    LogindInhibitor sleepInhibitor_;
    LogindInhibitor sleepDelay_;
    WakeAlarm wakeAlarm_;
    SuspendWatch suspendWatch_;
};
