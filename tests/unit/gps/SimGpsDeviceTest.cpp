#include <gtest/gtest.h>

#include "gps/PositionText.h"
#include "platform/sim/FixedGpsDevice.h"
#include "platform/sim/SimClock.h"

namespace {

TEST(FixedGpsDevice, GivesTheTypedPlaceOnceOpenAndRefusesAnythingElse) {
    SimClock clock(UtcSecondsOf(2026, 12, 6, 14, 3, 7));
    const auto device = FixedGpsDevice::FromText("-37.8,-175.3,-12.5", clock);
    GpsPosition p;
    ASSERT_TRUE(device && device->Open() == 0 && device->GetPosition(p, 120000) == 0);
    EXPECT_EQ(ReportTextOf(p, false),
              "Long=175.300000 W\r\nLat=37.800000 S\r\nAlt=-12.500000\r\nSpeed=0.00 Km/h\r\n"
              "Dir=0.00\r\nTime=06-12-2026  14:03:07\r\n");
    for (const char* refused : {"55.7,", "91,10", "1,2,3,4"}) {
        EXPECT_EQ(FixedGpsDevice::FromText(refused, clock), nullptr) << refused;
    }
}

}  // namespace
