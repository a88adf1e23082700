#pragma once

#include <cstdint>
#include <string>

// A broken-down local date and time, as the device's time zone shows it.
struct LocalTime {
    int year = 1970;
    int month = 1;      // 1..12
    int day = 1;        // 1..31
    int dayOfWeek = 4;  // 0 Sunday .. 6 Saturday
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The only source of time for the core.
class Clock {
public:
    Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
    virtual ~Clock() = default;

    // Whole seconds since 1970-01-01 00:00 UTC.
    virtual std::int64_t UtcSeconds() const = 0;
    // The local date and time of a UTC instant, with the device's zone and daylight saving.
    virtual LocalTime ToLocal(std::int64_t utcSeconds) const = 0;
    // Milliseconds since this boot on a clock that nobody sets and that runs on through
    // a suspend; with BootId, what an age within one boot is measured on.
    virtual std::int64_t BootMilliseconds() const = 0;
    // Names this boot of the machine; empty when unknown.
    virtual std::string BootId() const = 0;

    LocalTime LocalNow() const { return ToLocal(UtcSeconds()); }
};
