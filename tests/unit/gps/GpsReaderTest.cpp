#include "gps/GpsReader.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "common/LastErrorText.h"
#include "platform/sim/SimGpsDevice.h"
#include "unit/gps/ReaderFixture.h"

namespace {

struct ReaderTest : ::testing::Test {
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) {
            reader.Tick();
        }
    }

    LoggedSettings rig;
    SimGpsDevice device;
    CGpsReader reader{rig.settings, device, rig.clock};
};

TEST_F(ReaderTest, PollAndTimeOutKeepCountingAcrossSwitching) {
    reader.SwitchOn();
    Ticks(9);
    EXPECT_EQ(device.pollCount, 0);
    Ticks(5);
    EXPECT_EQ(std::pair(device.pollCount, device.lastMaximumAgeMs), std::pair(1, 120000U));
    reader.SwitchOff();
    reader.SwitchOff();
    EXPECT_EQ(device.closeCount, 1);
    Ticks(1785);
    EXPECT_EQ(rig.log, (Lines{"Включение GPS", "Отключение GPS", "Отключение GPS"}));
    reader.Tick();
    EXPECT_EQ(
        std::tuple(rig.log.back(), reader.GetStatusText(), device.pollCount),
        std::tuple("Истекло время определения координат GPS", "GPS выключен или недоступен", 1));

    reader.SwitchOn();
    Ticks(100);
    reader.SwitchOn();
    // The first poll came 6 ticks after switching on.
    EXPECT_EQ(std::tuple(rig.Logged("Включение GPS"), reader.timeoutTicks, device.pollCount),
              std::tuple(2, 1700, 1 + 10));
}

TEST_F(ReaderTest, ADeviceMissingAtSwitchOnIsOpenedLaterAtMostEveryFiveSeconds) {
    device.openResult = ECONNREFUSED;
    reader.SwitchOn();
    std::vector<int> reopenedAt;
    for (int tick = 1; tick <= 200; ++tick) {
        reader.Tick();
        if (device.openCount > 1 + static_cast<int>(reopenedAt.size())) {
            reopenedAt.push_back(tick);
        }
    }
    EXPECT_EQ(reopenedAt, (std::vector<int>{50, 100, 150, 200}));
    EXPECT_EQ(rig.Logged("Ошибка GPS. " + LastErrorText(ECONNREFUSED)), 20) << "one per poll";

    device.openResult = 0;
    device.PushFix(55.7558, 37.6173);
    Ticks(50);
    EXPECT_EQ(std::pair(device.openCount, reader.GetStatusText()),
              std::pair(6, std::string("Координаты определены")));
    Ticks(100);
    reader.SwitchOff();
    device.openResult = ECONNREFUSED;
    Ticks(100);
    EXPECT_EQ(device.openCount, 6) << "opened once, and never while switched off";
}

TEST_F(ReaderTest, AcceptsOnlyBothCoordinatesAndLogsTheFirstFixAfterAGap) {
    reader.SwitchOn();
    device.PushRecord({.dwValidFields = GPS_VALID_LATITUDE, .stUTCTime = {}});
    Ticks(10);
    EXPECT_EQ(reader.lastFixTime, 0);
    Ticks(1800);  // the search times out, polling goes on
    EXPECT_EQ(reader.GetStatusText(), "Нет сигнала GPS");
    device.PushFix(55.7558, 37.6173);
    Ticks(10);
    EXPECT_EQ(reader.lastFixTime, rig.clock.UtcSeconds());

    device.PushFix(55.0, 37.0);
    Ticks(10);
    rig.clock.AdvanceMilliseconds(1200 * 1000);
    device.PushError(ENODATA);
    Ticks(10);
    EXPECT_EQ(reader.position.dblLatitude, 55.0);  // an error keeps the last fix
    device.PushFix(56.0, 38.0);
    Ticks(10);
    EXPECT_EQ(rig.Logged("Определены координаты GPS"), 2);
}

TEST_F(ReaderTest, StatusRecencyAndReportFollowTheFixAge) {
    rig.clock.SetLocalOffset(3 * 3600);
    reader.SwitchOn();
    device.PushFix(55.7558, 37.6173);
    Ticks(10);  // fixed at 14:03:07 UTC
    const char* const obtained = "Координаты определены";
    const char* const earlier = "Координаты были определены 17:03:07 ";
    const std::tuple<const char*, std::int64_t, StatusCode, std::string> cases[] = {
        {"JustObtained", 4, StatusCode::Done, obtained},
        {"NoLongerJustObtained", 5, StatusCode::Ready, earlier},
        {"LastRecentSecond", 1199, StatusCode::Ready, earlier},
        {"TooOld", 1200, StatusCode::Failed, "Нет сигнала GPS"},
        {"ClockSetBack", -3600, StatusCode::Done, obtained},
    };
    for (const auto& [name, age, code, text] : cases) {
        rig.clock.SetUtcSeconds(reader.lastFixTime + age);
        EXPECT_EQ(std::tuple(reader.GetStatusCode(), reader.GetStatusText(), reader.IsFixRecent(),
                             reader.BuildReportText(false).empty()),
                  std::tuple(code, text, age < 1200, age >= 1200))
            << name;
    }
}

TEST_F(ReaderTest, SatelliteCountNeedsItsFlagAndNeverGoesNegative) {
    EXPECT_EQ(reader.BuildReportText(true), "");  // no fix yet
    reader.position.dwSatelliteCount = 7;
    EXPECT_EQ(reader.GetSatelliteCount(), 0);
    reader.position.dwValidFields = GPS_VALID_SATELLITE_COUNT;
    EXPECT_EQ(reader.GetSatelliteCount(), 7);
    reader.position.dwSatelliteCount = 0xFFFFFFFF;
    EXPECT_EQ(reader.GetSatelliteCount(), 0);
}

}  // namespace
