#include <gtest/gtest.h>

#include "app/Resources.h"
#include "support/WorldHelpers.h"

namespace {

TEST(MainWindow, StartsHiddenBehindItsIconAndObeysCommands) {
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
}

TEST(MainWindow, AMissingSettingsFileWarnsOnceAndKeepsTheDefaults) {
    auto world = MakeWorld("");
    ASSERT_EQ(world->shell.boxes.size(), 1u);
    EXPECT_EQ(world->shell.boxes[0].caption, "  Предупреждение");
    EXPECT_EQ(world->shell.boxes[0].icon, Shell::Icon::Exclamation);
    EXPECT_EQ(world->Settings().Frequency, 36000);
}

TEST(MainWindow, NoToTheCloseQuestionHidesAndReportingGoesOn) {
    auto world = MakeWorld("Frequency=600\r\n");
    world->Window().OnTrayIconMessage();
    world->shell.answers.push_back(Shell::AnswerNo);
    world->Command(CmdExit);
    EXPECT_FALSE(world->shell.windowShown);
    EXPECT_FALSE(world->shell.endedWith.has_value());
    world->Tick(600);
    EXPECT_EQ(world->Window().Mode(), ReportMode::Intimate)
        << "reporting goes on in the background";
}

TEST(MainWindow, TeardownRemovesTheIconEmptiesTheListAndClosesTheGps) {
    auto world = MakeWorld("Frequency=600\r\n");
    world->Window().StartReport(ReportMode::Alarm, false);
    world->Tick(20);
    int closes = world->gps.closeCount;
    world->DestroyWindow();
    EXPECT_EQ(world->shell.trayIcon, 0);
    EXPECT_GT(world->gps.closeCount, closes);
    EXPECT_TRUE(world->shell.listBox.items.empty());
}

}  // namespace
