#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "gps/GpsPosition.h"
#include "platform/GpsDevice.h"

class Clock;

// A receiver standing still at one place under an open sky: every poll gives the same
// fix, stamped with the clock's current UTC time, and a few satellites.
class FixedGpsDevice final : public GpsDevice {
public:
    FixedGpsDevice(const Clock& clock, double latitude, double longitude,
                   std::optional<double> altitude = std::nullopt);

    // Reads "LAT,LON" or "LAT,LON,ALT" in decimal degrees and metres; null when the text
    // is not that or a coordinate is out of range.
    static std::unique_ptr<FixedGpsDevice> FromText(std::string_view text, const Clock& clock);

    int Open() override;
    int GetPosition(GpsPosition& position, std::uint32_t maximumAgeMs) override;
    void Close() override;

private:
    const Clock& clock_;
    GpsPosition fix_;
    bool open_ = false;
};
