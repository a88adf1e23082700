#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/linux/AtResponseParser.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Well-formed answers of both layouts come from a modem on a pty in the integration tests.
TEST(AtResponseParser, OnlyWholeStatusWordsAndHexBytesAreRead) {
    const std::pair<const char*, std::optional<Bytes>> lines[] = {
        {"+CRSM: 144,0", Bytes{}},  // status words without data
        {"+CRSM: 144,0,\"08G9\"", std::nullopt},
        {"+CRSM: 144", std::nullopt},
        {"+CRSM: 1444,0,\"08\"", std::nullopt}};
    for (const auto& [line, data] : lines) {
        const auto reply = ParseCrsmLine(line);
        EXPECT_EQ(reply ? std::optional(reply->data) : std::nullopt, data) << line;
    }
    // A descriptor tag without its length; a tag longer than the answer.
    for (const Bytes& response : {Bytes{0x62, 0x03, 0x82}, Bytes{0x62, 0x10, 0x83, 0xFF}}) {
        EXPECT_EQ(RecordTypeOfResponse(response), std::nullopt);
    }
}

}  // namespace
