#include "app/AlarmKeys.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/sim/SimListBox.h"

namespace {

// Each text loads to the set that PermittedText gives back, and that text loads the same.
TEST(AlarmKeysText, LoadPermittedSkipsCodesOutsideTheTableAndRoundTrips) {
    // clang-format off
    const std::tuple<const char*, bool, const char*> cases[] = {{"All", true, "All"}, {"all", true, "All"}, {"ALL", true, "All"}, {" All", true, "0"},
        {"", false, ""}, {"112,", true, "0,112"}, {"112, 113", true, "112,113"},
        {"121,112,113", true, "112,113,121"}, {"x", true, "0"}, {",,", true, "0"},
        {"256,-1,65,99999999999", true, "65"}, {"7,7", true, "7"}};
    // clang-format on
    for (const auto& [in, result, text] : cases) {
        CAlarmKeys keys, again;
        EXPECT_EQ(keys.LoadPermitted(in), result) << in;
        EXPECT_EQ(keys.PermittedText(), text) << in;
        again.LoadPermitted(keys.PermittedText());
        EXPECT_EQ(again.PermittedText(), text) << in;
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
    keys.SetCaptureTarget(&list);
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
