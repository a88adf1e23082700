// EF_IMSI content with any claimed length: decoding reads only the bytes given and gives
// one character per half-byte that is not the filler ('0' + the half-byte, so a garbled
// SIM gives ':' to '>' as the control room has always seen it), at most 63.
#include <span>

#include "FuzzCheck.h"
#include "delivery/Imsi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the given size, so reading past it is caught.
    std::vector<std::uint8_t> content(data, data + size);
    const std::string imsi = DecodeImsi(std::span<const std::uint8_t>(content));
    FUZZ_CHECK(imsi.size() <= 2 * size && imsi.size() <= 63);
    for (char c : imsi) {
        FUZZ_CHECK(c >= '0' && c <= '0' + 14);
    }
    return 0;
}
