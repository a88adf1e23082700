#pragma once

#include <cstdint>

#include "platform/Clock.h"

// A clock that moves only when told to, with a fixed offset for local time. Time passing
// moves the wall and the boot clock alike; a step of the wall clock or a reboot moves one.
class SimClock final : public Clock {
public:
    explicit SimClock(std::int64_t utcSeconds = 1'780'000'000, int localOffsetSeconds = 0)
        : utcMilliseconds_(utcSeconds * 1000), offset_(localOffsetSeconds) {}

    std::int64_t UtcSeconds() const override { return utcMilliseconds_ / 1000; }
    LocalTime ToLocal(std::int64_t utcSeconds) const override;
    std::int64_t BootMilliseconds() const override { return bootMilliseconds_; }
    std::string BootId() const override { return "sim-boot-" + std::to_string(boots_); }

    void SetUtcSeconds(std::int64_t seconds) { utcMilliseconds_ = seconds * 1000; }
    void AdvanceMilliseconds(std::int64_t ms) {
        utcMilliseconds_ += ms;
        bootMilliseconds_ += ms;
    }
    // The wall clock is set (by hand, by the network); the boot clock does not move.
    void StepWall(std::int64_t ms) { utcMilliseconds_ += ms; }
    void Reboot() {
        ++boots_;
        bootMilliseconds_ = 0;
    }
    std::int64_t UtcMilliseconds() const { return utcMilliseconds_; }
    void SetLocalOffset(int seconds) { offset_ = seconds; }

private:
    std::int64_t utcMilliseconds_;
    int offset_;
    std::int64_t bootMilliseconds_ = 0;
    int boots_ = 1;
};

// Seconds since 1970 of a UTC date and time (proleptic Gregorian calendar).
std::int64_t UtcSecondsOf(int year, int month, int day, int hour = 0, int minute = 0,
                          int second = 0);
