#include <gtest/gtest.h>

#include <vector>

#include "app/Resources.h"
#include "app/TickPacer.h"
#include "support/WorldHelpers.h"

namespace {

// From 600 ticks on, the GPS is switched off after each report; 1 or less reports at once.
TEST(Scheduler, IntimationsComeFrequencyTicksAfterEachReportEnds) {
    const struct {
        const char* name;
        const char* frequency;
        int gap;  // ticks from the end of one report to the start of the next
        bool gpsSwitchedOff;
    } cases[] = {
        {"SwitchOffThreshold", "600", 600, true},
        {"BelowSwitchOff", "100", 100, false},
        {"EveryTick", "1", 1, false},
        {"NegativeIsEveryTick", "-40", 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto world = MakeWorld(std::string("Frequency=") + c.frequency + "\r\n");
        world->Tick(c.gap - 1);
        EXPECT_EQ(world->Window().Mode(), ReportMode::Idle);
        world->Tick();
        EXPECT_EQ(std::tuple(world->Window().Mode(), world->shell.trayIcon),
                  std::tuple(ReportMode::Intimate, IconIntimate));
        ASSERT_TRUE(
            world->TickUntil([&] { return world->Window().Mode() == ReportMode::Idle; }, 3000));
        EXPECT_EQ(world->CountLines("Отключение GPS"), c.gpsSwitchedOff ? 1 : 0);
        const std::int64_t ended = world->Ticks();
        ASSERT_TRUE(
            world->TickUntil([&] { return world->Window().Mode() != ReportMode::Idle; }, 700));
        EXPECT_EQ(world->Ticks() - ended, c.gap);
    }
}

TEST(Scheduler, TestWhileIdleLeavesTheGpsAloneAndEndsTheTickAfterTheQueueEmpties) {
    auto world = MakeWorld("Frequency=36000\r\n");
    world->Tick(5);
    world->Command(CmdTest);
    EXPECT_EQ(world->Window().Mode(), ReportMode::Intimate);
    EXPECT_EQ(world->CountLines("Включение GPS"), 0);
    ASSERT_TRUE(world->TickUntil([&] { return world->Sender().IsQueueEmpty(); }, 3000));
    EXPECT_EQ(world->Window().Mode(), ReportMode::Intimate);
    world->Tick();
    EXPECT_EQ(world->Window().Mode(), ReportMode::Idle);
    EXPECT_EQ(Posts(*world, MsgIntimate), 1);
    EXPECT_EQ(world->Window().IdleTicks(), 0);
}

TEST(Scheduler, AnAlarmDuringAnIntimationGoesFirstAndASecondTestWaitsForNone) {
    auto world = MakeWorld("Frequency=36000\r\n");
    world->Command(CmdTest);
    world->Window().StartReport(ReportMode::Alarm, false);
    world->Command(CmdTest);
    EXPECT_EQ(Posts(*world, MsgIntimate), 1) << "the first test still waits";
    EXPECT_EQ(world->Window().Mode(), ReportMode::Alarm);
    EXPECT_EQ(world->Window().AlarmTicksLeft(), 9000);
    ASSERT_TRUE(world->TickUntil([&] { return world->mainRoom.reports.size() >= 3; }, 3000));
    for (int i : {0, 1, 2}) {
        EXPECT_EQ(world->mainRoom.reports[i].fields.code, i == 0 ? MsgAlarm : MsgIntimate) << i;
    }
    ASSERT_TRUE(world->TickUntil([&] { return world->Window().Mode() == ReportMode::Idle; }, 9500));
    EXPECT_EQ(world->CountLines("Отключение GPS"), 1) << "the end of the alarm switches it off";
}

// One loop turn: the tick fired (or something else woke the loop) at atMs.
struct Wake {
    std::int64_t atMs;
    bool tickFired;
    std::int32_t quietAfter;  // what the core says once the wake is handled
    std::int32_t caughtUp;    // quiet ticks counted as run at the wake
};

TEST(TickPacer, CatchesUpQuietTicksCountsMissedOnesAndKeepsTheSchedule) {
    // clang-format off
    const struct {
        const char* name;
        std::vector<Wake> wakes;
        std::int64_t missed;      // ticks that never ran, over all wakes
        std::int64_t nextTickMs;  // after the last wake
    } cases[] = {
        {"plain_ticks_stay_on_the_grid", {{100, true, 0, 0}, {203, true, 0, 0}}, 0, 300},
        {"long_sleep_ends_on_the_first_busy_tick", {{100, true, 50, 0}, {5200, true, 0, 50}}, 0, 5300},
        {"a_key_halfway_skips_what_passed", {{100, true, 50, 0}, {2150, false, 0, 20}}, 0, 2200},
        {"a_command_that_makes_work_wakes_the_next_tick", {{100, true, 50, 0}, {2150, false, 0, 20}, {2200, true, 0, 0}}, 0, 2300},
        {"never_more_than_said_quiet", {{100, true, 5, 0}, {9000, false, 0, 5}}, 83, 9000},
        {"missed_periods_count_and_the_grid_holds", {{100, true, 0, 0}, {450, true, 0, 0}}, 2, 500},
        {"stopped_for_20_s_between_busy_ticks", {{100, true, 0, 0}, {20150, true, 0, 0}}, 199, 20200},
        {"stopped_during_quiet_ticks", {{100, true, 50, 0}, {20150, true, 0, 50}}, 149, 20200},
    };
    // clang-format on
    for (const auto& row : cases) {
        TickPacer pacer(100);
        std::int64_t missed = 0;
        for (std::size_t i = 0; i < row.wakes.size(); ++i) {
            const Wake& wake = row.wakes[i];
            EXPECT_EQ(pacer.CatchUp(wake.atMs), wake.caughtUp) << row.name << " wake " << i;
            missed += pacer.TakeMissed(wake.atMs);
            if (wake.tickFired) {
                pacer.Ticked(wake.atMs);
            }
            pacer.SetQuiet(wake.quietAfter);
        }
        EXPECT_EQ(missed, row.missed) << row.name;
        EXPECT_EQ(pacer.NextTickMs(), row.nextTickMs) << row.name;
    }
}

}  // namespace
