// A modem's answer in random chunk splits: the parser's result, error text and kept lines
// are the same as for the answer in one piece, and every +CRSM line is safe to parse.
#include <fuzzer/FuzzedDataProvider.h>

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
    FeedInPieces(answer, splitSeed, 7, [&](std::string_view piece) { pieces.Feed(piece); });
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
