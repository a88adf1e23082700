#include <gtest/gtest.h>

#include <numeric>

#include "delivery/ReportDatagram.h"

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    return {values.begin(), values.end()};
}

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& v, std::size_t at, std::size_t n) {
    return {v.begin() + static_cast<long>(at), v.begin() + static_cast<long>(at + n)};
}

struct DatagramCase {
    const char* name;
    std::uint32_t code;
    std::string text;
    std::size_t size;
    std::vector<std::uint8_t> fromOffset21;  // code, parameter, text length, text count
};

class DatagramLayoutTest : public ::testing::TestWithParam<DatagramCase> {};

TEST_P(DatagramLayoutTest, FieldsAndChecksumAreWhereTheServerReadsThem) {
    const DatagramCase& c = GetParam();
    const auto d = BuildReportDatagram({"001010123456789", 0x6A1B2C3Du, c.code, 0, c.text});
    ASSERT_EQ(d.size(), c.size);
    EXPECT_EQ(d[0], 0x14);
    EXPECT_EQ(std::string(d.begin() + 1, d.begin() + 16), "001010123456789");
    EXPECT_EQ(d[16], 0);
    EXPECT_EQ(Slice(d, 17, 4), Bytes({0x3D, 0x2C, 0x1B, 0x6A}));
    EXPECT_EQ(Slice(d, 21, 16), c.fromOffset21);
    EXPECT_EQ(std::accumulate(d.begin(), d.end(), 0u) % 256, 0u);
    if (!c.text.empty()) {
        EXPECT_EQ(std::string(d.begin() + 38, d.end() - 1), c.text);
        EXPECT_EQ(d.back(), 0);
    }
    const DecodedReport back = DecodeReportDatagram(d);
    EXPECT_EQ(back.error, "");
    EXPECT_EQ(back.fields.text, c.text);
    EXPECT_EQ(back.fields.code, c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatagramLayoutTest,
    ::testing::Values(DatagramCase{"IntimateWithoutText", 699, "", 38,
                                   Bytes({0xbb, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
                      DatagramCase{"AlarmWithText", 122, "Long=37.617300 E\r\n", 38 + 19,
                                   Bytes({0x7a, 0, 0, 0, 0, 0, 0, 0, 19, 0, 0, 0, 1, 0, 0, 0})},
                      DatagramCase{"LongestText", 699, std::string(985, 'x'), 1024,
                                   Bytes({0xbb, 2, 0, 0, 0, 0, 0, 0, 0xDA, 3, 0, 0, 1, 0, 0, 0})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportDatagram, ShortImsiIsPaddedWithZeros) {
    const auto d = BuildReportDatagram({"12345", 1, 699, 0, ""});
    EXPECT_EQ(Slice(d, 1, 16), Bytes({'1', '2', '3', '4', '5', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ReportDatagram, TooLongTextIsCutAfterTheLastWholeLineThatFits) {
    const std::string line = std::string(98, 'a') + "\r\n";  // 100 bytes
    std::string text;
    for (int i = 0; i < 10; ++i) {
        text += line;
    }
    EXPECT_EQ(FitReportText(text), text.substr(0, 900));
    EXPECT_EQ(FitReportText(text.substr(0, 985)), text.substr(0, 985));
    EXPECT_EQ(FitReportText(std::string(986, 'b')), "");
    const auto d = BuildReportDatagram({"1", 1, 699, 0, text});
    EXPECT_EQ(d.size(), 38u + 901u);
    EXPECT_EQ(DecodeReportDatagram(d).error, "");
}

TEST(ReportDatagram, DecodingNamesWhatIsWrong) {
    const auto good = BuildReportDatagram({"001010123456789", 7, 699, 0, "Lat=1.000000 N\r\n"});
    struct Case {
        std::vector<std::uint8_t> bytes;
        const char* error;
    };
    auto flipped = good;
    flipped[40] ^= 1;
    auto truncated = Slice(good, 0, good.size() - 1);
    auto recount = good;  // text count 0 with a text, checksum kept right
    recount[33] = 0;
    recount[37] = static_cast<std::uint8_t>(recount[37] + 1);
    const Case cases[] = {{Slice(good, 0, 37), "short datagram (37 bytes)"},
                          {flipped, "bad checksum"},
                          {truncated, "text length 17 does not match 54 bytes"},
                          {recount, "text count 0 does not match text length 17"}};
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeReportDatagram(c.bytes).error, c.error);
    }
}

}  // namespace
