// IPv4 address parsing and the server-address check: any text is safe, a parsed address
// formats and parses back to itself, and a text the settings accept as a server either
// parses or is the empty text.
#include "FuzzCheck.h"
#include "delivery/Ipv4Address.h"
#include "settings/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::uint32_t address = ParseIpv4Address(text);
    const std::string formatted = FormatIpv4Address(address);
    FUZZ_CHECK(ParseIpv4Address(formatted) == address);
    CSettings::IsValidServerAddress(text);
    return 0;
}
