#pragma once

#include <cstdint>

// What the tracker is reporting. The values are the ones the event files and the
// screen have always used.
enum class ReportMode : std::int32_t { Idle = 0, Intimate = 1, Alarm = 2 };

// While a report runs its mode only rises: an alarm outranks an intimation, which
// outranks idling.
constexpr bool Outranks(ReportMode higher, ReportMode lower) {
    return static_cast<std::int32_t>(higher) > static_cast<std::int32_t>(lower);
}
