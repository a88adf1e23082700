// A modem's answer in random chunk splits: the parser's result, error text and kept lines
// are the same as for the answer in one piece, and every +CRSM line is safe to parse.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "FuzzCheck.h"
#include "platform/linux/AtResponseParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string prefix = input.ConsumeBool() ? "+CRSM:" : input.ConsumeRandomLengthString(8);
    const std::uint32_t splitSeed = input.ConsumeIntegral<std::uint32_t>();
    const std::string answer = input.ConsumeRemainingBytesAsString();

    AtResponseParser whole(prefix);
    whole.Feed(answer);
    AtResponseParser pieces(prefix);
    std::uint32_t state = splitSeed | 1u;
    for (std::size_t at = 0; at < answer.size();) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const std::size_t length = std::min<std::size_t>(1 + state % 7, answer.size() - at);
        pieces.Feed(std::string_view(answer).substr(at, length));
        at += length;
    }
    FUZZ_CHECK(whole.GetResult() == pieces.GetResult());
    FUZZ_CHECK(whole.ErrorText() == pieces.ErrorText());
    FUZZ_CHECK(whole.Lines() == pieces.Lines());
    for (const std::string& line : whole.Lines()) {
        if (auto reply = ParseCrsmLine(line)) {
            RecordTypeOfResponse(reply->data);
        }
    }
    return 0;
}
