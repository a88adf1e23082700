#include "app/TickPacer.h"

void TickPacer::Ticked(std::int64_t nowMs) {
    const std::int64_t due = NextTickMs();
    lastTickMs_ = started_ && nowMs >= due && nowMs - due < periodMs_ ? due : nowMs;
    started_ = true;
    quiet_ = 0;
}

std::int32_t TickPacer::CatchUp(std::int64_t nowMs) {
    if (!started_ || nowMs <= lastTickMs_) {
        return 0;
    }
    std::int64_t passed = (nowMs - lastTickMs_) / periodMs_;
    if (passed > quiet_) {
        passed = quiet_;
    }
    lastTickMs_ += passed * periodMs_;
    quiet_ -= passed;
    return static_cast<std::int32_t>(passed);
}

std::int64_t TickPacer::TakeMissed(std::int64_t nowMs) {
    const std::int64_t late = nowMs - NextTickMs();
    if (!started_ || late < periodMs_) {
        return 0;
    }
    const std::int64_t missed = late / periodMs_;
    lastTickMs_ += missed * periodMs_;
    return missed;
}
