#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <set>
#include <thread>

#include "common/LastErrorText.h"
#include "gps/GpsReader.h"
#include "platform/linux/GpsdDevice.h"
#include "support/GpsdOnPty.h"
#include "support/LoopbackListener.h"
#include "unit/gps/ReaderFixture.h"

namespace {

std::vector<std::string> Capture(const std::string& name) {
    return CaptureLines(std::string(MZ_TESTDATA_DIR) + "/nmea/" + name);
}

std::optional<double> NumberAfter(const std::string& line, const std::string& key) {
    const std::size_t at = line.find("\"" + key + "\":");
    return at == std::string::npos
               ? std::nullopt
               : std::optional(std::strtod(line.c_str() + at + key.size() + 3, nullptr));
}

// The Long= and Lat= lines of each 2D or 3D fix gpsd itself decoded from a capture. Its
// altitude and time reach the report through the same reading of gpsd's JSON, which the
// unit tests check.
std::vector<std::string> CheckedFixes(const std::string& name) {
    std::vector<std::string> fixes;
    for (const std::string& line : Capture(name + ".chk")) {
        const auto mode = NumberAfter(line, "mode"), lat = NumberAfter(line, "lat"),
                   lon = NumberAfter(line, "lon");
        if (line.find("\"TPV\"") != std::string::npos && mode && *mode >= 2 && lat && lon) {
            char text[128];
            std::snprintf(text, sizeof text, "Long=%f %c\r\nLat=%f %c\r\n", std::abs(*lon),
                          *lon >= 0 ? 'E' : 'W', std::abs(*lat), *lat >= 0 ? 'N' : 'S');
            fixes.emplace_back(text);
        }
    }
    return fixes;
}

// The Long= and Lat= lines, which lead a report whenever there is a position.
std::string CoordinateLines(const std::string& report) {
    const std::size_t lat = report.find("Lat=");
    return lat == std::string::npos ? "" : report.substr(0, report.find("\r\n", lat) + 2);
}

struct ReplayCase {
    const char* name;
    const char* capture;
};

void PrintTo(const ReplayCase& c, std::ostream* out) {  // the test's name in ctest
    *out << c.capture;
}

class GpsdReplayTest : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(GpsdReplayTest, ReportsWhatGpsdDecodedUntilGpsdGoesAway) {
    const std::vector<std::string> sentences = Capture(GetParam().capture);
    const std::vector<std::string> fixes = CheckedFixes(GetParam().capture);
    ASSERT_FALSE(fixes.empty());
    const std::set<std::string> decoded(fixes.begin(), fixes.end());
    if (const std::string missing = GpsdOnPty::MissingPrograms(); !missing.empty()) {
        GTEST_SKIP() << "replay through a real gpsd skipped: " << missing;
    }
    GpsdOnPty gpsd;
    ASSERT_EQ(gpsd.Start(), "");
    LoggedSettings rig;
    GpsdDevice device("localhost", gpsd.Port());
    CGpsReader reader(rig.settings, device, rig.clock);
    auto poll = [&] {  // ten ticks, a second of simulated time
        for (int i = 0; i < 10; ++i) {
            rig.clock.AdvanceMilliseconds(100);
            reader.Tick();
        }
        return reader.BuildReportText(true);
    };
    reader.SwitchOn();
    ASSERT_EQ(rig.log, std::vector<std::string>{"Включение GPS"});

    auto check = [&](const std::string& report) {
        EXPECT_TRUE(report.empty() || decoded.count(CoordinateLines(report)))
            << "gpsd never decoded:\n" + report;
        EXPECT_LE(std::count(report.begin(), report.end(), '\n'), 6 + 12);
    };
    for (auto sent = sentences.begin(); sent != sentences.end();) {
        const auto next = sent + std::min<std::ptrdiff_t>(8, sentences.end() - sent);
        ASSERT_TRUE(gpsd.Send({sent, next}));
        sent = next;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        check(poll());
    }
    EXPECT_TRUE(WaitFor([&] {
        check(poll());
        return CoordinateLines(reader.BuildReportText(false)) == fixes.back();
    })) << fixes.back()
        << "is gpsd's last fix, the report:\n"
        << reader.BuildReportText(false);
    EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), "Определены координаты GPS"), 1);

    GpsPosition stale;
    EXPECT_EQ(device.GetPosition(stale, 0), 0);
    EXPECT_EQ(stale.dwValidFields & (GPS_VALID_LATITUDE | GPS_VALID_SATELLITE_COUNT), 0U);

    gpsd.StopGpsd();
    poll();
    EXPECT_EQ(rig.log.back(), "Ошибка GPS. " + LastErrorText(ECONNRESET));
    reader.SwitchOff();
    reader.SwitchOn();
    EXPECT_EQ(rig.log.back(), "Не удалось включить GPS. " + LastErrorText(ECONNREFUSED));
    EXPECT_TRUE(reader.IsFixRecent());
}

// A gpsd stand-in on loopback: lines a peer may send that no reader can be trusted with,
// and a fix that must age through a suspend the monotonic clock does not see.
TEST(GpsdPeer, HostileLinesAreReadPastAndFixesAgeOnTheBootClock) {
    using namespace std::chrono_literals;
    LoopbackListener server;
    std::chrono::nanoseconds bootTime = 1000s;
    GpsdDevice device("127.0.0.1", server.Port(), [&] { return bootTime; });
    ASSERT_EQ(device.Open(), 0);
    ASSERT_TRUE(server.Accept(5s));
    EXPECT_EQ(server.ReadLine(5s), "?WATCH={\"enable\":true,\"json\":true}\n");
    const std::string fix = R"({"class":"TPV","mode":2,"lat":55.75,"lon":37.62})";
    ASSERT_TRUE(server.Send(R"({"class":"DEVICES","devices":[{"class":"DEVICE","path":")"
                            "\r\n" +
                            std::string(100000, '[') + "\n" + fix + std::string(20000, ' ') + "\n" +
                            fix + "\r\n"));
    GpsPosition position;
    EXPECT_TRUE(WaitFor([&] {
        return device.GetPosition(position, CGpsReader::MaximumAgeMs) == 0 &&
               position.dwValidFields == (GPS_VALID_LATITUDE | GPS_VALID_LONGITUDE);
    }));
    EXPECT_EQ(position.dblLatitude, 55.75);
    bootTime += std::chrono::milliseconds(CGpsReader::MaximumAgeMs + 1);
    EXPECT_EQ(device.GetPosition(position, CGpsReader::MaximumAgeMs), 0);
    EXPECT_EQ(position.dwValidFields, 0U);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Captures, GpsdReplayTest, ::testing::ValuesIn(std::vector<ReplayCase>{
    {"StartsWithoutFix", "quectel-eg25-g.log"}, {"SouthEast", "bu353s4.log"},
    {"West", "garmin15x.log"}, {"Fuzzy", "nmea-fuzzy-cases.log"}, {"RolloverDate", "april6_2019.log"}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

}  // namespace
