#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/linux/AtResponseParser.h"

namespace {

struct CrsmLineCase {
    const char* name;
    const char* line;
    std::optional<std::vector<std::uint8_t>> data;  // nothing: the line is refused
};

struct CutOffCase {
    const char* name;
    std::vector<std::uint8_t> response;
};

// Well-formed answers of both layouts come from a modem on a pty in the integration tests.
TEST(AtResponseParser, OnlyWholeStatusWordsAndHexBytesAreRead) {
    const CrsmLineCase lines[] = {
        {"StatusWordsWithoutData", "+CRSM: 144,0", std::vector<std::uint8_t>{}},
        {"NotHex", "+CRSM: 144,0,\"08G9\"", std::nullopt},
        {"SecondStatusWordMissing", "+CRSM: 144", std::nullopt},
        {"StatusWordAboveAByte", "+CRSM: 1444,0,\"08\"", std::nullopt}};
    for (const CrsmLineCase& row : lines) {
        const auto reply = ParseCrsmLine(row.line);
        EXPECT_EQ(reply ? std::optional(reply->data) : std::nullopt, row.data) << row.name;
    }
    const CutOffCase cutOff[] = {{"DescriptorTagWithoutLength", {0x62, 0x03, 0x82}},
                                 {"TagLongerThanTheAnswer", {0x62, 0x10, 0x83, 0xFF}}};
    for (const CutOffCase& row : cutOff) {
        EXPECT_EQ(RecordTypeOfResponse(row.response), std::nullopt) << row.name;
    }
}

}  // namespace
