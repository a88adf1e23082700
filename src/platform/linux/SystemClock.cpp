#include "platform/linux/SystemClock.h"

#include <ctime>
#include <fstream>

namespace {

// The kernel's name for this boot: a UUID, read once; it cannot change while we run.
std::string ReadBootId() {
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    char text[64] = {};
    in.read(text, sizeof text - 1);
    std::string id(text, static_cast<std::size_t>(in.gcount()));
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) {
        id.pop_back();
    }
    return id;
}

}  // namespace

SystemClock::SystemClock() : bootId_(ReadBootId()) {}

std::int64_t SystemClock::BootMilliseconds() const {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

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
