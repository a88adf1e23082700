#pragma once

#include "platform/Clock.h"

// The system clock and the time zone of the TZ environment / /etc/localtime.
class SystemClock final : public Clock {
public:
    SystemClock();
    std::int64_t UtcSeconds() const override;
    LocalTime ToLocal(std::int64_t utcSeconds) const override;
    std::int64_t BootMilliseconds() const override;
    std::string BootId() const override { return bootId_; }

private:
    std::string bootId_;
};
