#include <gtest/gtest.h>

#include <vector>

#include "SeededDay.h"

// A phone suspends with its screen off: the wait for the next report and the alarm period
// go on counting real time while it sleeps; nothing runs until it wakes.
namespace {

// Ticks until a new report or alarm message is posted; the wall time of that post in ms.
std::int64_t NextPostMs(SimWorld& world, std::int64_t limit) {
    const std::size_t lines = world.log.size();
    auto posted = [&] {
        return std::any_of(world.log.begin() + lines, world.log.end(), [](const auto& line) {
            return line.starts_with("Начало передачи сообщения");
        });
    };
    return world.TickUntil(posted, limit) ? world.clock.UtcMilliseconds() : -1;
}

TEST(Suspend, TheNextReportIsDueAfterItsRealTime) {
    const struct {
        const char* name;
        std::int64_t awakeBeforeMs;  // after the last report began, before the suspend
        std::int64_t asleepMs;
        bool pastDue;  // the report fell due while asleep
    } cases[] = {
        {"half_an_hour_asleep_within_the_hour", 600'000, 1'800'000, false},
        {"asleep_right_after_the_report", 3'000, 3'000'000, false},
        {"asleep_until_one_tick_before_due", 3'000, 3'598'400, false},
        // Past the due time the report goes on the first tick awake, once.
        {"asleep_for_two_hours", 600'000, 7'200'000, true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        // The wall times of the wake and of the second report, the time asleep slept or
        // spent awake.
        const auto run = [&](bool suspend) {
            auto world = MakeWorld("Frequency=36000\r\n");
            EXPECT_GE(NextPostMs(*world, 40000), 0);
            world->Tick(row.awakeBeforeMs / 100);
            suspend ? world->Suspend(row.asleepMs) : world->Tick(row.asleepMs / 100);
            const std::int64_t woke = world->clock.UtcMilliseconds();
            const std::int64_t second = NextPostMs(*world, 80000);
            if (suspend) {
                EXPECT_EQ(Posts(*world, MsgIntimate), 2);
            }
            return std::pair(woke, second);
        };
        const auto [woke, asleep] = run(true);
        ASSERT_GE(asleep, 0);
        EXPECT_EQ(asleep, row.pastDue ? woke + 100 : run(false).second);
    }
}

// The phone's idle suspend every 30 s through a whole alarm, past the block lock (older
// logind lets the user's own suspend through). Nothing runs while it sleeps, so the control
// room answers only while it is awake; the tracker's wake alarms and its delay of the
// sleep bring the 122 and every follow-up in, late by the wake-up latency at most.
TEST(Suspend, AnAlarmKeepsItsPaceThroughIdleSuspends) {
    constexpr std::int64_t latencyMs = 1000;
    auto world = MakeWorld("Frequency=36000\r\nAlertPressTime=1\r\n");
    world->PressKey(112);
    ASSERT_TRUE(world->TickUntil([&] { return world->Window().Mode() == ReportMode::Alarm; }, 20));
    world->ReleaseKey(112);
    const std::int64_t start = world->clock.UtcMilliseconds();
    std::vector<std::int64_t> followUps;  // when each reached the control room
    std::int64_t ended = 0;
    world->afterTick = [&] {
        if (ended == 0 && world->Window().Mode() != ReportMode::Alarm) {
            ended = world->clock.UtcMilliseconds();
        }
        for (std::size_t i = followUps.size() + 1; i < world->mainRoom.reports.size(); ++i) {
            followUps.push_back(world->clock.UtcMilliseconds());
        }
    };
    std::int64_t asleep = 0;
    while (world->Window().Mode() == ReportMode::Alarm &&
           world->clock.UtcMilliseconds() - start < 1'200'000) {
        world->Tick(300);
        asleep += world->IdleSuspend(600'000, latencyMs);
    }
    EXPECT_GT(asleep, 300'000);
    EXPECT_EQ(world->mainRoom.reports.at(0).fields.code, MsgAlarm);
    EXPECT_EQ(world->CountLines("Сообщение 122 передано"), 1);
    ASSERT_GE(followUps.size(), 50u);
    for (std::size_t i = 1; i < followUps.size(); ++i) {
        EXPECT_LE(followUps[i] - followUps[i - 1], 15'000 + latencyMs + 300) << i;
    }
    // The round whose hold timer starts the alarm also counts its first tick, as awake.
    EXPECT_GE(ended - start, 900'000 - 100);
    EXPECT_LE(ended - start, 900'000 + latencyMs);
}

}  // namespace
