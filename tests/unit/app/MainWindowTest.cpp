#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/EntryPoint.h"
#include "app/ReportList.h"
#include "app/Resources.h"
#include "platform/sim/SimListBox.h"
#include "support/WorldHelpers.h"

namespace {

// Hidden behind its icon, obeying its commands; No to the close question hides the window
// and reporting goes on; the teardown takes the icon, the list and the GPS with it.
TEST(MainWindow, StartsHiddenBehindItsIconObeysCommandsAndTearsDownWhole) {
    auto world = MakeWorld("Frequency=600\r\n");
    // A settings file that loads shows no box.
    EXPECT_EQ(std::tuple(world->shell.trayIcon, world->shell.trayTip, world->shell.boxes.size()),
              std::tuple(IconIdle, "Мини Зорвани", 0u));
    for (bool shown : {true, false, true}) {
        world->Command(CmdToggleLog);
        EXPECT_EQ(world->shell.listBox.visible, shown) << "Show/Hide log";
    }
    for (const int command : {CmdHide, CmdSettings, 12345}) {
        world->Command(command);
    }
    EXPECT_EQ(std::tuple(world->shell.windowShown, world->shell.optionsDialogRuns,
                         world->Window().Mode()),
              std::tuple(false, 1, ReportMode::Idle));

    world->Window().OnTrayIconMessage();
    world->shell.answers.push_back(Shell::AnswerNo);
    world->Command(CmdExit);
    EXPECT_FALSE(world->shell.windowShown || world->shell.endedWith.has_value());
    world->Tick(600);
    EXPECT_EQ(world->Window().Mode(), ReportMode::Intimate) << "reporting goes on";

    world->Window().StartReport(ReportMode::Alarm, false);
    world->Tick(20);
    const int closes = world->gps.closeCount;
    world->DestroyWindow();
    EXPECT_EQ(std::tuple(world->shell.trayIcon, world->gps.closeCount > closes,
                         world->shell.listBox.items.size()),
              std::tuple(0, true, 0u));
}

TEST(MainWindow, AMissingSettingsFileWarnsOnceAndKeepsTheDefaults) {
    auto world = MakeWorld("");
    ASSERT_EQ(world->shell.boxes.size(), 1u);
    EXPECT_EQ(std::tuple(world->shell.boxes[0].caption, world->shell.boxes[0].icon,
                         world->Settings().Frequency),
              std::tuple("  Предупреждение", Shell::Icon::Exclamation, 36000));
}

TEST(ReportList, KeepsTheLast21LinesNewestAtTheBottomAndTheWidestExtent) {
    SimListBox box;
    CReportList list(&box, CReportList::MaxLines);
    list.AddLine(std::string(40, 'w'));
    EXPECT_EQ(box.extent, box.LineWidth(std::string(40, 'w')));
    for (int i = 1; i <= 30; ++i) {
        EXPECT_EQ(list.AddLine("line " + std::to_string(i)), CReportList::Added);
    }
    ASSERT_EQ(box.items.size(), 21u);
    EXPECT_EQ(std::tuple(box.items.front(), box.items.back(), box.selected, list.LineCount()),
              std::tuple("line 10", "line 30", 20, 21));
    EXPECT_EQ(box.extent, box.LineWidth("line 30")) << "the wide line has left";
}

TEST(ReportList, FailuresDropTheLineAndNothingElse) {
    EXPECT_EQ(CReportList(nullptr, 21).AddLine("x"), CReportList::NoListBox);
    SimListBox box;
    CReportList list(&box, 2);
    list.AddLine("kept");
    box.refuseInserts = true;
    EXPECT_EQ(list.AddLine("refused"), CReportList::Refused);
    box.refuseInserts = false;
    EXPECT_EQ(list.LineCount(), 1);
    EXPECT_EQ(list.AddLine("next"), CReportList::Added);
    EXPECT_EQ(box.items, (std::vector<std::string>{"kept", "next"}));
    box.refuseRemoves = true;
    list.AddLine("last");  // a list box that will not shrink must not hang this
    EXPECT_LE(box.items.size(), 3u);
}

struct Foreign {};

TEST(EntryPoint, EscapedExceptionsShowTheirTextAndEndWithTheirCode) {
    // clang-format off
    const struct {
        const char* name;
        std::function<int()> body;
        const char* boxText;  // nullptr: no box
        int exitCode;
    } cases[] = {
        {"NarrowText", []() -> int { throw "disk"; }, "Exeption occurred: disk", 1},
        {"WideText", []() -> int { throw u"широта"; }, "Exeption occurred: широта", 2},
        {"WideString", []() -> int { throw std::u16string(u"wide"); }, "Exeption occurred: wide", 3},
        {"Number", []() -> int { throw 42; }, "Exeption occurred: 42", 4},
        {"StdException", []() -> int { throw std::runtime_error("bad"); }, "Exeption occurred: bad", ExitStdException},
        {"BadAlloc", []() -> int { throw std::bad_alloc(); }, "Exeption occurred: std::bad_alloc", ExitStdException},
        {"ForeignType", []() -> int { throw Foreign{}; }, "Exeption occurred", 5},
        {"NoException", [] { return ExitAlreadyRunning; }, nullptr, ExitAlreadyRunning},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> boxes;
        EXPECT_EQ(RunGuarded(c.body, [&](const std::string& said) { boxes.push_back(said); }),
                  c.exitCode);
        EXPECT_EQ(boxes,
                  c.boxText ? std::vector<std::string>{c.boxText} : std::vector<std::string>{});
    }
    EXPECT_EQ(RunGuarded([]() -> int { throw 7; },
                         [](const std::string&) { throw std::runtime_error("no display"); }),
              4)
        << "a failing error box still ends with the code";
}

}  // namespace
