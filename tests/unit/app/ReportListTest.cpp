#include "app/ReportList.h"

#include <gtest/gtest.h>

#include "platform/sim/SimListBox.h"

namespace {

TEST(ReportList, KeepsTheLast21LinesNewestAtTheBottom) {
    SimListBox box;
    CReportList list(&box, CReportList::MaxLines);
    for (int i = 1; i <= 30; ++i) {
        EXPECT_EQ(list.AddLine("line " + std::to_string(i)), CReportList::Added);
    }
    ASSERT_EQ(box.items.size(), 21u);
    EXPECT_EQ(box.items.front(), "line 10");
    EXPECT_EQ(box.items.back(), "line 30");
    EXPECT_EQ(box.selected, 20);
    EXPECT_EQ(list.LineCount(), 21);
}

TEST(ReportList, ExtentFollowsTheWidestLineStillListed) {
    SimListBox box;
    CReportList list(&box, 3);
    list.AddLine(std::string(40, 'w'));
    list.AddLine("b");
    list.AddLine("cc");
    EXPECT_EQ(box.extent, box.LineWidth(std::string(40, 'w')));
    list.AddLine("d");  // the long line leaves
    EXPECT_EQ(box.items, (std::vector<std::string>{"b", "cc", "d"}));
    EXPECT_EQ(box.extent, box.LineWidth("cc"));
}

TEST(ReportList, FailuresDropTheLineAndNothingElse) {
    CReportList none(nullptr, 21);
    EXPECT_EQ(none.AddLine("x"), CReportList::NoListBox);

    SimListBox box;
    CReportList list(&box, 21);
    list.AddLine("kept");
    box.refuseInserts = true;
    EXPECT_EQ(list.AddLine("refused"), CReportList::Refused);
    box.refuseInserts = false;
    EXPECT_EQ(list.LineCount(), 1);
    EXPECT_EQ(list.AddLine("next"), CReportList::Added);
    EXPECT_EQ(box.items, (std::vector<std::string>{"kept", "next"}));
}

TEST(ReportList, AListBoxThatWillNotShrinkDoesNotHang) {
    SimListBox box;
    CReportList list(&box, 2);
    list.AddLine("a");
    list.AddLine("b");
    box.refuseRemoves = true;
    list.AddLine("c");  // must return
    EXPECT_LE(box.items.size(), 3u);
}

TEST(ReportList, DestructionEmptiesAndHidesTheListBox) {
    SimListBox box;
    {
        CReportList list(&box, 21);
        list.Show();
        list.AddLine("a");
        list.AddLine("b");
        EXPECT_TRUE(box.visible);
    }
    EXPECT_TRUE(box.items.empty());
    EXPECT_FALSE(box.visible);
}

}  // namespace
