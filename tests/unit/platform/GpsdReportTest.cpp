#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/BoundedLines.h"
#include "platform/linux/GpsdReport.h"

namespace {

using Kind = GpsdReport::Kind;
constexpr std::uint32_t LatLon = GPS_VALID_LATITUDE | GPS_VALID_LONGITUDE;

// Real reports of gpsd 3.22 come from the replay tests; these rows are the edges.
TEST(GpsdReport, ReadsFixesAndSkyViewsAndNothingElse) {
    const std::string satellite = R"({"PRN":17,"el":72.0,"az":207.0,"ss":32.0,"used":true})";
    const std::string fixed = R"({"class":"TPV","mode":2,"lat":1.5,"lon":2.5)";
    const std::string tpv = R"({"class":"TPV",)";
    // clang-format off
    const std::tuple<const char*, std::string, Kind, std::uint32_t> rows[] = {
        {"Fix3D",
         R"({"class":"TPV","device":"/dev/ttyUSB0","mode":3,"time":"2014-12-31T03:07:20.25Z",)"
         R"("lat":-37.784791667,"lon":175.314896667,"altHAE":83.5,"altMSL":59.8,)"
         R"("track":181.39,"speed":0.592,"extra":{"a":[1,{"b":null}]}})",
         Kind::Fix, LatLon | GPS_VALID_ALTITUDE_WRT_SEA_LEVEL | GPS_VALID_UTC_TIME | GPS_VALID_SPEED | GPS_VALID_HEADING},
        {"Fix2DHasNoAltitude", fixed + R"(,"altMSL":9})", Kind::Fix, LatLon},
        {"NoFixClearsThePosition", tpv + R"("mode":1,"lat":1.5,"lon":2.5})", Kind::Fix, 0},
        {"ModeUnknown", tpv + R"("mode":0,"lat":1.5,"lon":2.5})", Kind::Other, 0},
        {"NoMode", tpv + R"("lat":1.5,"lon":2.5})", Kind::Other, 0},
        {"LatitudeOutOfRange", tpv + R"("mode":2,"lat":91,"lon":2.5})", Kind::Fix, 0},
        {"RolloverYear", fixed + R"(,"time":"1999-08-22T00:00:00Z"})", Kind::Fix, LatLon},
        {"NullValues", tpv + R"("mode":3,"lat":1,"lon":2,"altMSL":null,"speed":null})", Kind::Fix, LatLon},
        {"SkyView", R"({"class":"SKY","hdop":1.1,"satellites":[)" + satellite + "," + satellite + R"(,{"PRN":0},{"PRN":28,"used":false}]})",
         Kind::Sky, GPS_VALID_SATELLITE_COUNT},
        {"SkyWithoutListKeepsTheView", R"({"class":"SKY","hdop":1.10,"uSat":8})", Kind::Other, 0},
        {"Version", R"({"class":"VERSION","release":"3.22","rev":"3.22","proto_major":3})", Kind::Other, 0},
        // The line that sent the old reader round for good.
        {"UnterminatedStringInAList", R"({"class":"DEVICES","devices":[{"class":"DEVICE","path":")", Kind::Unreadable, 0},
        {"DeepNesting", tpv + R"("mode":2,"x":)" + std::string(100000, '['), Kind::Unreadable, 0},
        {"DeepNestingClosed", tpv + R"("x":)" + std::string(50000, '[') + std::string(50000, ']') + "}", Kind::Other, 0},
        {"EndlessNumber", tpv + R"("mode":2,"lat":)" + std::string(100000, '1'), Kind::Unreadable, 0},
        {"TrailingGarbage", tpv + R"("mode":2,"lat":1,"lon":2} x)", Kind::Unreadable, 0},
        {"EscapeAtTheEnd", tpv + R"("time":"\)", Kind::Unreadable, 0},
        {"ControlCharacterInString", "{\"class\":\"TP\x01V\"}", Kind::Unreadable, 0},
        {"Garbage", "$GPGGA,030719.000,3747.0873,S,17518.8938,E,1,08", Kind::Unreadable, 0},
    };
    // clang-format on
    for (const auto& [name, line, kind, validFields] : rows) {
        const GpsdReport report = ReadGpsdReport(line);
        EXPECT_EQ(std::pair(report.kind, report.position.dwValidFields),
                  std::pair(kind, validFields))
            << name;
    }

    const GpsPosition fix = ReadGpsdReport(std::get<1>(rows[0])).position;
    EXPECT_DOUBLE_EQ(fix.dblLatitude, -37.784791667);
    EXPECT_FLOAT_EQ(fix.flSpeed, static_cast<float>(0.592 * 3600 / 1852));
    const GpsSystemTime& t = fix.stUTCTime;
    EXPECT_EQ(std::vector<int>({t.wYear, t.wMonth, t.wDay, t.wDayOfWeek, t.wHour, t.wMinute,
                                t.wSecond, t.wMilliseconds}),
              std::vector<int>({2014, 12, 31, 3, 3, 7, 20, 250}));
    const GpsPosition sky = ReadGpsdReport(std::get<1>(rows[8])).position;
    const std::uint32_t* prn = sky.rgdwSatellitesInViewPRNs;  // in view, used, PRNs, azimuth
    EXPECT_EQ(std::vector({sky.dwSatellitesInView, sky.dwSatelliteCount, prn[0], prn[1], prn[2],
                           sky.rgdwSatellitesInViewAzimuth[0]}),
              std::vector<std::uint32_t>({3, 2, 17, 17, 28, 207}));
}

TEST(BoundedLines, DropsAnOverlongLineWholeAndKeepsTheNext) {
    BoundedLines lines(16);
    std::vector<std::string> taken;
    const auto take = [&](std::string_view line) { taken.emplace_back(line); };
    lines.Feed("short\r\nthis line is far too", take);
    lines.Feed(" long for the limit\r", take);
    lines.Feed("\nnext", take);
    lines.Feed("\n", take);
    EXPECT_EQ(taken, std::vector<std::string>({"short", "next"}));
}

}  // namespace
