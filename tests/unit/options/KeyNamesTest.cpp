#include "options/KeyNames.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(KeyNames, TextsOfChosenCodes) {
    struct {
        int code;
        const char* text;
    } cases[] = {
        {1, "1 VK_LBUTTON (VK_T1)"},
        {7, "7 Unknown keycode"},
        {13, "13 VK_RETURN (VK_TACTION)"},
        {48, "48 VK_0 (VK_T0)"},
        {90, "90 VK_Z"},
        {112, "112 VK_F1 (VK_TSOFT1)"},
        {126, "126 VK_F15 (VK_END_ALL_DATA_CALLS"},
        {129, "129 VK_F18 (VK_TPOWER)"},
        {135, "135 VK_F24 (VK_VOICEDIAL)"},
        {226, "226 VK_EXTEND_BSLASH (VK_OEM_102)"},
        {254, "254 VK_OEM_CLEAR"},
        {0, "0 Unknown keycode"},
        {255, "255 Unknown keycode"},
        {256, "256 Unknown keycode"},
        {-5, "-5 Unknown keycode"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeyName(c.code), c.text);
    }
}

TEST(KeyNames, ExactlyTheListedCodesAreUnnamed) {
    std::set<int> unnamed;
    for (int code = 0; code < 256; ++code) {
        if (KeyName(code) == std::to_string(code) + " Unknown keycode") {
            unnamed.insert(code);
        }
    }
    std::set<int> expected{0,  7,  10,  11,  14,  15,  22,  26,  30,
                           31, 94, 184, 185, 224, 225, 227, 228, 255};
    for (int c = 58; c <= 64; ++c)
        expected.insert(c);
    for (int c = 136; c <= 143; ++c)
        expected.insert(c);
    for (int c = 146; c <= 159; ++c)
        expected.insert(c);
    for (int c = 199; c <= 218; ++c)
        expected.insert(c);
    for (int c = 230; c <= 239; ++c)
        expected.insert(c);
    EXPECT_EQ(expected.size(), 77u);
    EXPECT_EQ(unnamed, expected);
}

}  // namespace
