#include <gtest/gtest.h>

#include "platform/linux/AtResponseParser.h"

namespace {

using Result = AtResponseParser::Result;

TEST(AtResponseParser, AnswerSplitAnywhereIsPutTogetherAndErrorEndsIt) {
    AtResponseParser parser("+CRSM:");
    for (const char* piece : {"\r\n+CR", "SM: 144,0,\"0809101010", "32547698\"\r", "\nRING\r\nO"}) {
        parser.Feed(piece);
    }
    EXPECT_EQ(parser.GetResult(), Result::Pending);
    parser.Feed("K\r\n+CRSM: late\r\n");
    EXPECT_EQ(parser.GetResult(), Result::Ok);
    EXPECT_EQ(parser.Lines(), std::vector<std::string>{"+CRSM: 144,0,\"080910101032547698\""});

    AtResponseParser refused("+CRSM:");
    refused.Feed("AT+CRSM=176,28423,0,0,9\r\r\n+CME ERROR: 10\r\nOK\r\n");
    EXPECT_EQ(refused.GetResult(), Result::Error);
    EXPECT_EQ(refused.ErrorText(), "+CME ERROR: 10");
}

TEST(AtResponseParser, CrsmLineNeedsStatusWordsAndWholeHexBytes) {
    using Data = std::vector<std::uint8_t>;
    const std::pair<const char*, std::optional<Data>> cases[] = {
        {"+CRSM: 144,0,\"0809\"", Data{0x08, 0x09}},
        {"+CRSM: 144,0,0809ab", Data{0x08, 0x09, 0xAB}},
        {"+CRSM: 144,0", Data{}},
        {"+CRSM: 144,0,\"080\"", std::nullopt},
        {"+CRSM: 144,0,\"08G9\"", std::nullopt},
        {"+CRSM: 144", std::nullopt},
        {"+CRSM: 1444,0,\"08\"", std::nullopt}};
    for (const auto& [line, data] : cases) {
        const auto reply = ParseCrsmLine(line);
        ASSERT_EQ(reply.has_value(), data.has_value()) << line;
        if (reply) {
            EXPECT_EQ(reply->data, *data) << line;
        }
    }
}

TEST(AtResponseParser, FileTypeFromEitherLayout) {
    const std::pair<std::vector<std::uint8_t>, std::optional<SimRecordType>> cases[] = {
        {{0, 0, 0, 9, 0x6F, 0x07, 4, 0, 0, 0, 0, 0, 0, 1, 9}, SimRecordType::Linear},
        {{0, 0, 0, 9, 0x6F, 0x07, 4}, std::nullopt},
        {{0x62, 0x06, 0x83, 0x02, 0x6F, 0x07, 0x82, 0x02, 0x41, 0x21}, SimRecordType::Transparent},
        {{0x62, 0x03, 0x82}, std::nullopt},
        {{0x62, 0x10, 0x83, 0xFF}, std::nullopt}};
    for (const auto& [data, type] : cases) {
        EXPECT_EQ(RecordTypeOfResponse(data), type) << data.size();
    }
}

}  // namespace
