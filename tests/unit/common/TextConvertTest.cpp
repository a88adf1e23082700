#include <gtest/gtest.h>

#include "common/TextConvert.h"

namespace {

TEST(TextConvert, RoundTripsTextAndReplacesWhatIsIllFormed) {
    const std::string text = "Широта: 55° 45' 20.88\" N \xF0\x9F\x9A\xA8";  // and astral
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf8ToUtf16("Тревога"), u"Тревога");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', static_cast<char16_t>(0xD800), u'b'}), "a\uFFFDb");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{static_cast<char16_t>(0xDC00)}), "\uFFFD");
    // A lone continuation byte, a truncated sequence, an overlong form, an encoded surrogate.
    EXPECT_EQ(Utf8ToUtf16("\x80x"), u"\uFFFDx");
    EXPECT_EQ(Utf8ToUtf16("\xD0"), u"\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
}

TEST(TextConvert, LeadingIntegerReadsLikeScanningADecimal) {
    // clang-format off
    const std::pair<const char*, std::int32_t> cases[] = {
        {"12abc", 12}, {"abc", 0}, {"", 0}, {" \t-5", -5}, {"+7", 7}, {"--7", 0}, {"- 7", 0},
        {"0", 0}, {"2147483647", 2147483647}, {"2147483648", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"-99999999999999999999", -2147483647 - 1}};
    // clang-format on
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(LeadingInteger(text), value) << text;
    }
}

}  // namespace
