#include <gtest/gtest.h>

#include <numeric>

#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ReportDatagram, FieldsAndChecksumAreWhereTheServerReadsThem) {
    // The IMSI and the number.
    const Bytes header = {0x14, '0', '0', '1', '0', '1', '0',  '1',  '2',  '3', '4',
                          '5',  '6', '7', '8', '9', 0,   0x3D, 0x2C, 0x1B, 0x6A};
    // clang-format off
    // The code, text, size, and the bytes from offset 21: code, parameter, text length and count.
    const std::tuple<const char*, std::uint16_t, std::string, std::size_t, Bytes> cases[] = {
        {"NoText", MsgIntimate, "", 38, {0xbb, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"OneLine", MsgAlarm, "Long=37.617300 E\r\n", 57,
         {0x7a, 0, 0, 0, 0, 0, 0, 0, 19, 0, 0, 0, 1, 0, 0, 0}},
        {"LongestText", MsgIntimate, std::string(985, 'x'), 1024,
         {0xbb, 2, 0, 0, 0, 0, 0, 0, 0xDA, 3, 0, 0, 1, 0, 0, 0}},
    };
    // clang-format on
    for (const auto& [name, code, text, size, fromOffset21] : cases) {
        SCOPED_TRACE(name);
        const Bytes d = BuildReportDatagram({"001010123456789", 0x6A1B2C3Du, code, 0, text});
        ASSERT_EQ(d.size(), size);
        EXPECT_EQ(Bytes(d.begin(), d.begin() + 21), header);
        EXPECT_EQ(Bytes(d.begin() + 21, d.begin() + 37), fromOffset21);
        EXPECT_EQ(std::accumulate(d.begin(), d.end(), 0u) % 256, 0u);
        EXPECT_EQ(DecodeReportDatagram(d).fields.text, text);
    }
}

TEST(ReportDatagram, TooLongTextIsCutAfterTheLastWholeLineThatFits) {
    std::string text;
    for (int i = 0; i < 10; ++i) {
        text += std::string(98, 'a') + "\r\n";  // 100 bytes a line
    }
    EXPECT_EQ(FitReportText(text), text.substr(0, 900));
    EXPECT_EQ(FitReportText(text.substr(0, 985)), text.substr(0, 985));
    EXPECT_EQ(FitReportText(std::string(986, 'b')), "");
    EXPECT_EQ(BuildReportDatagram({"1", 1, MsgIntimate, 0, text}).size(), 38u + 901u);
}

}  // namespace
