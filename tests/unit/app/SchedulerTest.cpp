#include <gtest/gtest.h>

#include "app/Resources.h"
#include "support/WorldHelpers.h"

namespace {

struct FrequencyCase {
    const char* name;
    const char* frequency;
    int gap;  // ticks from the end of one report to the start of the next
    bool gpsSwitchedOff;
};

// From 600 ticks on, the GPS is switched off after each report; 1 or less reports at once.
TEST(Scheduler, IntimationsComeFrequencyTicksAfterEachReportEnds) {
    const FrequencyCase cases[] = {
        {"SwitchOffThreshold", "600", 600, true},
        {"BelowSwitchOff", "100", 100, false},
        {"EveryTick", "1", 1, false},
        {"NegativeIsEveryTick", "-40", 1, false},
    };
    for (const FrequencyCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto world = MakeWorld(std::string("Frequency=") + c.frequency + "\r\n");
        world->Tick(c.gap - 1);
        EXPECT_EQ(world->Window().Mode(), ReportMode::Idle);
        world->Tick();
        EXPECT_EQ(world->Window().Mode(), ReportMode::Intimate);
        EXPECT_EQ(world->shell.trayIcon, IconIntimate);
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

}  // namespace
