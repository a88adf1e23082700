// EF_IMSI content with any claimed length: decoding reads only the bytes given and gives
// digits only, at most two per byte after the first.
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "delivery/Imsi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the given size, so reading past it is caught.
    std::vector<std::uint8_t> content(data, data + size);
    const std::string imsi = DecodeImsi(std::span<const std::uint8_t>(content));
    FUZZ_CHECK(imsi.size() <= 2 * size);
    for (char c : imsi) {
        FUZZ_CHECK(c >= '0' && c <= '9');
    }
    return 0;
}
