#include <gtest/gtest.h>

#include "app/Resources.h"
#include "support/WorldHelpers.h"

namespace {

// Hidden behind its icon, obeying its commands; No to the close question hides the window
// and reporting goes on; the teardown takes the icon, the list and the GPS with it.
TEST(MainWindow, StartsHiddenBehindItsIconObeysCommandsAndTearsDownWhole) {
    auto world = MakeWorld("Frequency=600\r\n");
    EXPECT_EQ(world->shell.trayIcon, IconIdle);
    EXPECT_EQ(world->shell.trayTip, "Мини Зорвани");
    EXPECT_TRUE(world->shell.boxes.empty()) << "a settings file that loads shows no box";
    for (bool shown : {true, false, true}) {
        world->Command(CmdToggleLog);
        EXPECT_EQ(world->shell.listBox.visible, shown) << "Show/Hide log";
    }
    world->Command(CmdHide);
    EXPECT_FALSE(world->shell.windowShown);
    world->Command(CmdSettings);
    EXPECT_EQ(world->shell.optionsDialogRuns, 1);
    world->Command(12345);
    EXPECT_EQ(world->Window().Mode(), ReportMode::Idle);

    world->Window().OnTrayIconMessage();
    world->shell.answers.push_back(Shell::AnswerNo);
    world->Command(CmdExit);
    EXPECT_FALSE(world->shell.windowShown);
    EXPECT_FALSE(world->shell.endedWith.has_value());
    world->Tick(600);
    EXPECT_EQ(world->Window().Mode(), ReportMode::Intimate) << "reporting goes on";

    world->Window().StartReport(ReportMode::Alarm, false);
    world->Tick(20);
    const int closes = world->gps.closeCount;
    world->DestroyWindow();
    EXPECT_EQ(world->shell.trayIcon, 0);
    EXPECT_GT(world->gps.closeCount, closes);
    EXPECT_TRUE(world->shell.listBox.items.empty());
}

TEST(MainWindow, AMissingSettingsFileWarnsOnceAndKeepsTheDefaults) {
    auto world = MakeWorld("");
    ASSERT_EQ(world->shell.boxes.size(), 1u);
    EXPECT_EQ(world->shell.boxes[0].caption, "  Предупреждение");
    EXPECT_EQ(world->shell.boxes[0].icon, Shell::Icon::Exclamation);
    EXPECT_EQ(world->Settings().Frequency, 36000);
}

}  // namespace
