#include <algorithm>
#include <limits>

#include "app/AppGlobals.h"
#include "app/Scheduler.h"
#include "app/StatusScreen.h"

namespace {

// Ticks before the one on which a counter now at left reaches zero; 0 when that is
// the next tick (or it is already zero and acting).
std::int32_t TicksBeforeZero(std::int32_t left) {
    return std::max<std::int32_t>(left - 1, 0);
}

}  // namespace

std::int32_t Scheduler::QuietTicks() const {
    // A pending redraw of the GPS part or of the delivery status happens on the next tick.
    if (screen.RedrawPending()) {
        return 0;
    }
    // An acknowledged 122 is marked in the alarm record on the next tick, at once.
    if (mode == ReportMode::Alarm &&
        globals.sender->GetAlarmsAcknowledged() != alarmsAcknowledged) {
        return 0;
    }
    if (GpsIdlesWhileTheLinkIsDown()) {
        return 0;
    }
    std::int32_t quiet = std::min(globals.sender->QuietTicks(), globals.gpsReader->QuietTicks());
    if (mode == ReportMode::Idle) {
        const std::int64_t beforeDue =
            static_cast<std::int64_t>(globals.settings->Frequency) - idleTicks - 1;
        quiet = static_cast<std::int32_t>(std::clamp<std::int64_t>(beforeDue, 0, quiet));
    } else if (globals.sender->IsQueueEmpty()) {
        // With nothing queued a report either ends or, in an alarm, posts its next
        // follow-up; until then only the alarm's counters run.
        if (mode == ReportMode::Alarm) {
            quiet = std::min(
                {quiet, TicksBeforeZero(alarmTicksLeft), TicksBeforeZero(resendTicksLeft)});
        } else {
            quiet = 0;
        }
    }
    if (mode == ReportMode::Alarm && !alarmRecord.Stored()) {
        quiet = std::min(quiet, TicksBeforeZero(recordRetryTicksLeft));
    }
    return quiet;
}

void Scheduler::SkipQuietTicks(std::int32_t count) {
    if (count <= 0) {
        return;
    }
    alarmTicksLeft = std::max<std::int32_t>(alarmTicksLeft - count, 0);
    resendTicksLeft = std::max<std::int32_t>(resendTicksLeft - count, 0);
    recordRetryTicksLeft = std::max<std::int32_t>(recordRetryTicksLeft - count, 0);
    if (mode == ReportMode::Idle) {
        idleTicks += count;
    }
    globals.sender->SkipQuietTicks(count);
    globals.gpsReader->SkipQuietTicks(count);
    screen.SkipAnimation(count);
}

void Scheduler::OnSuspended(std::int64_t ticks) {
    if (ticks <= 0) {
        return;
    }
    const auto counted = static_cast<std::int32_t>(
        std::min<std::int64_t>(ticks, std::numeric_limits<std::int32_t>::max()));
    if (mode == ReportMode::Idle) {
        // Past the due point the next tick starts the report; no further need to count.
        idleTicks = static_cast<std::int32_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(idleTicks) + counted,
                                   std::max(globals.settings->Frequency, 0)));
    }
    alarmTicksLeft = std::max<std::int32_t>(alarmTicksLeft - counted, 0);
    resendTicksLeft = std::max<std::int32_t>(resendTicksLeft - counted, 0);
    recordRetryTicksLeft = std::max<std::int32_t>(recordRetryTicksLeft - counted, 0);
    globals.sender->OnSuspended(counted);
}

std::int32_t Scheduler::TicksBeforeWake() const {
    const std::int32_t delivery = globals.sender->TicksBeforeRetry();
    switch (mode) {
        case ReportMode::Idle:
            return static_cast<std::int32_t>(std::clamp<std::int64_t>(
                static_cast<std::int64_t>(globals.settings->Frequency) - idleTicks - 1, 0,
                std::numeric_limits<std::int32_t>::max()));
        case ReportMode::Intimate:
            // An empty queue ends the report on the next tick.
            return globals.sender->IsQueueEmpty() ? 0 : delivery;
        case ReportMode::Alarm:
            break;
    }
    std::int32_t wake = std::min(delivery, TicksBeforeZero(alarmTicksLeft));
    if (globals.sender->IsQueueEmpty()) {
        wake = std::min(wake, TicksBeforeZero(resendTicksLeft));
    }
    return wake;
}
