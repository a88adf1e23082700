#include "app/AlarmKeys.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/sim/SimListBox.h"

namespace {

std::vector<int> PermittedCodes(const CAlarmKeys& keys) {
    std::vector<int> codes;
    for (int code = 0; code < CAlarmKeys::KeyCount; ++code) {
        if (keys.IsPermitted(code)) {
            codes.push_back(code);
        }
    }
    return codes;
}

struct LoadCase {
    const char* text;
    bool result;
    std::vector<int> codes;  // {-1}: all 256
};

class LoadPermittedTest : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadPermittedTest, PermitsExactlyTheListedCodes) {
    const LoadCase& c = GetParam();
    CAlarmKeys keys;
    EXPECT_EQ(keys.LoadPermitted(c.text), c.result);
    if (c.codes == std::vector<int>{-1}) {
        EXPECT_EQ(PermittedCodes(keys).size(), 256u);
    } else {
        EXPECT_EQ(PermittedCodes(keys), c.codes);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, LoadPermittedTest,
                         testing::Values(LoadCase{"All", true, {-1}}, LoadCase{"all", true, {-1}},
                                         LoadCase{"ALL", true, {-1}}, LoadCase{" All", true, {0}},
                                         LoadCase{"", false, {}}, LoadCase{"112,", true, {0, 112}},
                                         LoadCase{"112, 113", true, {112, 113}},
                                         LoadCase{"121,112,113", true, {112, 113, 121}},
                                         LoadCase{"x", true, {0}},
                                         LoadCase{"256,-1,65,99999999999", true, {65}},
                                         LoadCase{",,", true, {0}}));

TEST(AlarmKeysText, RoundTripsThroughPermittedKeysText) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {{"all", "All"}, {"", ""}, {"113,112,121", "112,113,121"}, {"7,7", "7"}};
    for (const auto& c : cases) {
        CAlarmKeys keys;
        keys.LoadPermitted(c.in);
        EXPECT_EQ(keys.PermittedText(), c.out) << c.in;
        CAlarmKeys again;
        again.LoadPermitted(keys.PermittedText());
        EXPECT_EQ(PermittedCodes(again), PermittedCodes(keys)) << c.in;
    }
}

TEST(AlarmKeysText, OneMissingCodeIsWrittenAsTheOther255) {
    CAlarmKeys keys;
    SimListBox list;
    keys.FillKeyList(&list);
    list.Select(static_cast<int>(list.items.size()) - 1);  // 255
    keys.DeleteSelectedKey(&list);
    keys.CommitEdited();
    std::string text = keys.PermittedText();
    EXPECT_EQ(text.rfind("0,1,2,", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 8), ",253,254");
    // A set rebuilt to every code by hand is written as "All" again.
    SimListBox capture;
    keys.FillKeyList(&capture);
    keys.SetCaptureTarget(&capture);
    keys.KeyDown(0, 0, 255);
    keys.SetCaptureTarget(nullptr);
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "All");
}

TEST(AlarmKeysHold, AutoRepeatKeepsTheFirstKeyDown) {
    CAlarmKeys keys;
    EXPECT_TRUE(keys.KeyDown(1000, 59, 112));
    EXPECT_FALSE(keys.KeyDown(1500, 59, 112));
    ASSERT_NE(keys.HeldRecord(112), nullptr);
    EXPECT_EQ(keys.HeldRecord(112)->downTime, 1000u);
    EXPECT_EQ(keys.HeldRecord(112)->scanCode, 59u);
    EXPECT_FALSE(keys.NoneHeld());
    keys.KeyUp(2000, 112);
    EXPECT_TRUE(keys.NoneHeld());
    EXPECT_TRUE(keys.KeyDown(2100, 59, 112));
}

TEST(AlarmKeysHold, OnlyPermittedCodesInTheTableArm) {
    CAlarmKeys keys;
    keys.LoadPermitted("112");
    EXPECT_FALSE(keys.KeyDown(0, 0, 113));
    EXPECT_FALSE(keys.KeyDown(0, 0, 112 + 256));
    EXPECT_FALSE(keys.KeyDown(0, 0, 0xFFFFFFFFu));
    EXPECT_FALSE(keys.IsHeld(-1));
    EXPECT_FALSE(keys.IsHeld(400));
    EXPECT_TRUE(keys.NoneHeld());
    EXPECT_TRUE(keys.KeyDown(0, 0, 112));
}

TEST(AlarmKeysCapture, AddsNewKeysAndSelectsListedOnesWithoutArming) {
    CAlarmKeys keys;
    keys.LoadPermitted("112");
    SimListBox list;
    keys.FillKeyList(&list);
    ASSERT_EQ(list.items, std::vector<std::string>{"112 VK_F1 (VK_TSOFT1)"});
    keys.SetCaptureTarget(&list);
    EXPECT_FALSE(keys.KeyDown(0, 0, 13));
    EXPECT_FALSE(keys.KeyDown(0, 0, 112));
    EXPECT_FALSE(keys.KeyDown(0, 0, 13));
    EXPECT_FALSE(keys.KeyDown(0, 0, 300));
    EXPECT_TRUE(keys.NoneHeld());
    EXPECT_EQ(list.items,
              (std::vector<std::string>{"112 VK_F1 (VK_TSOFT1)", "13 VK_RETURN (VK_TACTION)"}));
    EXPECT_EQ(list.selected, 1);
    EXPECT_TRUE(keys.IsEdited(13));
    // Nothing is live until committed.
    EXPECT_FALSE(keys.IsPermitted(13));
    keys.SetCaptureTarget(nullptr);
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "13,112");
}

TEST(AlarmKeysList, DeleteAndClearMoveListAndEditedSetTogether) {
    CAlarmKeys keys;
    keys.LoadPermitted("8,112,126");
    SimListBox list;
    keys.FillKeyList(&list);
    ASSERT_EQ(list.items.size(), 3u);
    keys.DeleteSelectedKey(&list);  // nothing selected
    EXPECT_EQ(list.items.size(), 3u);
    list.Select(1);
    keys.DeleteSelectedKey(&list);
    EXPECT_EQ(list.items,
              (std::vector<std::string>{"8 VK_BACK (VK_T8)", "126 VK_F15 (VK_END_ALL_DATA_CALLS"}));
    EXPECT_FALSE(keys.IsEdited(112));
    EXPECT_TRUE(keys.IsPermitted(112));  // until the dialog is accepted
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "8,126");
    keys.ClearKeyList(&list);
    EXPECT_TRUE(list.items.empty());
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "");
    EXPECT_FALSE(keys.KeyDown(0, 0, 8));
}

TEST(AlarmKeysList, AllListsEveryCodeIncludingTheUnnamed) {
    CAlarmKeys keys;
    SimListBox list;
    keys.FillKeyList(nullptr);
    keys.FillKeyList(&list);
    ASSERT_EQ(list.items.size(), 256u);
    EXPECT_EQ(list.items[0], "0 Unknown keycode");
    EXPECT_EQ(list.items[255], "255 Unknown keycode");
}

}  // namespace
