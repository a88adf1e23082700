#pragma once

#include <cstdint>

#include "platform/Clock.h"

// A clock that moves only when told to, with a fixed offset for local time.
class SimClock final : public Clock {
public:
    explicit SimClock(std::int64_t utcSeconds = 1'780'000'000, int localOffsetSeconds = 0)
        : utcMilliseconds_(utcSeconds * 1000), offset_(localOffsetSeconds) {}

    std::int64_t UtcSeconds() const override { return utcMilliseconds_ / 1000; }
    LocalTime ToLocal(std::int64_t utcSeconds) const override;

    void SetUtcSeconds(std::int64_t seconds) { utcMilliseconds_ = seconds * 1000; }
    void AdvanceMilliseconds(std::int64_t ms) { utcMilliseconds_ += ms; }
    std::int64_t UtcMilliseconds() const { return utcMilliseconds_; }
    void SetLocalOffset(int seconds) { offset_ = seconds; }

private:
    std::int64_t utcMilliseconds_;
    int offset_;
};

// Seconds since 1970 of a UTC date and time (proleptic Gregorian calendar).
std::int64_t UtcSecondsOf(int year, int month, int day, int hour = 0, int minute = 0,
                          int second = 0);
