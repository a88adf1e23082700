#include "gps/PositionText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr std::uint32_t kPlace = GPS_VALID_LONGITUDE | GPS_VALID_LATITUDE;
constexpr std::uint32_t kMotion = GPS_VALID_SPEED | GPS_VALID_HEADING;

GpsPosition Record(std::uint32_t flags, double latitude, double longitude, float speed = 0,
                   float heading = 0, float altitude = 0) {
    GpsPosition p;
    p.dwValidFields = flags;
    p.dblLatitude = latitude;
    p.dblLongitude = longitude;
    p.flSpeed = speed;
    p.flHeading = heading;
    p.flAltitudeWRTSeaLevel = altitude;
    return p;
}

// Two satellites in view, the first of them used in the fix.
const GpsPosition kFix = [] {
    GpsPosition p = Record(kPlace | kMotion | GPS_VALID_ALTITUDE_WRT_SEA_LEVEL |
                               GPS_VALID_UTC_TIME | GPS_VALID_SATELLITE_COUNT,
                           55.7558, 37.6173, 5.0F, 271.5F, 156.5F);
    p.stUTCTime = {2026, 12, 0, 6, 14, 3, 7, 0};
    p.dwSatelliteCount = 1;
    p.rgdwSatellitesUsedPRNs[0] = 5;
    p.dwSatellitesInView = 2;
    std::ranges::copy(std::array{5U, 12U}, p.rgdwSatellitesInViewPRNs);
    std::ranges::copy(std::array{45U, 7U}, p.rgdwSatellitesInViewElevation);
    std::ranges::copy(std::array{120U, 310U}, p.rgdwSatellitesInViewAzimuth);
    std::ranges::copy(std::array{38U, 0U}, p.rgdwSatellitesInViewSignalToNoiseRatio);
    return p;
}();

GpsPosition Satellites(std::uint32_t used, std::uint32_t inView) {
    GpsPosition p = kFix;
    p.dwValidFields = 0;
    p.dwSatelliteCount = used;
    p.dwSatellitesInView = inView;
    return p;
}

TEST(ReportText, LinesInOrderFollowTheFlagsAndValues) {
    // clang-format off
    const std::tuple<const char*, GpsPosition, bool, std::string> cases[] = {
        {"EveryField", kFix, true,
         "Long=37.617300 E\r\nLat=55.755800 N\r\nAlt=156.500000\r\nSpeed=9.26 Km/h\r\n"
         "Dir=271.50\r\nTime=06-12-2026  14:03:07\r\nSat=05,1, 38,45,120\r\nSat=12,0, 0,7,310\r\n"},
        {"PlaceOnly", Record(kPlace, 0, -0.5), false, "Long=0.500000 W\r\nLat=0.000000 N\r\n"},
        // The heading is written only while moving.
        {"HeadingWhileStill", Record(kMotion, 0, 0, 0, 90), false, "Speed=0.00 Km/h\r\nDir=0.00\r\n"},
        {"SpeedNotANumber", Record(kMotion, 0, 0, NAN), false, "Dir=0.00\r\n"},
        // Numbers that cannot be printed leave their lines out.
        {"UnprintableNumbers", Record(kPlace | kMotion | GPS_VALID_ALTITUDE_WRT_SEA_LEVEL, 90.5, INFINITY, 1, NAN, NAN), false, "Speed=1.85 Km/h\r\n"},
        {"SatellitesNoneUsed", Satellites(0, 2), true, "Sat=05,0, 38,45,120\r\nSat=12,0, 0,7,310\r\n"},
        {"SatellitesNotAskedFor", Satellites(1, 2), false, ""},
        {"SatellitesInViewOutOfRange", Satellites(1, 0xFFFFFFFF), true, ""},
    };
    // clang-format on
    for (const auto& [name, position, withSatellites, text] : cases) {
        EXPECT_EQ(ReportTextOf(position, withSatellites), text) << name;
    }
}

TEST(CoordinateText, DegreesMinutesSecondsOfAValidCoordinateOnly) {
    const std::tuple<const char*, GpsPosition, std::string, std::string> cases[] = {
        {"Latitude", Record(GPS_VALID_LATITUDE, 55.7558, 0), "55° 45' 20.88\" N", ""},
        {"HalfADegree", Record(GPS_VALID_LATITUDE, 0.5, 0), "0° 29' 60.00\" N", ""},
        {"WestLongitude", Record(GPS_VALID_LONGITUDE, 0, -37.6173), "", "37° 37' 2.28\" W"},
        {"LatitudeNotANumber", Record(GPS_VALID_LATITUDE, NAN, 0), "", ""},
        {"HugeLongitude", Record(GPS_VALID_LONGITUDE, 0, -1e300), "", ""},
        {"LongitudeJustOutOfRange", Record(GPS_VALID_LONGITUDE, 0, 180.5), "", ""},
    };
    for (const auto& [name, position, latitude, longitude] : cases) {
        EXPECT_EQ(std::pair(LatitudeTextOf(position), LongitudeTextOf(position)),
                  std::pair(latitude, longitude))
            << name;
    }
}

}  // namespace
