#include "platform/linux/SystemClock.h"

#include <ctime>

std::int64_t SystemClock::UtcSeconds() const {
    return static_cast<std::int64_t>(std::time(nullptr));
}

LocalTime SystemClock::ToLocal(std::int64_t utcSeconds) const {
    std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm parts{};
    if (localtime_r(&t, &parts) == nullptr) {
        return {};
    }
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_wday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}
