#include <gtest/gtest.h>

#include "common/TextConvert.h"

namespace {

TEST(TextConvert, RoundTripsRussianTextAndAstralCharacters) {
    const std::string text = "Широта: 55° 45' 20.88\" N \xF0\x9F\x9A\xA8";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf8ToUtf16("Тревога"), u"Тревога");
}

TEST(TextConvert, IllFormedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', static_cast<char16_t>(0xD800), u'b'}), "a\uFFFDb");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{static_cast<char16_t>(0xDC00)}), "\uFFFD");
    // A lone continuation byte, a truncated sequence, an overlong form, an encoded surrogate.
    EXPECT_EQ(Utf8ToUtf16("\x80x"), u"\uFFFDx");
    EXPECT_EQ(Utf8ToUtf16("\xD0"), u"\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
}

struct IntegerCase {
    const char* name;
    const char* text;
    std::int32_t value;
};

class LeadingIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(LeadingIntegerTest, ReadsLikeScanningADecimal) {
    EXPECT_EQ(LeadingInteger(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingIntegerTest,
    ::testing::Values(IntegerCase{"TextAfterTheDigits", "12abc", 12},
                      IntegerCase{"NoDigits", "abc", 0}, IntegerCase{"Empty", "", 0},
                      IntegerCase{"BlanksAndMinus", " \t-5", -5}, IntegerCase{"Plus", "+7", 7},
                      IntegerCase{"TwoSigns", "--7", 0}, IntegerCase{"BlankAfterTheSign", "- 7", 0},
                      IntegerCase{"Zero", "0", 0}, IntegerCase{"Largest", "2147483647", 2147483647},
                      IntegerCase{"OverTheLargest", "2147483648", 2147483647},
                      IntegerCase{"Smallest", "-2147483648", -2147483647 - 1},
                      IntegerCase{"FarUnderTheSmallest", "-99999999999999999999", -2147483647 - 1}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
