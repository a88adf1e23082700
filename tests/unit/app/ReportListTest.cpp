#include "app/ReportList.h"

#include <gtest/gtest.h>

#include "platform/sim/SimListBox.h"

namespace {

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

}  // namespace
