#include <gtest/gtest.h>

#include "WorldHelpers.h"
#include "app/Resources.h"

namespace {

constexpr std::uint32_t F1 = 112;

TEST(AlarmKeyHandling, AShortHoldOnlyShowsTheHeldIcon) {
    auto world = MakeWorld("AlertPressTime=3\r\n");
    world->PressKey(F1);
    EXPECT_TRUE(world->Window().KeyHeld());
    EXPECT_EQ(world->shell.trayIcon, IconKeyHeld);
    world->Tick(29);
    world->ReleaseKey(F1);
    EXPECT_EQ(world->shell.trayIcon, IconIdle);
    world->Tick(50);
    EXPECT_EQ(world->Window().Mode(), ModeIdle);
    EXPECT_EQ(Posts(*world, MsgAlarm), 0);
}

TEST(AlarmKeyHandling, AHoldRaisesExactlyOneAlarmWhateverTheAutoRepeat) {
    auto world = MakeWorld("AlertPressTime=3\r\n");
    world->PressKey(F1);
    for (int i = 0; i < 25; ++i) {
        world->Tick();
        world->PressKey(F1);  // auto-repeat must not restart the hold
    }
    world->Tick(5);
    EXPECT_EQ(world->Window().Mode(), ModeAlarm);
    EXPECT_FALSE(world->Window().KeyHeld());
    EXPECT_EQ(world->shell.trayIcon, IconAlarm);
    world->Tick(100);
    world->PressKey(F1);
    world->Tick(100);
    EXPECT_EQ(Posts(*world, MsgAlarm), 1);
    world->ReleaseKey(F1);
    world->PressKey(F1);
    world->Tick(30);
    EXPECT_EQ(Posts(*world, MsgAlarm), 2) << "a new press after release raises again";
}

TEST(AlarmKeyHandling, TwoKeysHeldTogetherStartTwoAlarms) {
    auto world = MakeWorld("AlertPressTime=2\r\n");
    world->PressKey(F1);
    world->Tick(5);
    world->PressKey(13);
    world->Tick(25);
    EXPECT_EQ(Posts(*world, MsgAlarm), 2);
    EXPECT_EQ(world->shell.popupsShown, 1);
}

TEST(AlarmKeyHandling, KeysOutsideThePermittedSetNeverArm) {
    auto world = MakeWorld("AlertPressTime=1\r\nPermittedKeys=112\r\n");
    world->PressKey(113);
    EXPECT_EQ(world->shell.trayIcon, IconIdle);
    world->Tick(30);
    EXPECT_EQ(Posts(*world, MsgAlarm), 0);
    // A stray code beyond the table, even one that equals a window timer's id, must
    // neither raise nor stop anything.
    world->ReleaseKey(TickTimerId);
    world->PressKey(TickTimerId);
    EXPECT_TRUE(world->shell.IsTimerRunning(TickTimerId));
}

TEST(AlarmKeyHandling, HoldPeriodIsReadAtEachPressAndKeptSafe) {
    struct {
        const char* value;
        int periodMs;
    } cases[] = {{"8", 8000}, {"0", 1000}, {"-3", 1000}, {"5000000", 2147483647}};
    for (const auto& c : cases) {
        auto world = MakeWorld("");
        world->Settings().SetValue("AlertPressTime", c.value);
        world->PressKey(F1);
        EXPECT_EQ(world->shell.TimerPeriod(F1), c.periodMs) << c.value;
    }
    auto world = MakeWorld("AlertPressTime=2\r\n");
    world->PressKey(F1);
    world->Settings().SetValue("AlertPressTime", "60");
    world->Tick(20);
    EXPECT_EQ(world->Window().Mode(), ModeAlarm) << "a running hold keeps its period";
}

TEST(AlarmKeyHandling, CaptureModeRaisesNothing) {
    auto world = MakeWorld("AlertPressTime=1\r\n");
    SimListBox keyList;
    world->Window().Keys().SetCaptureTarget(&keyList);
    world->PressKey(F1);
    world->Tick(30);
    world->ReleaseKey(F1);
    world->Window().Keys().SetCaptureTarget(nullptr);
    EXPECT_EQ(Posts(*world, MsgAlarm), 0);
    EXPECT_EQ(keyList.items, std::vector<std::string>{"112 VK_F1 (VK_TSOFT1)"});
}

TEST(AlarmKeyHandling, AnyOtherTimerIdReachesKeyHandlingHarmlessly) {
    auto world = MakeWorld("");
    for (int id : {0, 255, 256, 9999, -1}) {
        world->Window().OnTimer(id);
    }
    EXPECT_EQ(world->Window().Mode(), ModeIdle);
}

}  // namespace
