#include "platform/linux/SuspendClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Ms = std::vector<std::int64_t>;

// Suspended ms at each reading (the first at construction); 100 ms periods taken at the rest.
TEST(SuspendWatch, CountsEachSuspendOnceAndCarriesTheRest) {
    const std::tuple<const char*, Ms, Ms> cases[] = {
        {"OneSecondAsleepCountsOnce", {0, 1000, 1000}, {10, 0}},
        {"ShrinkingIsNotSleep", {5, 4, 1004}, {0, 10}},
        {"PartsOfAPeriodAddUp", {0, 150, 200}, {1, 1}},
    };
    for (const auto& [name, gapsMs, periods] : cases) {
        std::size_t next = 0;
        SuspendWatch watch([&] { return gapsMs.at(next++); });
        Ms got;
        while (next < gapsMs.size()) {
            got.push_back(watch.TakeSuspendedPeriods(100));
        }
        EXPECT_EQ(got, periods) << name;
    }
}

}  // namespace
