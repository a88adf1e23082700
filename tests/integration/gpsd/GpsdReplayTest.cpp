#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>
#include <thread>

#include "gps/GpsReader.h"
#include "integration/gpsd/GpsdHarness.h"
#include "integration/gpsd/NmeaCapture.h"
#include "platform/linux/GpsdDevice.h"
#include "unit/gps/ReaderFixture.h"

namespace {

using Lines = std::pair<std::string, std::string>;

// The Long= and Lat= lines the report carries for a position.
Lines ReportLines(double latitude, double longitude) {
    char longText[64];
    char latText[64];
    std::snprintf(longText, sizeof longText, "Long=%f %c\r\n", std::abs(longitude),
                  longitude >= 0 ? 'E' : 'W');
    std::snprintf(latText, sizeof latText, "Lat=%f %c\r\n", std::abs(latitude),
                  latitude >= 0 ? 'N' : 'S');
    return {longText, latText};
}

Lines FirstTwoLines(const std::string& report) {
    const std::size_t first = report.find("\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t second = report.find("\r\n", first + 2);
    if (second == std::string::npos) {
        return {};
    }
    return {report.substr(0, first + 2), report.substr(first + 2, second - first)};
}

// Whether a sentence carries a position the receiver vouches for.
bool HasFix(const std::string& sentence) {
    if (sentence.size() < 6) {
        return false;
    }
    const std::string type = sentence.substr(3, 3);
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start <= sentence.size()) {
        const std::size_t end = std::min(sentence.find(',', start), sentence.size());
        fields.push_back(sentence.substr(start, end - start));
        start = end + 1;
    }
    if (type == "GGA") {
        return fields.size() > 6 && !fields[2].empty() && !fields[6].empty() && fields[6] != "0";
    }
    if (type == "RMC") {
        return fields.size() > 3 && fields[2] == "A" && !fields[3].empty();
    }
    return false;
}

// Whether a report shows the altitude of a fix the way gpsd decoded it, and a UTC time
// only with a plausible year. Receivers with rollover faults get their dates mended or
// broken differently by each gpsd version, so only the time of day is compared.
bool ShowsAltitudeAndTime(const std::string& report, const CheckedFix& fix) {
    if (fix.altitude) {
        char alt[64];
        std::snprintf(alt, sizeof alt, "Alt=%f\r\n",
                      static_cast<double>(static_cast<float>(*fix.altitude)));
        if (report.find(alt) == std::string::npos) {
            return false;
        }
    }
    const std::size_t at = report.find("Time=");
    if (at == std::string::npos) {
        return true;
    }
    const std::string line = report.substr(at, report.find("\r\n", at) - at);
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    gmtime_r(&now, &today);
    const int year = std::atoi(line.substr(11, 4).c_str());
    if (line.size() != 25 || year < 2000 || year > today.tm_year + 1900 + 1) {
        return false;
    }
    return fix.time.size() < 19 || line.substr(17, 8) == fix.time.substr(11, 8);
}

struct ReplayCase {
    const char* capture;
    bool startsWithoutFix;
};

class GpsdReplayTest : public ::testing::TestWithParam<ReplayCase> {
protected:
    void SetUp() override {
        const std::string missing = GpsdHarness::MissingPrograms();
        if (!missing.empty()) {
            GTEST_SKIP() << "replay through a real gpsd skipped: " << missing;
        }
        const std::string failure = gpsd.Start();
        ASSERT_EQ(failure, "");
        device = std::make_unique<GpsdDevice>("localhost", gpsd.Port());
        reader = std::make_unique<CGpsReader>(rig.settings, *device, rig.clock);
    }
    void TearDown() override {
        reader.reset();
        device.reset();
        gpsd.Stop();
    }

    // One poll of the reader: ten ticks, a second of the device's time.
    std::string Poll() {
        for (int i = 0; i < 10; ++i) {
            rig.clock.AdvanceMilliseconds(100);
            reader->Tick();
        }
        return reader->BuildReportText(false);
    }

    int CountLog(const std::string& line) const {
        return static_cast<int>(std::count(rig.log.begin(), rig.log.end(), line));
    }

    GpsdHarness gpsd;
    LoggedSettings rig;
    std::unique_ptr<GpsdDevice> device;
    std::unique_ptr<CGpsReader> reader;
};

TEST_P(GpsdReplayTest, AcceptsOnlyPositionsGpsdDecodedAndEndsOnTheLastOne) {
    const std::vector<std::string> sentences = CaptureSentences(GetParam().capture);
    const std::vector<CheckedFix> fixes = CheckedFixes(GetParam().capture);
    ASSERT_FALSE(sentences.empty());
    ASSERT_FALSE(fixes.empty());
    std::set<Lines> decoded;
    for (const CheckedFix& fix : fixes) {
        decoded.insert(ReportLines(fix.latitude, fix.longitude));
    }

    reader->SwitchOn();
    ASSERT_EQ(CountLog("Включение GPS"), 1);
    ASSERT_EQ(rig.log.size(), 1U) << rig.log.back();

    const auto firstFix = std::find_if(sentences.begin(), sentences.end(), HasFix);
    ASSERT_NE(firstFix, sentences.end());
    if (GetParam().startsWithoutFix) {
        ASSERT_TRUE(gpsd.Send({sentences.begin(), firstFix}));
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(Poll(), "");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(reader->GetStatusCode(), 1);
        EXPECT_EQ(CountLog("Определены координаты GPS"), 0);
    }

    std::size_t sent = GetParam().startsWithoutFix ? firstFix - sentences.begin() : 0;
    std::set<Lines> accepted;
    auto check = [&](const std::string& report) {
        if (!report.empty()) {
            const Lines lines = FirstTwoLines(report);
            EXPECT_TRUE(decoded.count(lines)) << "gpsd never decoded:\n" << report;
            accepted.insert(lines);
        }
    };
    while (sent < sentences.size()) {
        const std::size_t batch = std::min<std::size_t>(8, sentences.size() - sent);
        ASSERT_TRUE(gpsd.Send({sentences.begin() + sent, sentences.begin() + sent + batch}));
        sent += batch;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        check(Poll());
    }
    const CheckedFix& lastFix = fixes.back();
    const Lines last = ReportLines(lastFix.latitude, lastFix.longitude);
    auto showsLastFix = [&] {
        const std::string report = reader->BuildReportText(false);
        return FirstTwoLines(report) == last && ShowsAltitudeAndTime(report, lastFix);
    };
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!showsLastFix() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        check(Poll());
    }
    EXPECT_TRUE(showsLastFix()) << "gpsd's last fix: " << last.first << last.second << "alt "
                                << lastFix.altitude.value_or(0) << " time " << lastFix.time
                                << "\nthe report:\n"
                                << reader->BuildReportText(false);
    EXPECT_EQ(CountLog("Определены координаты GPS"), 1);
    EXPECT_EQ(CountLog("Ошибка GPS. " + std::string("Connection reset by peer")), 0);
    std::printf("%s: %zu sentences, %zu positions accepted of %zu decoded\n", GetParam().capture,
                sentences.size(), accepted.size(), decoded.size());
}

INSTANTIATE_TEST_SUITE_P(Captures, GpsdReplayTest,
                         ::testing::Values(ReplayCase{"quectel-eg25-g.log", true},
                                           ReplayCase{"bu353s4.log", false},
                                           ReplayCase{"garmin15x.log", false},
                                           ReplayCase{"nmea-fuzzy-cases.log", false},
                                           ReplayCase{"april6_2019.log", true}),
                         [](const auto& info) {
                             std::string name = info.param.capture;
                             name = name.substr(0, name.find('.'));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
