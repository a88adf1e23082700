#include "platform/linux/LinkDestination.h"

#include <string_view>

#include "delivery/Ipv4Address.h"

bool MapHttpAddress(const std::string& text, DestinationId& destination) {
    constexpr std::string_view scheme = "http://";
    destination.fill(0);
    if (text.compare(0, scheme.size(), scheme) != 0) {
        return false;
    }
    const std::uint32_t address = ParseIpv4Address(std::string_view(text).substr(scheme.size()));
    if (address == Ipv4AddressNone) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        destination[i] = static_cast<std::uint8_t>(address >> (24 - 8 * i));
    }
    return true;
}

std::uint32_t AddressOfDestination(const DestinationId& destination) {
    std::uint32_t address = 0;
    for (int i = 0; i < 4; ++i) {
        address = (address << 8) | destination[i];
    }
    return address;
}
