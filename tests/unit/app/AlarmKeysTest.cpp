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

TEST(AlarmKeysText, LoadPermittedReadsEveryPieceAndSkipsCodesOutsideTheTable) {
    struct {
        const char* text;
        bool result;
        std::vector<int> codes;  // {-1}: all 256
    } cases[] = {{"All", true, {-1}},
                 {"all", true, {-1}},
                 {"ALL", true, {-1}},
                 {" All", true, {0}},
                 {"", false, {}},
                 {"112,", true, {0, 112}},
                 {"112, 113", true, {112, 113}},
                 {"121,112,113", true, {112, 113, 121}},
                 {"x", true, {0}},
                 {"256,-1,65,99999999999", true, {65}},
                 {",,", true, {0}}};
    for (const auto& c : cases) {
        CAlarmKeys keys;
        EXPECT_EQ(keys.LoadPermitted(c.text), c.result) << c.text;
        std::vector<int> codes = PermittedCodes(keys);
        if (c.codes == std::vector<int>{-1}) {
            EXPECT_EQ(codes.size(), 256u) << c.text;
        } else {
            EXPECT_EQ(codes, c.codes) << c.text;
        }
    }
}

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

TEST(AlarmKeysText, EveryCodeIsAllEvenWhenBuiltKeyByKey) {
    CAlarmKeys keys;
    SimListBox list;
    keys.FillKeyList(&list);
    ASSERT_EQ(list.items.size(), 256u);
    EXPECT_EQ(list.items[0], "0 Unknown keycode");
    list.Select(255);
    keys.DeleteSelectedKey(&list);
    keys.CommitEdited();
    std::string text = keys.PermittedText();
    EXPECT_EQ(text.rfind("0,1,2,", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 8), ",253,254");
    keys.SetCaptureTarget(&list);
    keys.KeyDown(0, 0, 255);
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "All");
}

TEST(AlarmKeysHold, AutoRepeatKeepsTheFirstKeyDown) {
    CAlarmKeys keys;
    EXPECT_TRUE(keys.KeyDown(1000, 59, 112));
    EXPECT_FALSE(keys.KeyDown(1500, 59, 112));
    ASSERT_NE(keys.HeldRecord(112), nullptr);
    EXPECT_EQ(keys.HeldRecord(112)->downTime, 1000u);
    keys.KeyUp(2000, 112);
    EXPECT_TRUE(keys.NoneHeld());
    EXPECT_TRUE(keys.KeyDown(2100, 59, 112));
}

TEST(AlarmKeysHold, OnlyPermittedCodesInTheTableArm) {
    CAlarmKeys keys;
    keys.LoadPermitted("112");
    for (std::uint32_t code : {113u, 112u + 256u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(keys.KeyDown(0, 0, code)) << code;
    }
    EXPECT_FALSE(keys.IsHeld(-1));
    EXPECT_FALSE(keys.IsHeld(400));
    EXPECT_TRUE(keys.NoneHeld());
}

TEST(AlarmKeysCapture, AddsNewKeysAndSelectsListedOnesWithoutArming) {
    CAlarmKeys keys;
    keys.LoadPermitted("112");
    SimListBox list;
    keys.FillKeyList(&list);
    keys.SetCaptureTarget(&list);
    for (std::uint32_t code : {13u, 112u, 13u, 300u}) {
        EXPECT_FALSE(keys.KeyDown(0, 0, code));
    }
    EXPECT_TRUE(keys.NoneHeld());
    EXPECT_EQ(list.items,
              (std::vector<std::string>{"112 VK_F1 (VK_TSOFT1)", "13 VK_RETURN (VK_TACTION)"}));
    EXPECT_EQ(list.selected, 1);
    EXPECT_FALSE(keys.IsPermitted(13)) << "nothing is live until committed";
    keys.SetCaptureTarget(nullptr);
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "13,112");
}

TEST(AlarmKeysList, DeleteAndClearMoveListAndEditedSetTogether) {
    CAlarmKeys keys;
    keys.LoadPermitted("8,112,126");
    SimListBox list;
    keys.FillKeyList(&list);
    keys.DeleteSelectedKey(&list);  // nothing selected
    EXPECT_EQ(list.items.size(), 3u);
    list.Select(1);
    keys.DeleteSelectedKey(&list);
    EXPECT_EQ(list.items,
              (std::vector<std::string>{"8 VK_BACK (VK_T8)", "126 VK_F15 (VK_END_ALL_DATA_CALLS"}));
    EXPECT_TRUE(keys.IsPermitted(112)) << "until the dialog is accepted";
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "8,126");
    keys.ClearKeyList(&list);
    EXPECT_TRUE(list.items.empty());
    keys.CommitEdited();
    EXPECT_EQ(keys.PermittedText(), "");
    EXPECT_FALSE(keys.KeyDown(0, 0, 8));
}

}  // namespace
