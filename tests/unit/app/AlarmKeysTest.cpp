#include "app/AlarmKeys.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <sstream>

#include "app/Resources.h"
#include "platform/sim/SimListBox.h"
#include "support/WorldHelpers.h"

namespace {

// Each text loads to the set that PermittedText gives back, and that text loads the same.
TEST(AlarmKeysText, LoadPermittedSkipsCodesOutsideTheTableAndRoundTrips) {
    const struct {
        const char* name;
        const char* in;
        bool loaded;       // what LoadPermitted answers
        const char* text;  // what PermittedText gives back
    } cases[] = {
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
    for (const auto& c : cases) {
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

// Plays the steps ("+112" presses key 112, "-112" lets it go, "30" runs 30 ticks, "r30" runs
// 30 with an auto-repeated press after each); after each step, the tray icon and the count of
// alarms posted.
std::string Play(SimWorld& world, const std::string& steps) {
    const std::map<int, std::string> icons{
        {IconIdle, " idle"}, {IconKeyHeld, " held"}, {IconAlarm, " alarm"}};
    std::istringstream in(steps);
    std::string seen;
    for (std::string step; in >> step;) {
        const char kind = std::isdigit(step[0]) ? 't' : step[0];
        const auto n = std::stoul(step.substr(kind == 't' ? 0 : 1));
        if (kind == '+' || kind == '-') {
            kind == '+' ? world.PressKey(n) : world.ReleaseKey(n);
        }
        for (unsigned long i = 0; (kind == 't' || kind == 'r') && i < n; ++i) {
            world.Tick();
            if (kind == 'r') {
                world.PressKey(F1);
            }
        }
        seen += icons.at(world.shell.trayIcon) + std::to_string(Posts(world, MsgAlarm));
    }
    return seen;
}

TEST(AlarmKeyHandling, AShortHoldOnlyShowsTheHeldIconALongOneRaisesOneAlarm) {
    auto world = MakeWorld("AlertPressTime=3\r\n");
    // Auto-repeat does not restart a hold; a held key shows during an alarm too, and a new
    // press after the release raises it again.
    EXPECT_EQ(
        Play(*world, "+112 29 -112 50 +112 r25 5 100 +112 100 -112 +112 30"),
        " held0 held0 idle0 idle0 held0 held0 alarm1 alarm1 alarm1 alarm1 alarm1 held1 alarm2");
}

TEST(AlarmKeyHandling, TwoPermittedKeysHeldTogetherEachStartTheAlarm) {
    auto world = MakeWorld("AlertPressTime=2\r\nPermittedKeys=112,113\r\n");
    // The other key is still held.
    EXPECT_EQ(Play(*world, "+112 +113 -112 -113 +112 5 +113 15 5"),
              " held0 held0 held0 idle0 held0 held0 held0 alarm1 alarm2");
    EXPECT_EQ(world->shell.popupsShown, 1);
}

TEST(AlarmKeyHandling, StrayKeyCodesAndTimerIdsNeverArm) {
    auto world = MakeWorld("AlertPressTime=1\r\nPermittedKeys=112\r\n");
    EXPECT_EQ(Play(*world, "+113 +368 +4294967295"), " idle0 idle0 idle0");
    // A code beyond the table that equals a window timer's id must not stop that timer.
    world->ReleaseKey(TickTimerId);
    world->PressKey(TickTimerId);
    for (int id : {0, 255, 256, 9999, -1}) {
        world->Window().OnTimer(id);
    }
    EXPECT_EQ(Play(*world, "30"), " idle0");
    EXPECT_TRUE(world->shell.IsTimerRunning(TickTimerId));
}

TEST(AlarmKeyHandling, HoldPeriodIsReadAtEachPressAndKeptSafe) {
    const struct {
        const char *name, *alertPressTime, *steps, *seen;
    } cases[] = {
        {"Seconds", "8", "+112 79 1", " held0 held0 alarm1"},
        {"ZeroIsOneSecond", "0", "+112 9 1", " held0 held0 alarm1"},
        {"NegativeIsOneSecond", "-3", "+112 9 1", " held0 held0 alarm1"},
        // 4294968 s in ms is 704 ms past 2^32: no alarm may come within 5 minutes
        {"HugeDoesNotOverflowIntoAShortHold", "4294968", "+112 3000", " held0 held0"},
    };
    for (const auto& c : cases) {
        auto world = MakeWorld("");
        world->Settings().SetValue("AlertPressTime", c.alertPressTime);
        EXPECT_EQ(Play(*world, c.steps), c.seen) << c.name;
    }
    auto world = MakeWorld("AlertPressTime=2\r\n");
    world->PressKey(F1);
    world->Settings().SetValue("AlertPressTime", "60");
    EXPECT_EQ(Play(*world, "20"), " alarm1") << "a running hold keeps its period";
}

}  // namespace
