#include "gps/PositionText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>

namespace {

GpsPosition ExampleFix() {
    GpsPosition p;
    p.dwValidFields = GPS_VALID_LONGITUDE | GPS_VALID_LATITUDE | GPS_VALID_ALTITUDE_WRT_SEA_LEVEL |
                      GPS_VALID_SPEED | GPS_VALID_HEADING | GPS_VALID_UTC_TIME |
                      GPS_VALID_SATELLITE_COUNT;
    p.dblLongitude = 37.6173;
    p.dblLatitude = 55.7558;
    p.flAltitudeWRTSeaLevel = 156.5F;
    p.flSpeed = 5.0F;
    p.flHeading = 271.5F;
    p.stUTCTime = {2026, 12, 0, 6, 14, 3, 7, 0};
    p.dwSatelliteCount = 1;
    p.rgdwSatellitesUsedPRNs[0] = 5;
    p.dwSatellitesInView = 2;
    const std::uint32_t prn[] = {5, 12}, snr[] = {38, 0}, elevation[] = {45, 7},
                        azimuth[] = {120, 310};
    for (int i = 0; i < 2; ++i) {
        p.rgdwSatellitesInViewPRNs[i] = prn[i];
        p.rgdwSatellitesInViewSignalToNoiseRatio[i] = snr[i];
        p.rgdwSatellitesInViewElevation[i] = elevation[i];
        p.rgdwSatellitesInViewAzimuth[i] = azimuth[i];
    }
    return p;
}

TEST(ReportTextTest, FullFixGivesEveryLineInOrder) {
    EXPECT_EQ(ReportTextOf(ExampleFix(), true),
              "Long=37.617300 E\r\nLat=55.755800 N\r\nAlt=156.500000\r\nSpeed=9.26 Km/h\r\n"
              "Dir=271.50\r\nTime=06-12-2026  14:03:07\r\nSat=05,1, 38,45,120\r\n"
              "Sat=12,0, 0,7,310\r\n");
}

struct LineCase {
    const char* name;
    std::function<void(GpsPosition&)> change;
    bool withSatellites;
    std::string text;
};

class ReportLinesTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReportLinesTest, LinesFollowTheFlagsAndValues) {
    GpsPosition p = ExampleFix();
    p.dwValidFields = 0;
    GetParam().change(p);
    EXPECT_EQ(ReportTextOf(p, GetParam().withSatellites), GetParam().text);
}

const GpsPosition kHostile = [] {
    GpsPosition p = ExampleFix();
    p.flAltitudeWRTSeaLevel = -FLT_MAX;
    p.flSpeed = FLT_MAX;
    p.flHeading = -FLT_MAX;
    p.stUTCTime = {65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535};
    p.dwSatelliteCount = p.dwSatellitesInView = 12;
    for (int i = 0; i < 12; ++i) {
        p.rgdwSatellitesUsedPRNs[i] = p.rgdwSatellitesInViewPRNs[i] =
            p.rgdwSatellitesInViewSignalToNoiseRatio[i] = p.rgdwSatellitesInViewElevation[i] =
                p.rgdwSatellitesInViewAzimuth[i] = 0x80000000;
    }
    return p;
}();

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportLinesTest,
    ::testing::Values(LineCase{"WestAndNorthOfZero",
                               [](GpsPosition& p) {
                                   p.dwValidFields = GPS_VALID_LONGITUDE | GPS_VALID_LATITUDE;
                                   p.dblLongitude = -0.5;
                                   p.dblLatitude = 0.0;
                               },
                               false, "Long=0.500000 W\r\nLat=0.000000 N\r\n"},
                      LineCase{"HeadingOnlyWhileMoving",
                               [](GpsPosition& p) {
                                   p.dwValidFields = GPS_VALID_SPEED | GPS_VALID_HEADING;
                                   p.flSpeed = 0;
                                   p.flHeading = 90;
                               },
                               false, "Speed=0.00 Km/h\r\nDir=0.00\r\n"},
                      LineCase{"NoUsedSatellites", [](GpsPosition& p) { p.dwSatelliteCount = 0; },
                               true, "Sat=05,0, 38,45,120\r\nSat=12,0, 0,7,310\r\n"},
                      LineCase{"SatellitesNotWanted", [](GpsPosition&) {}, false, ""},
                      LineCase{"NegativeCountsMeanNone",
                               [](GpsPosition& p) { p.dwSatellitesInView = 0xFFFFFFFF; }, true, ""},
                      LineCase{"UnusableNumbersLeaveTheirLinesOut",
                               [](GpsPosition& p) {
                                   p.dwValidFields = GPS_VALID_LONGITUDE | GPS_VALID_LATITUDE |
                                                     GPS_VALID_SPEED | GPS_VALID_HEADING |
                                                     GPS_VALID_ALTITUDE_WRT_SEA_LEVEL;
                                   p.dblLongitude = INFINITY;
                                   p.dblLatitude = 90.5;
                                   p.flAltitudeWRTSeaLevel = NAN;
                                   p.flSpeed = 1;
                                   p.flHeading = NAN;
                               },
                               false, "Speed=1.85 Km/h\r\n"},
                      LineCase{"NegativeOrNanSpeed",
                               [](GpsPosition& p) {
                                   p.dwValidFields = GPS_VALID_SPEED | GPS_VALID_HEADING;
                                   p.flSpeed = NAN;
                               },
                               false, "Dir=0.00\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportTextTest, MostExtremeRecordStaysWithinTheDatagram) {
    GpsPosition p = kHostile;
    p.dwSatellitesInView = 1000;
    const std::string text = ReportTextOf(p, true);
    EXPECT_LE(text.size(), MaxReportTextBytes);
    EXPECT_EQ(text.find("Long=37.617300 E\r\nLat=55.755800 N\r\nAlt=-3402823"), 0U);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6 + 12);
    EXPECT_NE(text.find("Sat=-2147483648,1, -2147483648,"), std::string::npos);
    EXPECT_NE(text.find("Time=65535-65535-65535  65535:65535:65535\r\n"), std::string::npos);
}

struct CoordinateCase {
    double value;
    bool latitude;
    std::string text;
};

class CoordinateTextTest : public ::testing::TestWithParam<CoordinateCase> {};

TEST_P(CoordinateTextTest, DegreesMinutesSeconds) {
    GpsPosition p;
    p.dwValidFields = GetParam().latitude ? GPS_VALID_LATITUDE : GPS_VALID_LONGITUDE;
    (GetParam().latitude ? p.dblLatitude : p.dblLongitude) = GetParam().value;
    EXPECT_EQ(GetParam().latitude ? LatitudeTextOf(p) : LongitudeTextOf(p), GetParam().text);
    EXPECT_EQ(GetParam().latitude ? LongitudeTextOf(p) : LatitudeTextOf(p), "");
}

INSTANTIATE_TEST_SUITE_P(Values, CoordinateTextTest,
                         ::testing::Values(CoordinateCase{55.7558, true, "55° 45' 20.88\" N"},
                                           CoordinateCase{0.5, true, "0° 29' 60.00\" N"},
                                           CoordinateCase{-37.6173, false, "37° 37' 2.28\" W"},
                                           CoordinateCase{NAN, true, ""},
                                           CoordinateCase{-1e300, false, ""},
                                           CoordinateCase{180.5, false, ""}));

}  // namespace
