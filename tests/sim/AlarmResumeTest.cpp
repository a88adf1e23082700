#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>

#include "SeededDay.h"

namespace {

constexpr const char* kParams = "Frequency=36000\r\nAlertPressTime=1\r\nPermittedKeys=112\r\n";

std::string RecordPath(const SimWorld& world) {
    return world.SettingsFolder() + "/MZorvany/alarm.ini";
}

void RaiseAlarm(SimWorld& world) {
    HoldKey(world);
    ASSERT_EQ(world.Window().Mode(), ReportMode::Alarm);
}

TEST(AlarmResume, AnAlarmCutShortByAKillGoesOnAtTheNextStart) {
    for (const bool answeredBeforeTheKill : {false, true}) {
        SCOPED_TRACE(answeredBeforeTheKill ? "AfterTheAnswer" : "BeforeTheAnswer");
        auto world = MakeWorld(kParams);
        world->mainRoom.acknowledge = answeredBeforeTheKill;
        world->reserveRoom.acknowledge = false;
        const std::int64_t start = HoldKey(*world);
        world->Tick(190);  // 20 s into the alarm
        ASSERT_EQ(world->CountLines("Сообщение 122 передано"), answeredBeforeTheKill ? 1 : 0);
        const auto seen = [&] {
            return std::tuple(world->sound.played.size(), world->shell.popupsShown,
                              Posts(*world, MsgAlarm));
        };
        auto before = seen();  // the 122 goes again only if unanswered
        std::get<2>(before) += answeredBeforeTheKill ? 0 : 1;

        world->Restart();
        world->mainRoom.acknowledge = true;
        EXPECT_EQ(world->CountLines("Тревога возобновлена"), 1);
        EXPECT_EQ(world->Window().Mode(), ReportMode::Alarm);
        world->Tick(300);
        EXPECT_EQ(world->CountLines("Сообщение 122 передано"), 1);
        EXPECT_EQ(seen(), before) << "no new sound nor popup";
        EXPECT_GE(Received(*world, MsgIntimate), 1) << "the follow-ups go on";

        // The rest of the period, not a new one; then the record goes.
        ASSERT_TRUE(UntilIdle(*world, 9500));
        EXPECT_GE(world->Ticks() - start, 9000 - 10);
        EXPECT_LE(world->Ticks() - start, 9000 + 200);
        EXPECT_FALSE(std::filesystem::exists(RecordPath(*world)));
    }
}

// A full disk at the alarm's start, or a folder in the record's place: said once per
// alarm, and written as soon as there is room, so that a kill still resumes the alarm.
TEST(AlarmResume, ARecordThatCannotBeWrittenIsSaidAndTriedAgain) {
    auto world = MakeWorld(kParams);
    world->fileWriter.failWrites = true;
    RaiseAlarm(*world);
    world->Tick(100);
    EXPECT_EQ(world->CountLines("Запись о тревоге не сохранена"), 1);
    world->fileWriter.failWrites = false;
    world->Tick(10);
    world->Restart();
    EXPECT_EQ(world->CountLines("Тревога возобновлена"), 1);

    std::filesystem::remove(RecordPath(*world));
    std::filesystem::create_directories(RecordPath(*world) + "/inside");
    world->Restart();
    EXPECT_EQ(world->CountLines("Запись о тревоге повреждена и не удалена"), 1);
    EXPECT_EQ(world->CountLines("Запись о тревоге повреждена и удалена"), 0);
    RaiseAlarm(*world);
    EXPECT_EQ(world->CountLines("Запись о тревоге не сохранена"), 2);
}

// Between a kill (or a power-off) in an alarm and the next start: after a network time
// correction the alarm goes on for the rest of its real period (8800 ticks of it at least),
// also when the resumed record is read again; a record that cannot be resumed is removed
// and said to be; a deliberate exit ends the alarm for good.
TEST(AlarmResume, WhatCameBetweenTheKillAndTheNextStartDecidesTheResume) {
    const auto step = [](std::int64_t ms, bool reboot) {
        return [=](SimWorld& w) {
            w.Tick(50);
            w.JumpClock(ms);
            w.Tick(50);
            if (reboot) {
                w.clock.Reboot();
            }
        };
    };
    const std::string resumed = "Тревога возобновлена";
    const struct {
        const char* name;
        bool answered;
        std::function<void(SimWorld&)> before;
        std::string line;  // what the next start says
    } cases[] = {
        {"Back30s", true, step(-30'000, false), resumed},
        {"BackAnHour", true, step(-3'600'000, false), resumed},
        {"Ahead20min", true, step(1'200'000, false), resumed},
        {"Back30sAcrossAReboot", true, step(-30'000, true), resumed},
        {"BackAnHourAcrossARebootUnanswered", false, step(-3'600'000, true), resumed},
        // clang-format off
        {"PowerOffLongerThanThePeriod", true, [](SimWorld& w) { w.clock.Reboot(); w.clock.AdvanceMilliseconds(15 * 60 * 1000); },
         "Запись о тревоге устарела и удалена"},
        {"AnsweredThenClockSetBackAcrossAReboot", true, [](SimWorld& w) { w.Tick(20); w.clock.Reboot(); w.clock.StepWall(-3600 * 1000); },
         "Запись о тревоге из будущего удалена"},
        {"Garbled", true, [](SimWorld& w) { std::ofstream(RecordPath(w), std::ios::trunc) << "Started=12x\n"; },
         "Запись о тревоге повреждена и удалена"},
        {"DeliberateExit", true, [](SimWorld& w) { w.shell.answers.push_back(Shell::AnswerYes); w.Command(CmdExit); }, ""},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto world = MakeWorld(kParams);
        world->mainRoom.acknowledge = world->reserveRoom.acknowledge = c.answered;
        RaiseAlarm(*world);
        c.before(*world);
        const bool resumes = c.line == resumed;
        for (const int restarts : {1, 2}) {
            world->Restart();
            EXPECT_EQ(
                std::tuple(world->CountLines(c.line), world->CountLines(resumed),
                           world->Window().Mode(), std::filesystem::exists(RecordPath(*world))),
                resumes ? std::tuple(restarts, restarts, ReportMode::Alarm, true)
                        : std::tuple(c.line.empty() ? 0 : 1, 0, ReportMode::Idle, false));
            EXPECT_GE(world->Window().AlarmTicksLeft(), resumes ? 8800 : 0);
        }
    }
}

TEST(AlarmRecordText, ReadsBackOnlyWhatItWrites) {
    AlarmRecord::Stamp stamp{1'780'000'000, true, "0d1e-77ab", -4000};
    AlarmRecord::Stamp read;
    ASSERT_TRUE(AlarmRecord::Parse(AlarmRecord::Text(stamp), read));
    EXPECT_EQ(std::tie(read.startedUtc, read.acknowledged, read.bootId, read.startedBootMs),
              std::tie(stamp.startedUtc, stamp.acknowledged, stamp.bootId, stamp.startedBootMs));
    // A record of an earlier version, with the wall-clock start only.
    ASSERT_TRUE(AlarmRecord::Parse("Started=5\nAcknowledged=0\n", read));
    EXPECT_EQ(std::tie(read.startedUtc, read.bootId), std::tuple(5, ""));
    for (const char* bad : {"", "Started=\nAcknowledged=0\n", "Started=-5\nAcknowledged=0\n",
                            "Started=5\nAcknowledged=2\n", "Started=5\nAcknowledged=0\nmore",
                            "Started=99999999999999999999\nAcknowledged=0\n",
                            "Started=5\nAcknowledged=0\nBootId=a b\nBootStartedMs=1\n",
                            "Started=5\nAcknowledged=0\nBootId=ab\n"}) {
        EXPECT_FALSE(AlarmRecord::Parse(bad, read)) << bad;
    }
}

}  // namespace
