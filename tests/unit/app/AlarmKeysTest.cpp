#include "app/AlarmKeys.h"

#include <gtest/gtest.h>

#include "app/Resources.h"
#include "platform/sim/SimListBox.h"
#include "support/WorldHelpers.h"

namespace {

struct PermittedTextCase {
    const char* name;
    const char* in;
    bool loaded;       // what LoadPermitted answers
    const char* text;  // what PermittedText gives back
};

// Each text loads to the set that PermittedText gives back, and that text loads the same.
TEST(AlarmKeysText, LoadPermittedSkipsCodesOutsideTheTableAndRoundTrips) {
    const PermittedTextCase cases[] = {
        {"All", "All", true, "All"},
        {"AllInLowerCase", "all", true, "All"},
        {"AllInUpperCase", "ALL", true, "All"},
        {"AllAfterASpaceIsACode", " All", true, "0"},
        {"Empty", "", false, ""},
        {"TrailingComma", "112,", true, "0,112"},
        {"SpaceAfterComma", "112, 113", true, "112,113"},
        {"Unsorted", "121,112,113", true, "112,113,121"},
        {"NotANumber", "x", true, "0"},
        {"OnlyCommas", ",,", true, "0"},
        {"OutsideTheTable", "256,-1,65,99999999999", true, "65"},
        {"Repeated", "7,7", true, "7"},
    };
    for (const PermittedTextCase& c : cases) {
        SCOPED_TRACE(c.name);
        CAlarmKeys keys, again;
        EXPECT_EQ(keys.LoadPermitted(c.in), c.loaded);
        EXPECT_EQ(keys.PermittedText(), c.text);
        again.LoadPermitted(keys.PermittedText());
        EXPECT_EQ(again.PermittedText(), c.text);
    }
}

TEST(AlarmKeysText, EveryCodeIsAllEvenWhenBuiltKeyByKey) {
    CAlarmKeys keys;
    SimListBox list;
    keys.FillKeyList(&list);
    ASSERT_EQ(list.items.size(), 256u);
    list.Select(255);
    keys.DeleteSelectedKey(&list);
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText().substr(0, 6), "0,1,2,");
    keys.SetCaptureTarget(&list);
    keys.KeyDown(0, 0, 255);
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "All");
}

TEST(AlarmKeysList, CaptureDeleteAndClearEditOnlyTheListAndTheEditedSet) {
    CAlarmKeys keys;
    keys.LoadPermitted("8,112,126");
    SimListBox list;
    keys.FillKeyList(&list);
    keys.DeleteSelectedKey(&list);  // nothing selected
    EXPECT_EQ(list.items.size(), 3u);
    ASSERT_TRUE(keys.KeyDown(0, 0, 126));
    keys.SetCaptureTarget(&list);
    keys.KeyUp(0, 126);  // a hold armed before the capture still ends
    for (std::uint32_t code : {13u, 13u, 112u, 300u}) {
        EXPECT_FALSE(keys.KeyDown(0, 0, code));
    }
    EXPECT_TRUE(keys.NoneHeld());
    EXPECT_EQ(list.items.size(), 4u) << "a captured key is listed once, a stray code never";
    EXPECT_EQ(list.selected, 1);
    keys.SetCaptureTarget(nullptr);
    keys.DeleteSelectedKey(&list);
    EXPECT_TRUE(keys.IsPermitted(112) && !keys.IsPermitted(13))
        << "nothing is live until committed";
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "8,13,126");
    keys.ClearKeyList(&list);
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "");
    EXPECT_FALSE(keys.KeyDown(0, 0, 8));
    EXPECT_FALSE(keys.IsHeld(-1) || keys.IsHeld(400));
}

constexpr std::uint32_t F1 = 112;

