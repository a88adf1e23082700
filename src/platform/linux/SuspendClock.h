#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Time the machine spent suspended: CLOCK_BOOTTIME runs on through a suspend while
// CLOCK_MONOTONIC stands still, so the growth of their difference is the time asleep.
class SuspendWatch {
public:
    // gapMs reads CLOCK_BOOTTIME minus CLOCK_MONOTONIC in ms; tests give their own.
    explicit SuspendWatch(std::function<std::int64_t()> gapMs = nullptr);
    // Whole periods slept since the last call; the rest is kept for the next one.
    std::int64_t TakeSuspendedPeriods(std::int64_t periodMs);

private:
    std::function<std::int64_t()> gapMs_;
    std::int64_t lastGapMs_;
    std::int64_t carryMs_ = 0;
};

// A one-shot timer on the boot clock that wakes the loop when something falls due. With
// CAP_WAKE_ALARM it also wakes a suspended machine (CLOCK_BOOTTIME_ALARM); without, it
// fires at the first moment the machine is awake after that time.
class WakeAlarm {
public:
    WakeAlarm();
    ~WakeAlarm();
    WakeAlarm(const WakeAlarm&) = delete;
    WakeAlarm& operator=(const WakeAlarm&) = delete;

    bool WakesTheMachine() const { return wakesMachine_; }
    // Why a suspended machine cannot be woken; empty when it can.
    const std::string& WhyNot() const { return whyNot_; }
    int Fd() const { return fd_; }
    // Fires once, inMs from now; 0 or less disarms it.
    void ArmIn(std::int64_t inMs);
    // Clears a firing, so poll() does not report it again.
    void Take();

private:
    int fd_ = -1;
    bool wakesMachine_ = false;
    std::string whyNot_;
};
