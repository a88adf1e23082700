#include "platform/linux/ImsiText.h"

#include <gtest/gtest.h>

#include "delivery/Imsi.h"

namespace {

struct ImsiTextCase {
    const char* name;
    std::string text;
    std::string decoded;  // what the sender gets; "" is "no SIM"
};

// An IMSI reported as text must reach the sender as the same IMSI read from the card would.
TEST(ImsiText, DecodesToWhatTheCardWouldGive) {
    const ImsiTextCase cases[] = {
        {"fifteen digits", "001010123456789", "001010123456789"},
        {"fourteen digits", "00101012345678", "00101012345678"},
        {"one digit", "7", "7"},
        {"empty", "", ""},
        {"a letter", "00101012345678X", ""},
        {"a blank", "001010 23456789", ""},
        {"a sign", "-01010123456789", ""},
        {"garbled sixteen digits go on as they are", "0010101234567890", "0010101234567890"},
        {"beyond what the decoder keeps", std::string(80, '5'), std::string(63, '5')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeImsi(ImsiFileFromText(c.text)), c.decoded) << c.name;
    }
}

}  // namespace
