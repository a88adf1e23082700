#pragma once

#include "platform/Clock.h"

// The system clock and the time zone of the TZ environment / /etc/localtime.
class SystemClock final : public Clock {
public:
    std::int64_t UtcSeconds() const override;
    LocalTime ToLocal(std::int64_t utcSeconds) const override;
};
