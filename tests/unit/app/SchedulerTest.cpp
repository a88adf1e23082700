#include <gtest/gtest.h>

#include "app/Resources.h"
#include "support/WorldHelpers.h"

namespace {

// From 600 ticks on, the GPS is switched off after each report; 1 or less reports at once.
TEST(Scheduler, IntimationsComeFrequencyTicksAfterEachReportEnds) {
    for (auto [frequency, gap] : {std::pair{600, 600}, {100, 100}, {1, 1}, {-40, 1}}) {
        auto world = MakeWorld("Frequency=" + std::to_string(frequency) + "\r\n");
        world->Tick(gap - 1);
        EXPECT_EQ(world->Window().Mode(), ModeIdle);
        world->Tick();
        EXPECT_EQ(world->Window().Mode(), ModeIntimate) << frequency;
        EXPECT_EQ(world->shell.trayIcon, IconIntimate);
        ASSERT_TRUE(world->TickUntil([&] { return world->Window().Mode() == ModeIdle; }, 3000));
        EXPECT_EQ(world->CountLines("Отключение GPS"), gap < 600 ? 0 : 1) << frequency;
        const std::int64_t ended = world->Ticks();
        ASSERT_TRUE(world->TickUntil([&] { return world->Window().Mode() != ModeIdle; }, 700));
        EXPECT_EQ(world->Ticks() - ended, gap) << frequency;
    }
}

TEST(Scheduler, TestWhileIdleLeavesTheGpsAloneAndEndsTheTickAfterTheQueueEmpties) {
    auto world = MakeWorld("Frequency=36000\r\n");
    world->Tick(5);
    world->Command(CmdTest);
    EXPECT_EQ(world->Window().Mode(), ModeIntimate);
    EXPECT_EQ(world->CountLines("Включение GPS"), 0);
    ASSERT_TRUE(world->TickUntil([&] { return world->Sender().IsQueueEmpty(); }, 3000));
    EXPECT_EQ(world->Window().Mode(), ModeIntimate);
    world->Tick();
    EXPECT_EQ(world->Window().Mode(), ModeIdle);
    EXPECT_EQ(Posts(*world, MsgIntimate), 1);
    EXPECT_EQ(world->Window().IdleTicks(), 0);
}

TEST(Scheduler, AnAlarmDuringAnIntimationQueuesBehindItAndATestKeepsTheAlarm) {
    auto world = MakeWorld("Frequency=36000\r\n");
    world->Command(CmdTest);
    world->Window().StartReport(ModeAlarm, false);
    world->Command(CmdTest);
    EXPECT_EQ(world->Window().Mode(), ModeAlarm);
    EXPECT_EQ(world->Window().AlarmTicksLeft(), 9000);
    ASSERT_TRUE(world->TickUntil([&] { return world->mainRoom.reports.size() >= 3; }, 3000));
    for (int i : {0, 1, 2}) {
        EXPECT_EQ(world->mainRoom.reports[i].fields.code, i == 1 ? MsgAlarm : MsgIntimate) << i;
    }
}

}  // namespace