TEST(AlarmKeyHandling, AShortHoldOnlyShowsTheHeldIconALongOneRaisesOneAlarm) {
    auto world = MakeWorld("AlertPressTime=3\r\n");
    world->PressKey(F1);
    EXPECT_EQ(world->shell.trayIcon, IconKeyHeld);
    world->Tick(29);
    world->ReleaseKey(F1);
    EXPECT_EQ(world->shell.trayIcon, IconIdle);
    world->Tick(50);
    EXPECT_EQ(world->Window().Mode(), ReportMode::Idle);

    world->PressKey(F1);
    for (int i = 0; i < 25; ++i) {
        world->Tick();
        world->PressKey(F1);  // auto-repeat must not restart the hold
    }
    world->Tick(5);
    EXPECT_EQ(world->Window().Mode(), ReportMode::Alarm);
    EXPECT_EQ(world->shell.trayIcon, IconAlarm);
    world->Tick(100);
    world->PressKey(F1);
    world->Tick(100);
    EXPECT_EQ(Posts(*world, MsgAlarm), 1);
    world->ReleaseKey(F1);
    EXPECT_EQ(world->shell.trayIcon, IconAlarm);
    world->PressKey(F1);
    EXPECT_EQ(world->shell.trayIcon, IconKeyHeld) << "a held key shows during an alarm too";
    world->Tick(30);
    EXPECT_EQ(Posts(*world, MsgAlarm), 2) << "a new press after release raises again";
    EXPECT_EQ(world->shell.trayIcon, IconAlarm);
}

TEST(AlarmKeyHandling, TwoPermittedKeysHeldTogetherEachStartTheAlarm) {
    auto world = MakeWorld("AlertPressTime=2\r\nPermittedKeys=112,113\r\n");
    world->PressKey(F1);
    world->PressKey(F1 + 1);
    world->ReleaseKey(F1);
    EXPECT_EQ(world->shell.trayIcon, IconKeyHeld) << "the other key is still held";
    world->ReleaseKey(F1 + 1);
    EXPECT_EQ(world->shell.trayIcon, IconIdle);
    world->PressKey(F1);
    world->Tick(5);
    world->PressKey(F1 + 1);
    world->Tick(15);
    EXPECT_EQ(Posts(*world, MsgAlarm), 1);
    EXPECT_EQ(world->shell.trayIcon, IconAlarm);
    world->Tick(5);
    EXPECT_EQ(Posts(*world, MsgAlarm), 2);
    EXPECT_EQ(world->shell.popupsShown, 1);
}

TEST(AlarmKeyHandling, StrayKeyCodesAndTimerIdsNeverArm) {
    auto world = MakeWorld("AlertPressTime=1\r\nPermittedKeys=112\r\n");
    for (std::uint32_t code : {113u, F1 + 256u, 0xFFFFFFFFu}) {
        world->PressKey(code);
    }
    EXPECT_EQ(world->shell.trayIcon, IconIdle);
    // A code beyond the table that equals a window timer's id must not stop that timer.
    world->ReleaseKey(TickTimerId);
    world->PressKey(TickTimerId);
    for (int id : {0, 255, 256, 9999, -1}) {
        world->Window().OnTimer(id);
    }
    world->Tick(30);
    EXPECT_EQ(Posts(*world, MsgAlarm), 0);
    EXPECT_TRUE(world->shell.IsTimerRunning(TickTimerId));
}

struct HoldPeriodCase {
    const char* name;
    const char* alertPressTime;
    int ticks;  // from the press to the alarm
};

TEST(AlarmKeyHandling, HoldPeriodIsReadAtEachPressAndKeptSafe) {
    const HoldPeriodCase cases[] = {
        {"Seconds", "8", 80},
        {"ZeroIsOneSecond", "0", 10},
        {"NegativeIsOneSecond", "-3", 10},
        // 4294968 s in ms is 704 ms past 2^32: no alarm may come within 5 minutes
        {"HugeDoesNotOverflowIntoAShortHold", "4294968", 3000},
    };
    for (const HoldPeriodCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto world = MakeWorld("");
        world->Settings().SetValue("AlertPressTime", c.alertPressTime);
        world->PressKey(F1);
        world->Tick(c.ticks - 1);
        EXPECT_EQ(world->Window().Mode(), ReportMode::Idle);
        world->Tick();
        EXPECT_EQ(world->Window().Mode(), c.ticks < 3000 ? ReportMode::Alarm : ReportMode::Idle);
    }
    auto world = MakeWorld("AlertPressTime=2\r\n");
    world->PressKey(F1);
    world->Settings().SetValue("AlertPressTime", "60");
    world->Tick(20);
    EXPECT_EQ(world->Window().Mode(), ReportMode::Alarm) << "a running hold keeps its period";
}

}  // namespace
