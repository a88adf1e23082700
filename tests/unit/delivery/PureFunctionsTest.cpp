#include <gtest/gtest.h>

#include "delivery/Imsi.h"
#include "delivery/Ipv4Address.h"
#include "platform/linux/ImsiText.h"
#include "platform/sim/SimulatedSimCard.h"

namespace {

TEST(Ipv4Address, ParsesLikeTheClassicDottedNotation) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"127.0.0.1", 0x7F000001u}, {"255.255.255.254", 0xFFFFFFFEu},
        {"127.1", 0x7F000001u},     {"0x7f.0.0.1", 0x7F000001u},
        {"010.0.0.1", 0x08000001u}, {"1.2.3.4 tail", 0x01020304u}};
    for (const auto& [text, address] : cases) {
        EXPECT_EQ(ParseIpv4Address(text), address) << text;
    }
    for (const char* text : {"control.example", "", "1.2.3.256", "1.2.3.4.5", "1..2", "09.1.1.1",
                             "1.2.3.4x", "99999999999"}) {
        EXPECT_EQ(ParseIpv4Address(text), Ipv4AddressNone) << text;
    }
}

TEST(Imsi, DecodesOnlyTheBytesThatWereRead) {
    // clang-format off
    const std::pair<std::vector<std::uint8_t>, const char*> cases[] = {
        {{0x08, 0x09, 0x10, 0x10, 0x10, 0x32, 0x54, 0x76, 0x98}, "001010123456789"},
        {{0x08, 0x01, 0x10, 0x10, 0x10, 0x32, 0x54, 0x76, 0xF8}, "00101012345678"},
        {{0x00, 0x29}, "2"}, {{}, ""}, {{0xFF, 0x09, 0x10}, "001"},
        {{0x08, 0x09, 0x10, 0x10}, "00101"}, {{0x7F, 0x19}, "1"},
        // No first digit is a filler, as at the end of an even IMSI: the digits read
        // stay in order, and the dialog shows the installer what the datagrams carry.
        {{0x08, 0xF9, 0x10, 0x10, 0x10, 0x32, 0x54, 0x76, 0x98}, "01010123456789"}};
    // clang-format on
    for (const auto& [content, digits] : cases) {
        EXPECT_EQ(DecodeImsi(content), digits);
    }
    std::vector<std::uint8_t> longest(128, 0x11);
    longest[0] = 0x7F;
    EXPECT_EQ(DecodeImsi(longest).size(), 63u);
    SimulatedSimCard sim;
    sim.imsiFile = {0x08, 0x09, 0x10};
    sim.claimedBytesRead = 4096;  // more than the buffer: only the buffer is decoded
    EXPECT_EQ(ReadImsi(sim), "001000000000000");
    sim.directoryReadable = false;  // the IMSI file's own information then serves
    EXPECT_EQ(ReadImsi(sim), "001000000000000");
    sim.imsiFileType = SimRecordType::Linear;
    EXPECT_EQ(ReadImsi(sim), "");
    EXPECT_FALSE(sim.isOpen);
}

// An IMSI reported as text reaches the sender as the card's would; "" is "no SIM".
TEST(Imsi, TextDecodesToWhatTheCardWouldGive) {
    const std::pair<std::string, std::string> cases[] = {
        {"001010123456789", "001010123456789"},
        {"00101012345678", "00101012345678"},
        {"7", "7"},
        {"", ""},
        {"00101012345678X", ""},
        {"001010 23456789", ""},
        {"-01010123456789", ""},
        {"0010101234567890", "0010101234567890"},       // garbled: as is
        {std::string(80, '5'), std::string(63, '5')}};  // beyond what the decoder keeps
    for (const auto& [text, decoded] : cases) {
        EXPECT_EQ(DecodeImsi(ImsiFileFromText(text)), decoded) << text;
    }
}

}  // namespace
