#include "platform/sim/FixedGpsDevice.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "platform/sim/SimClock.h"

namespace {

struct Satellite {
    std::uint32_t prn, elevation, azimuth, signal;
    bool used;
};

constexpr Satellite kSky[] = {
    {5, 62, 120, 41, true},
    {12, 38, 250, 36, true},
    {19, 25, 40, 33, true},
    {24, 7, 310, 0, false},
};

std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

FixedGpsDevice::FixedGpsDevice(const Clock& clock, double latitude, double longitude,
                               std::optional<double> altitude)
    : clock_(clock) {
    fix_.dwValidFields = GPS_VALID_UTC_TIME | GPS_VALID_LATITUDE | GPS_VALID_LONGITUDE |
                         GPS_VALID_SPEED | GPS_VALID_HEADING | GPS_VALID_SATELLITE_COUNT;
    fix_.dblLatitude = latitude;
    fix_.dblLongitude = longitude;
    if (altitude) {
        fix_.dwValidFields |= GPS_VALID_ALTITUDE_WRT_SEA_LEVEL;
        fix_.flAltitudeWRTSeaLevel = static_cast<float>(*altitude);
    }
    for (const Satellite& s : kSky) {
        const std::uint32_t i = fix_.dwSatellitesInView++;
        fix_.rgdwSatellitesInViewPRNs[i] = s.prn;
        fix_.rgdwSatellitesInViewElevation[i] = s.elevation;
        fix_.rgdwSatellitesInViewAzimuth[i] = s.azimuth;
        fix_.rgdwSatellitesInViewSignalToNoiseRatio[i] = s.signal;
        if (s.used) {
            fix_.rgdwSatellitesUsedPRNs[fix_.dwSatelliteCount++] = s.prn;
        }
    }
}

std::unique_ptr<FixedGpsDevice> FixedGpsDevice::FromText(std::string_view text,
                                                         const Clock& clock) {
    std::vector<double> numbers;
    while (true) {
        const std::size_t comma = text.find(',');
        const auto number = ParseNumber(text.substr(0, comma));
        if (!number || numbers.size() == 3) {
            return nullptr;
        }
        numbers.push_back(*number);
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (numbers.size() < 2 || std::fabs(numbers[0]) > 90 || std::fabs(numbers[1]) > 180) {
        return nullptr;
    }
    std::optional<double> altitude;
    if (numbers.size() == 3) {
        altitude = numbers[2];
    }
    return std::make_unique<FixedGpsDevice>(clock, numbers[0], numbers[1], altitude);
}

int FixedGpsDevice::Open() {
    open_ = true;
    return 0;
}

int FixedGpsDevice::GetPosition(GpsPosition& position, std::uint32_t /*maximumAgeMs*/) {
    if (!open_) {
        return EBADF;
    }
    position = fix_;
    // A calendar with no zone offset breaks the clock's UTC seconds down as UTC.
    const LocalTime utc = SimClock(0, 0).ToLocal(clock_.UtcSeconds());
    position.stUTCTime.wYear = static_cast<std::uint16_t>(utc.year);
    position.stUTCTime.wMonth = static_cast<std::uint16_t>(utc.month);
    position.stUTCTime.wDayOfWeek = static_cast<std::uint16_t>(utc.dayOfWeek);
    position.stUTCTime.wDay = static_cast<std::uint16_t>(utc.day);
    position.stUTCTime.wHour = static_cast<std::uint16_t>(utc.hour);
    position.stUTCTime.wMinute = static_cast<std::uint16_t>(utc.minute);
    position.stUTCTime.wSecond = static_cast<std::uint16_t>(utc.second);
    return 0;
}

void FixedGpsDevice::Close() {
    open_ = false;
}
