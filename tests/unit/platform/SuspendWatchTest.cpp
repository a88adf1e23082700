#include "platform/linux/SuspendClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct SuspendCase {
    const char* name;
    std::vector<std::int64_t> gapsMs;   // the first is read at construction
    std::vector<std::int64_t> periods;  // of 100 ms, one per later reading
};

TEST(SuspendWatch, CountsEachSuspendOnceAndCarriesTheRest) {
    const SuspendCase cases[] = {
        {"OneSecondAsleepCountsOnce", {0, 1000, 1000}, {10, 0}},
        {"ShrinkingIsNotSleep", {5, 4, 1004}, {0, 10}},
        {"PartsOfAPeriodAddUp", {0, 150, 200}, {1, 1}},
    };
    for (const SuspendCase& c : cases) {
        std::size_t next = 0;
        SuspendWatch watch([&] { return c.gapsMs.at(next++); });
        std::vector<std::int64_t> got;
        while (next < c.gapsMs.size()) {
            got.push_back(watch.TakeSuspendedPeriods(100));
        }
        EXPECT_EQ(got, c.periods) << c.name;
    }
}

}  // namespace
