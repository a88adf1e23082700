#include "gps/GpsReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "common/LastErrorText.h"
#include "platform/sim/SimGpsDevice.h"
#include "unit/gps/ReaderFixture.h"

namespace {

struct ReaderTest : ::testing::Test {
    LoggedSettings rig;
    SimGpsDevice device;
    CGpsReader reader{rig.settings, device, rig.clock};

    void Ticks(int count) {
        for (int i = 0; i < count; ++i) {
            reader.Tick();
        }
    }
    // Runs ticks until the next poll has been made.
    void Poll() {
        const int polls = device.pollCount;
        for (int i = 0; i < 10 && device.pollCount == polls; ++i) {
            reader.Tick();
        }
        ASSERT_EQ(device.pollCount, polls + 1);
    }
    int Logged(const std::string& line) const {
        return static_cast<int>(std::count(rig.log.begin(), rig.log.end(), line));
    }
};

TEST_F(ReaderTest, PollAndTimeOutKeepCountingAcrossSwitching) {
    reader.SwitchOn();
    EXPECT_EQ(rig.TakeLog(), std::vector<std::string>{"Включение GPS"});
    EXPECT_EQ(reader.timeoutTicks, 1800);
    Ticks(9);
    EXPECT_EQ(device.pollCount, 0);
    reader.Tick();
    EXPECT_EQ(device.pollCount, 1);
    EXPECT_EQ(device.lastMaximumAgeMs, 120000U);

    Ticks(4);
    reader.SwitchOff();
    EXPECT_EQ(device.closeCount, 1);
    reader.SwitchOff();
    EXPECT_EQ(rig.TakeLog(), (std::vector<std::string>{"Отключение GPS", "Отключение GPS"}));
    EXPECT_EQ(device.closeCount, 1);
    Ticks(1785);
    EXPECT_EQ(reader.timeoutTicks, 1);
    EXPECT_TRUE(rig.log.empty());
    reader.Tick();
    EXPECT_EQ(rig.TakeLog(), std::vector<std::string>{"Истекло время определения координат GPS"});
    EXPECT_EQ(reader.GetStatusCode(), 0);
    EXPECT_EQ(reader.GetStatusText(), "GPS выключен или недоступен");
    EXPECT_EQ(device.pollCount, 1);

    reader.SwitchOn();
    Ticks(100);
    reader.SwitchOn();
    EXPECT_EQ(rig.TakeLog(), std::vector<std::string>{"Включение GPS"});
    EXPECT_EQ(reader.timeoutTicks, 1700);
    EXPECT_EQ(device.pollCount, 1 + 10);  // the first poll came 6 ticks after switching on
    EXPECT_EQ(device.openCount, 2);
}

TEST_F(ReaderTest, AcceptsOnlyBothCoordinatesAndLogsTheFirstFixAfterAGap) {
    reader.SwitchOn();
    GpsPosition latitudeOnly;
    latitudeOnly.dwValidFields = GPS_VALID_LATITUDE;
    device.PushRecord(latitudeOnly);
    Poll();
    EXPECT_EQ(reader.GetStatusCode(), 1);
    EXPECT_EQ(reader.lastFixTime, 0);

    Ticks(1800);  // the search times out, polling goes on
    EXPECT_EQ(Logged("Истекло время определения координат GPS"), 1);
    EXPECT_EQ(reader.GetStatusText(), "Нет сигнала GPS");
    device.PushFix(55.7558, 37.6173);
    Poll();
    EXPECT_EQ(reader.GetState(), GpsHasFix);
    EXPECT_EQ(reader.lastFixTime, rig.clock.UtcSeconds());
    EXPECT_EQ(reader.position.dblLatitude, 55.7558);

    device.PushFix(55.0, 37.0);
    Poll();
    rig.clock.AdvanceMilliseconds(1200 * 1000);
    device.PushError(ENODATA);
    Poll();
    EXPECT_EQ(reader.position.dblLatitude, 55.0);
    device.PushFix(56.0, 38.0);
    Poll();
    EXPECT_EQ(Logged("Определены координаты GPS"), 2);
    EXPECT_EQ(Logged("Ошибка GPS. " + LastErrorText(ENODATA)), 1);

    reader.SwitchOff();
    reader.SwitchOn();
    EXPECT_EQ(reader.GetStatusCode(), 1);
    device.PushFix(56.0, 38.0);
    Poll();
    EXPECT_EQ(Logged("Определены координаты GPS"), 3);
    EXPECT_EQ(reader.timeoutTicks, 0);
}

TEST_F(ReaderTest, DeviceThatWillNotOpenFailsEveryPollWithItsReason) {
    device.openResult = ECONNREFUSED;
    reader.SwitchOn();
    Ticks(20);
    const std::string reason = LastErrorText(ECONNREFUSED);
    EXPECT_EQ(rig.TakeLog(),
              (std::vector<std::string>{"Включение GPS", "Не удалось включить GPS. " + reason,
                                        "Ошибка GPS. " + reason, "Ошибка GPS. " + reason}));
    EXPECT_EQ(reader.GetStatusCode(), 1);
    EXPECT_EQ(device.pollCount, 0);
    reader.SwitchOff();
    EXPECT_EQ(device.closeCount, 0);
}

TEST_F(ReaderTest, DestructionSwitchesOffAndClosesTheDevice) {
    auto own = std::make_unique<CGpsReader>(rig.settings, device, rig.clock);
    own->SwitchOn();
    own.reset();
    EXPECT_EQ(rig.log.back(), "Отключение GPS");
    EXPECT_FALSE(device.isOpen);
}

struct AgeCase {
    std::int64_t age;
    int code;
    std::string text;
};

class StatusByAgeTest : public ReaderTest, public ::testing::WithParamInterface<AgeCase> {};

TEST_P(StatusByAgeTest, StatusRecencyAndReportFollowTheAge) {
    rig.clock.SetLocalOffset(3 * 3600);
    reader.SwitchOn();
    device.PushFix(55.7558, 37.6173);
    Poll();  // fixed at 14:03:07 UTC
    rig.clock.SetUtcSeconds(reader.lastFixTime + GetParam().age);
    EXPECT_EQ(reader.GetStatusCode(), GetParam().code);
    EXPECT_EQ(reader.GetStatusText(), GetParam().text);
    EXPECT_EQ(reader.IsFixRecent(), GetParam().age < 1200);
    EXPECT_EQ(reader.BuildReportText(false).empty(), GetParam().age >= 1200);
}

INSTANTIATE_TEST_SUITE_P(Ages, StatusByAgeTest,
                         ::testing::Values(AgeCase{4, 2, "Координаты определены"},
                                           AgeCase{5, 3, "Координаты были определены 17:03:07 "},
                                           AgeCase{1199, 3, "Координаты были определены 17:03:07 "},
                                           AgeCase{1200, 4, "Нет сигнала GPS"},
                                           AgeCase{-3600, 2, "Координаты определены"}));

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
