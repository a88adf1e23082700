#include "options/KeyNames.h"

#include <gtest/gtest.h>

namespace {

struct KeyNameCase {
    const char* name;
    int code;
    const char* text;
};

TEST(KeyNames, TextsOfChosenCodes) {
    const KeyNameCase cases[] = {{"FirstCode", 1, "1 VK_LBUTTON (VK_T1)"},
                                 {"WithHandsetName", 13, "13 VK_RETURN (VK_TACTION)"},
                                 {"Digit", 48, "48 VK_0 (VK_T0)"},
                                 {"Letter", 90, "90 VK_Z"},
                                 {"SoftKey", 112, "112 VK_F1 (VK_TSOFT1)"},
                                 {"HandsetNameLeftOpen", 126, "126 VK_F15 (VK_END_ALL_DATA_CALLS"},
                                 {"LastFunctionKey", 135, "135 VK_F24 (VK_VOICEDIAL)"},
                                 {"LastNamed", 254, "254 VK_OEM_CLEAR"},
                                 {"GapInTheTable", 7, "7 Unknown keycode"},
                                 {"LastCode", 255, "255 Unknown keycode"},
                                 {"PastTheTable", 256, "256 Unknown keycode"},
                                 {"Negative", -5, "-5 Unknown keycode"}};
    for (const KeyNameCase& row : cases) {
        EXPECT_EQ(KeyName(row.code), row.text) << row.name;
    }
}

TEST(KeyNames, ExactlyTheListedCodesAreUnnamed) {
    const std::vector<std::pair<int, int>> unnamedRanges = {
        {0, 0},     {7, 7},     {10, 11},   {14, 15},   {22, 22},   {26, 26},
        {30, 31},   {58, 64},   {94, 94},   {136, 143}, {146, 159}, {184, 185},
        {199, 218}, {224, 225}, {227, 228}, {230, 239}, {255, 255}};
    int unnamed = 0;
    for (int code = 0; code < 256; ++code) {
        bool listed = false;
        for (const auto& [from, to] : unnamedRanges) {
            listed = listed || (code >= from && code <= to);
        }
        bool hasName = KeyName(code) != std::to_string(code) + " Unknown keycode";
        EXPECT_NE(hasName, listed) << code;
        unnamed += listed ? 1 : 0;
    }
    EXPECT_EQ(unnamed, 77);
}

}  // namespace
