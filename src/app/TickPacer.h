#pragma once

#include <cstdint>

// Keeps a front end's 100 ms tick on time while its loop sleeps through quiet ticks.
// Times are milliseconds of one steady clock. After each tick the loop tells it how many
// coming ticks are quiet; when anything wakes the loop it first catches the core up by
// the quiet ticks that have passed, then handles what woke it.
class TickPacer {
public:
    explicit TickPacer(std::int64_t periodMs) : periodMs_(periodMs) {}

    // The tick timer fired at nowMs. A late expiry keeps the schedule unless a whole
    // period was missed; then, as a window timer merges missed expiries, it starts anew.
    void Ticked(std::int64_t nowMs);
    // The core has this many quiet ticks ahead (counted from the last tick).
    void SetQuiet(std::int32_t quietTicks) { quiet_ = quietTicks < 0 ? 0 : quietTicks; }
    // Quiet ticks passed by nowMs and not yet caught up; the caller skips them.
    std::int32_t CatchUp(std::int64_t nowMs);
    // Whole periods past the next tick by nowMs, after CatchUp: ticks that never ran
    // (the process was stopped). The schedule moves past them; the caller counts them.
    std::int64_t TakeMissed(std::int64_t nowMs);
    // When the next tick that must run is due.
    std::int64_t NextTickMs() const { return DueMs(quiet_); }
    // When the tick comes that follows this many ticks from the last one.
    std::int64_t DueMs(std::int64_t ticksBefore) const {
        return lastTickMs_ + (ticksBefore + 1) * periodMs_;
    }
    bool Started() const { return started_; }

private:
    std::int64_t periodMs_;
    std::int64_t lastTickMs_ = 0;
    std::int64_t quiet_ = 0;
    bool started_ = false;
};
