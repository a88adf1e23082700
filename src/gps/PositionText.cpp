#include "gps/PositionText.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

// Appends one formatted line unless it would not fit the report; a line is never cut.
[[gnu::format(printf, 2, 3)]] void AppendLine(std::string& text, const char* format, ...) {
    char line[160];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof line) {
        return;
    }
    if (text.size() + static_cast<std::size_t>(length) > MaxReportTextBytes) {
        return;
    }
    text.append(line, static_cast<std::size_t>(length));
}

bool Has(const GpsPosition& position, std::uint32_t flag) {
    return (position.dwValidFields & flag) != 0;
}

bool UsableCoordinate(double value, double limit) {
    return std::isfinite(value) && std::fabs(value) <= limit;
}

// Counts in the record are unsigned but were always meant as small signed numbers:
// anything that reads as negative means none.
int ArrayCount(std::uint32_t count) {
    const auto signedCount = static_cast<std::int32_t>(count);
    if (signedCount <= 0) {
        return 0;
    }
    return signedCount < GPS_MAX_SATELLITES ? signedCount : GPS_MAX_SATELLITES;
}

int AsInt(std::uint32_t value) {
    return static_cast<std::int32_t>(value);
}

void AppendSatelliteLines(std::string& text, const GpsPosition& position) {
    const int inView = ArrayCount(position.dwSatellitesInView);
    const int used = ArrayCount(position.dwSatelliteCount);
    for (int i = 0; i < inView; ++i) {
        const std::uint32_t prn = position.rgdwSatellitesInViewPRNs[i];
        int isUsed = 0;
        for (int j = 0; j < used; ++j) {
            if (position.rgdwSatellitesUsedPRNs[j] == prn) {
                isUsed = 1;
                break;
            }
        }
        AppendLine(text, "Sat=%02d,%d, %d,%d,%d\r\n", AsInt(prn), isUsed,
                   AsInt(position.rgdwSatellitesInViewSignalToNoiseRatio[i]),
                   AsInt(position.rgdwSatellitesInViewElevation[i]),
                   AsInt(position.rgdwSatellitesInViewAzimuth[i]));
    }
}

std::string DegreesMinutesSeconds(double value, bool singlePrecisionSeconds, char positive,
                                  char negative) {
    const char hemisphere = value >= 0 ? positive : negative;
    const double v = std::fabs(value);
    const int degrees = static_cast<int>(v);
    const double f = v - degrees;
    // These factors are what the screen has always shown, one minute short now and then.
    const int minutes = static_cast<int>(f * 59.999988000002396);
    double seconds = (f - minutes * 0.01666667) * 3599.971200230398;
    if (singlePrecisionSeconds) {
        seconds = static_cast<double>(static_cast<float>(seconds));
    }
    char text[64];
    std::snprintf(text, sizeof text, "%d\xC2\xB0 %d' %.2f\" %c", degrees, minutes, seconds,
                  hemisphere);
    return text;
}

}  // namespace

std::string ReportTextOf(const GpsPosition& position, bool withSatellites) {
    std::string text;
    if (Has(position, GPS_VALID_LONGITUDE) && UsableCoordinate(position.dblLongitude, 180.0)) {
        AppendLine(text, "Long=%f %c\r\n", std::fabs(position.dblLongitude),
                   position.dblLongitude >= 0 ? 'E' : 'W');
    }
    if (Has(position, GPS_VALID_LATITUDE) && UsableCoordinate(position.dblLatitude, 90.0)) {
        AppendLine(text, "Lat=%f %c\r\n", std::fabs(position.dblLatitude),
                   position.dblLatitude >= 0 ? 'N' : 'S');
    }
    if (Has(position, GPS_VALID_ALTITUDE_WRT_SEA_LEVEL) &&
        std::isfinite(position.flAltitudeWRTSeaLevel)) {
        AppendLine(text, "Alt=%f\r\n", static_cast<double>(position.flAltitudeWRTSeaLevel));
    }
    if (Has(position, GPS_VALID_SPEED) && std::isfinite(position.flSpeed) &&
        position.flSpeed >= 0) {
        AppendLine(text, "Speed=%0.02f Km/h\r\n", static_cast<double>(position.flSpeed) * 1.852);
    }
    if (Has(position, GPS_VALID_HEADING)) {
        const double heading = position.flSpeed > 0 ? static_cast<double>(position.flHeading) : 0.0;
        if (std::isfinite(heading)) {
            AppendLine(text, "Dir=%0.02f\r\n", heading);
        }
    }
    if (Has(position, GPS_VALID_UTC_TIME)) {
        const GpsSystemTime& t = position.stUTCTime;
        AppendLine(text, "Time=%02d-%02d-%04d  %02d:%02d:%02d\r\n", t.wDay, t.wMonth, t.wYear,
                   t.wHour, t.wMinute, t.wSecond);
    }
    if (withSatellites) {
        AppendSatelliteLines(text, position);
    }
    return text;
}

std::string LatitudeTextOf(const GpsPosition& position) {
    if (!Has(position, GPS_VALID_LATITUDE) || !UsableCoordinate(position.dblLatitude, 90.0)) {
        return {};
    }
    return DegreesMinutesSeconds(position.dblLatitude, false, 'N', 'S');
}

std::string LongitudeTextOf(const GpsPosition& position) {
    if (!Has(position, GPS_VALID_LONGITUDE) || !UsableCoordinate(position.dblLongitude, 180.0)) {
        return {};
    }
    return DegreesMinutesSeconds(position.dblLongitude, true, 'E', 'W');
}
