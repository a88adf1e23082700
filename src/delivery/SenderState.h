#pragma once

#include <cstdint>

enum class SenderState : std::int32_t {
    Idle = 0,        // no data connection held
    Connecting = 1,  // requested, waiting for "connected"
    Starting = 2,    // connected; IMSI and socket layer next
    Ready = 3,       // the front message goes on the next tick
    Waiting = 4,     // sent; waiting for the acknowledgement
};

// Ticks of 100 ms.
constexpr std::int32_t AnswerTimeoutTicks = 20;  // the attempt ends on the tick after this
constexpr std::int32_t SuccessHoldTicks = 9000;
constexpr std::int32_t MaxFailedAttempts = 15;
// While the link cannot come up it is tried again after a pause that doubles from the first
// to the longest; an alarm keeps the pace of its attempts.
constexpr std::int32_t LinkBackoffFirstTicks = 10;
constexpr std::int32_t LinkBackoffLongestTicks = 600;
constexpr std::int32_t LinkBackoffAlarmTicks = AnswerTimeoutTicks + 1;
// Polls of a coming link, one a tick, before they too are spaced out.
constexpr std::int32_t LinkPatientPolls = 50;
