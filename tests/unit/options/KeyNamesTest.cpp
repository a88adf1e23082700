#include "options/KeyNames.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyNames, TextsOfChosenCodes) {
    struct {
        int code;
        const char* text;
    } cases[] = {{1, "1 VK_LBUTTON (VK_T1)"},
                 {13, "13 VK_RETURN (VK_TACTION)"},
                 {48, "48 VK_0 (VK_T0)"},
                 {90, "90 VK_Z"},
                 {112, "112 VK_F1 (VK_TSOFT1)"},
                 {126, "126 VK_F15 (VK_END_ALL_DATA_CALLS"},
                 {135, "135 VK_F24 (VK_VOICEDIAL)"},
                 {254, "254 VK_OEM_CLEAR"},
                 {7, "7 Unknown keycode"},
                 {255, "255 Unknown keycode"},
                 {256, "256 Unknown keycode"},
                 {-5, "-5 Unknown keycode"}};
    for (const auto& c : cases) {
        EXPECT_EQ(KeyName(c.code), c.text);
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
