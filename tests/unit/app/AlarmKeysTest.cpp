#include "app/AlarmKeys.h"

#include <gtest/gtest.h>

#include "platform/sim/SimListBox.h"

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

}  // namespace
