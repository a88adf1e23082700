#include "platform/linux/SuspendClock.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <utility>

#include "common/LastErrorText.h"

namespace {

std::int64_t ClockMs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::int64_t BootMinusMonotonicMs() {
    return ClockMs(CLOCK_BOOTTIME) - ClockMs(CLOCK_MONOTONIC);
}

}  // namespace

SuspendWatch::SuspendWatch(std::function<std::int64_t()> gapMs)
    : gapMs_(gapMs ? std::move(gapMs) : BootMinusMonotonicMs), lastGapMs_(gapMs_()) {}

std::int64_t SuspendWatch::TakeSuspendedPeriods(std::int64_t periodMs) {
    const std::int64_t gap = gapMs_();
    // Reading the two clocks one after the other can make the difference shrink by a
    // millisecond; only growth is sleep.
    if (gap > lastGapMs_) {
        carryMs_ += gap - lastGapMs_;
    }
    lastGapMs_ = gap;
    const std::int64_t periods = carryMs_ / periodMs;
    carryMs_ -= periods * periodMs;
    return periods;
}

WakeAlarm::WakeAlarm() {
    fd_ = timerfd_create(CLOCK_BOOTTIME_ALARM, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ >= 0) {
        wakesMachine_ = true;
        return;
    }
    whyNot_ = LastErrorText(errno);
    fd_ = timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
}

WakeAlarm::~WakeAlarm() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void WakeAlarm::ArmIn(std::int64_t inMs) {
    if (fd_ < 0) {
        return;
    }
    itimerspec timing{};
    if (inMs > 0) {
        timing.it_value.tv_sec = static_cast<time_t>(inMs / 1000);
        timing.it_value.tv_nsec = static_cast<long>(inMs % 1000) * 1000000L;
    }
    timerfd_settime(fd_, 0, &timing, nullptr);
}

void WakeAlarm::Take() {
    std::uint64_t expirations = 0;
    if (fd_ >= 0 && read(fd_, &expirations, sizeof expirations) < 0) {
        expirations = 0;  // not fired after all (non-blocking)
    }
}
