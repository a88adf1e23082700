#include <gtest/gtest.h>

#include "delivery/Imsi.h"
#include "delivery/Ipv4Address.h"
#include "platform/linux/AtResponseParser.h"
#include "platform/sim/SimSimManager.h"

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
    const std::pair<std::vector<std::uint8_t>, const char*> cases[] = {
        {{0x08, 0x09, 0x10, 0x10, 0x10, 0x32, 0x54, 0x76, 0x98}, "001010123456789"},
        {{0x08, 0x01, 0x10, 0x10, 0x10, 0x32, 0x54, 0x76, 0xF8}, "00101012345678"},
        {{0x00, 0x29}, "2"},
        {{}, ""},
        // The length byte claims more than the file holds.
        {{0xFF, 0x09, 0x10}, "001"},
        {{0x08, 0x09, 0x10, 0x10}, "00101"},
        {{0x7F, 0x19}, "1"}};
    for (const auto& [content, digits] : cases) {
        EXPECT_EQ(DecodeImsi(content), digits);
    }
    std::vector<std::uint8_t> longest(128, 0x11);
    longest[0] = 0x7F;
    EXPECT_EQ(DecodeImsi(longest).size(), 63u);
}

TEST(Imsi, ReadingNeverTrustsTheDriversByteCount) {
    SimSimManager sim;
    sim.imsiFile = {0x08, 0x09, 0x10};
    sim.claimedBytesRead = 4096;  // more than the buffer: only the buffer is decoded
    EXPECT_EQ(ReadImsi(sim), "001000000000000");
    sim.imsiFileType = SimRecordType::Linear;
    EXPECT_EQ(ReadImsi(sim), "");
    EXPECT_FALSE(sim.isOpen);
}

TEST(AtResponseParser, CrsmLineNeedsStatusWordsAndWholeHexBytes) {
    using Data = std::vector<std::uint8_t>;
    const std::pair<const char*, std::optional<Data>> cases[] = {
        {"+CRSM: 144,0,0809ab", Data{0x08, 0x09, 0xAB}},
        {"+CRSM: 144,0", Data{}},
        {"+CRSM: 144,0,\"08G9\"", std::nullopt},
        {"+CRSM: 144", std::nullopt},
        {"+CRSM: 1444,0,\"08\"", std::nullopt}};
    for (const auto& [line, data] : cases) {
        const auto reply = ParseCrsmLine(line);
        EXPECT_EQ(reply ? std::optional(reply->data) : std::nullopt, data) << line;
    }
}

TEST(AtResponseParser, FileTypeFromEitherLayout) {
    const std::pair<std::vector<std::uint8_t>, std::optional<SimRecordType>> cases[] = {
        {{0, 0, 0, 9, 0x6F, 0x07, 4, 0, 0, 0, 0, 0, 0, 1, 9}, SimRecordType::Linear},
        {{0x62, 0x06, 0x83, 0x02, 0x6F, 0x07, 0x82, 0x02, 0x41, 0x21}, SimRecordType::Transparent},
        {{0x62, 0x03, 0x82}, std::nullopt},
        {{0x62, 0x10, 0x83, 0xFF}, std::nullopt}};
    for (const auto& [data, type] : cases) {
        EXPECT_EQ(RecordTypeOfResponse(data), type) << data.size();
    }
}

}  // namespace
