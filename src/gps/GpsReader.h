#pragma once

#include <cstdint>
#include <string>

#include "gps/GpsPosition.h"

class CSettings;
class Clock;
class GpsDevice;

// Owns the GPS receiver: switched on and off by the scheduler, polled once a second
// while on, keeping the last usable fix and the time it was obtained.
class CGpsReader {
public:
    CGpsReader(CSettings& settings, GpsDevice& device, const Clock& clock);
    ~CGpsReader();
    CGpsReader(const CGpsReader&) = delete;
    CGpsReader& operator=(const CGpsReader&) = delete;

    void SwitchOn();
    void SwitchOff();
    void Tick();

    int GetStatusCode() const;
    std::string GetStatusText() const;
    bool IsFixRecent() const;
    int GetSatelliteCount() const;
    bool TakeChanged();

    std::string BuildReportText(bool withSatellites) const;
    std::string LatitudeText() const;
    std::string LongitudeText() const;

    // Read by the sender: while not 0 a search is being timed and a queued report waits.
    std::int32_t timeoutTicks = 0;

    // (the GPS work fills in the rest)
};
