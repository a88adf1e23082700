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
    struct Case {
        const char* name;
        bool answeredBeforeTheKill;
    };
    for (const Case& c : {Case{"BeforeTheAnswer", false}, Case{"AfterTheAnswer", true}}) {
        SCOPED_TRACE(c.name);
        auto world = MakeWorld(kParams);
        world->mainRoom.acknowledge = c.answeredBeforeTheKill;
        world->reserveRoom.acknowledge = false;
        const std::int64_t start = HoldKey(*world);
        world->Tick(190);  // 20 s into the alarm
        ASSERT_EQ(world->CountLines("Сообщение 122 передано"), c.answeredBeforeTheKill ? 1 : 0);
        const auto seen = [&] {
            return std::tuple(world->sound.played.size(), world->shell.popupsShown,
                              Posts(*world, MsgAlarm));
        };
        auto before = seen();  // the 122 goes again only if unanswered
        std::get<2>(before) += c.answeredBeforeTheKill ? 0 : 1;

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

// Nor is one left by a deliberate exit, which ends the alarm for good.
TEST(AlarmResume, ARecordThatCannotBeResumedIsRemovedAndLogged) {
    struct Case {
        const char* name;
        std::function<void(SimWorld&)> before;  // between the kill and the next start
        const char* line;                       // null: nothing said
    };
    // clang-format off
    const Case cases[] = {
        {"PowerOffLongerThanThePeriod", [](SimWorld& w) { w.clock.Reboot(); w.clock.AdvanceMilliseconds(15 * 60 * 1000); },
         "Запись о тревоге устарела и удалена"},
        {"AnsweredThenClockSetBackAcrossAReboot", [](SimWorld& w) { w.Tick(20); w.clock.Reboot(); w.clock.StepWall(-3600 * 1000); },
         "Запись о тревоге из будущего удалена"},
        {"Garbled", [](SimWorld& w) { std::ofstream(RecordPath(w), std::ios::trunc) << "Started=12x\n"; },
         "Запись о тревоге повреждена и удалена"},
        {"DeliberateExit", [](SimWorld& w) { w.shell.answers.push_back(Shell::AnswerYes); w.Command(CmdExit); }, nullptr},
    };
    // clang-format on
    for (const Case& c : cases) {
        auto world = MakeWorld(kParams);
        RaiseAlarm(*world);
        c.before(*world);
        world->Restart();
        if (c.line != nullptr) {
            EXPECT_EQ(world->CountLines(c.line), 1) << c.name;
        }
        EXPECT_EQ(world->CountLines("Тревога возобновлена"), 0) << c.name;
        EXPECT_EQ(world->Window().Mode(), ReportMode::Idle) << c.name;
        EXPECT_FALSE(std::filesystem::exists(RecordPath(*world))) << c.name;
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

// A network time correction, then a kill (or a reboot): the alarm goes on for the rest
// of its real period (8800 ticks of it at least), also when the resumed record is read again.
TEST(AlarmResume, AClockStepDuringTheAlarmDoesNotLoseIt) {
    struct Case {
        const char* name;
        std::int64_t stepMs;
        bool reboot, answered;
    };
    const Case cases[] = {
        {"Back30s", -30'000, false, true},
        {"BackAnHour", -3'600'000, false, true},
        {"Ahead20min", 1'200'000, false, true},
        {"Back30sAcrossAReboot", -30'000, true, true},
        {"BackAnHourAcrossARebootUnanswered", -3'600'000, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto world = MakeWorld(kParams);
        world->mainRoom.acknowledge = world->reserveRoom.acknowledge = c.answered;
        RaiseAlarm(*world);
        world->Tick(50);
        world->JumpClock(c.stepMs);
        world->Tick(50);
        if (c.reboot) {
            world->clock.Reboot();
        }
        for (const int restarts : {1, 2}) {
            world->Restart();
            EXPECT_EQ(world->CountLines("Тревога возобновлена"), restarts);
            EXPECT_GE(world->Window().AlarmTicksLeft(), 8800);
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
