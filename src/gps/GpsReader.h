#pragma once

#include <cstdint>
#include <string>

#include "common/StatusCode.h"
#include "gps/GpsPosition.h"

class CSettings;
class Clock;
class GpsDevice;

enum class GpsState : std::uint32_t {
    Off = 0,
    Searching = 2,  // switched on, no fix accepted since
    HasFix = 3,
};

// Owns the GPS receiver: switched on and off by the scheduler, polled once a second
// while on, keeping the last usable fix and the time it was obtained.
class CGpsReader {
public:
    static constexpr std::int32_t SearchTimeoutTicks = 1800;
    static constexpr std::int32_t PollIntervalTicks = 10;
    // A device that could not be opened is tried again at a poll this long after.
    static constexpr std::int32_t ReopenIntervalTicks = 50;
    static constexpr std::uint32_t MaximumAgeMs = 120000;
    static constexpr std::int64_t RecentSeconds = 1200;
    static constexpr std::int64_t JustObtainedSeconds = 5;

    CGpsReader(CSettings& settings, GpsDevice& device, const Clock& clock);
    ~CGpsReader();
    CGpsReader(const CGpsReader&) = delete;
    CGpsReader& operator=(const CGpsReader&) = delete;

    void SwitchOn();
    void SwitchOff();
    void Tick();
    // Coming ticks with no poll and no end of the search, and the skip over them.
    std::int32_t QuietTicks() const;
    void SkipQuietTicks(std::int32_t count);
    // True when the next screen refresh must redraw the GPS part in full.
    bool HasChanged() const { return changed_; }

    StatusCode GetStatusCode() const;
    std::string GetStatusText() const;
    bool IsFixRecent() const;
    int GetSatelliteCount() const;
    bool TakeChanged();

    std::string BuildReportText(bool withSatellites) const;
    std::string LatitudeText() const;
    std::string LongitudeText() const;

    GpsState GetState() const { return state_; }
    // Seconds since the last accepted fix; negative when the clock was set back.
    std::int64_t FixAge() const;

    // Read by the sender: while not 0 a search is being timed and a queued report waits.
    std::int32_t timeoutTicks = 0;

    // The last accepted fix and when it was accepted (seconds since 1970, UTC; 0 = never).
    GpsPosition position;
    std::int64_t lastFixTime = 0;

private:
    void AcceptFix(const GpsPosition& record);
    void OpenDevice();

    CSettings& settings_;
    GpsDevice& device_;
    const Clock& clock_;
    GpsState state_ = GpsState::Off;
    std::int32_t pollTicks_ = 0;
    bool changed_ = true;
    bool deviceOpen_ = false;
    // Why the device could not be opened; repeated by every poll until it opens.
    int openError_ = 0;
    std::int32_t ticksSinceOpen_ = 0;
};
