#include <gtest/gtest.h>

#include "gps/PositionText.h"
#include "platform/sim/FixedGpsDevice.h"
#include "platform/sim/SimClock.h"

namespace {

struct FixedTextCase {
    const char* text;
    std::string report;  // "" when the text must be refused
};

class FixedGpsDeviceTest : public ::testing::TestWithParam<FixedTextCase> {};

TEST_P(FixedGpsDeviceTest, ReportsTheGivenPlaceAtTheClocksTime) {
    SimClock clock(UtcSecondsOf(2026, 12, 6, 14, 3, 7), 3 * 3600);
    const auto device = FixedGpsDevice::FromText(GetParam().text, clock);
    ASSERT_EQ(device == nullptr, GetParam().report.empty());
    if (device) {
        GpsPosition p;
        EXPECT_NE(device->GetPosition(p, 120000), 0);
        ASSERT_EQ(device->Open(), 0);
        ASSERT_EQ(device->GetPosition(p, 120000), 0);
        EXPECT_EQ(ReportTextOf(p, false), GetParam().report);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FixedGpsDeviceTest,
    ::testing::Values(FixedTextCase{"55.7558,37.6173",
                                    "Long=37.617300 E\r\nLat=55.755800 N\r\nSpeed=0.00 "
                                    "Km/h\r\nDir=0.00\r\nTime=06-12-2026  14:03:07\r\n"},
                      FixedTextCase{"-37.8,-175.3,-12.5",
                                    "Long=175.300000 W\r\nLat=37.800000 S\r\nAlt=-12.500000\r\n"
                                    "Speed=0.00 Km/h\r\nDir=0.00\r\nTime=06-12-2026  14:03:07\r\n"},
                      FixedTextCase{"55.7,", ""}, FixedTextCase{"91,10", ""},
                      FixedTextCase{"1,2,3,4", ""}));

}  // namespace
