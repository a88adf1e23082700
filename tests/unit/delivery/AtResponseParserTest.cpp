#include <gtest/gtest.h>

#include "platform/linux/AtResponseParser.h"

namespace {

using Result = AtResponseParser::Result;

struct ReplyCase {
    const char* name;
    std::vector<std::string> pieces;  // as the reads delivered them
    Result result;
    std::vector<std::string> lines;
};

class AtReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(AtReplyTest, FindsTheAnswerAmongEchoAndUnsolicitedLines) {
    AtResponseParser parser("+CRSM:");
    for (const std::string& piece : GetParam().pieces) {
        parser.Feed(piece);
    }
    EXPECT_EQ(parser.GetResult(), GetParam().result);
    EXPECT_EQ(parser.Lines(), GetParam().lines);
}

const std::string kImsiLine = "+CRSM: 144,0,\"080910101032547698\"";

INSTANTIATE_TEST_SUITE_P(
    Cases, AtReplyTest,
    ::testing::Values(
        ReplyCase{"EchoOff", {"\r\n" + kImsiLine + "\r\n\r\nOK\r\n"}, Result::Ok, {kImsiLine}},
        ReplyCase{"EchoOn",
                  {"AT+CRSM=176,28423,0,0,9\r\r\n" + kImsiLine + "\r\n\r\nOK\r\n"},
                  Result::Ok,
                  {kImsiLine}},
        ReplyCase{"UnsolicitedMixedIn",
                  {"\r\nRING\r\n\r\n+CREG: 1,\"00C3\",\"0A1B\"\r\n", kImsiLine + "\r\n",
                   "+CRSM-like noise\r\nOK\r\n"},
                  Result::Ok,
                  {kImsiLine}},
        ReplyCase{"SplitAnywhere",
                  {"\r\n+CR", "SM: 144,0,\"0809101010", "32547698\"\r", "\nO", "K", "\r\n"},
                  Result::Ok,
                  {kImsiLine}},
        ReplyCase{"NotFinishedYet", {kImsiLine + "\r\nO"}, Result::Pending, {kImsiLine}},
        ReplyCase{"Error", {"\r\nERROR\r\n"}, Result::Error, {}},
        ReplyCase{"CmeError", {"\r\n+CME ERROR: 10\r\nOK\r\n"}, Result::Error, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CrsmLine, AcceptsOnlyWellFormedStatusAndHex) {
    const std::pair<const char*, std::optional<std::vector<std::uint8_t>>> cases[] = {
        {"+CRSM: 144,0,\"0809\"", std::vector<std::uint8_t>{0x08, 0x09}},
        {"+CRSM: 144,0,0809ab", std::vector<std::uint8_t>{0x08, 0x09, 0xAB}},
        {"+CRSM: 144,0", std::vector<std::uint8_t>{}},
        {"+CRSM: 144,0,\"080\"", std::nullopt},
        {"+CRSM: 144,0,\"08G9\"", std::nullopt},
        {"+CRSM: 144", std::nullopt},
        {"+CRSM: 1444,0,\"08\"", std::nullopt},
        {"+CRSM: x,0,\"08\"", std::nullopt}};
    for (const auto& [line, data] : cases) {
        const auto reply = ParseCrsmLine(line);
        ASSERT_EQ(reply.has_value(), data.has_value()) << line;
        if (reply) {
            EXPECT_EQ(reply->data, *data) << line;
        }
    }
    EXPECT_EQ(ParseCrsmLine("+CRSM: 106,130")->sw1, 106);
}

TEST(CrsmLine, FileTypeFromEitherLayout) {
    // GSM layout: byte 6 kind (2 directory, 4 elementary), byte 13 structure.
    const std::vector<std::uint8_t> gsmDirectory = {0, 0, 0, 0, 0x7F, 0x20, 2};
    std::vector<std::uint8_t> gsmTransparent = {0, 0, 0, 9, 0x6F, 0x07, 4, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> gsmLinear = gsmTransparent;
    gsmLinear[13] = 1;
    const std::vector<std::uint8_t> fcpTransparent = {0x62, 0x0A, 0x82, 0x02, 0x41, 0x21,
                                                      0x83, 0x02, 0x6F, 0x07, 0x80, 0x00};
    const std::vector<std::uint8_t> fcpDirectory = {0x62, 0x04, 0x82, 0x01, 0x38, 0x00};
    EXPECT_EQ(RecordTypeOfResponse(gsmDirectory), SimRecordType::Dedicated);
    EXPECT_EQ(RecordTypeOfResponse(gsmTransparent), SimRecordType::Transparent);
    EXPECT_EQ(RecordTypeOfResponse(gsmLinear), SimRecordType::Linear);
    EXPECT_EQ(RecordTypeOfResponse(fcpTransparent), SimRecordType::Transparent);
    EXPECT_EQ(RecordTypeOfResponse(fcpDirectory), SimRecordType::Dedicated);
    EXPECT_EQ(RecordTypeOfResponse({0, 0, 0, 9, 0x6F, 0x07, 4}), std::nullopt);
    EXPECT_EQ(RecordTypeOfResponse({0x62, 0x03, 0x82}), std::nullopt);
    EXPECT_EQ(RecordTypeOfResponse({}), std::nullopt);
}

}  // namespace
