#include "platform/linux/LinkDestination.h"

#include <optional>
#include <string_view>

#include "common/DottedDecimal.h"

bool MapHttpAddress(const std::string& text, DestinationId& destination) {
    constexpr std::string_view scheme = "http://";
    destination.fill(0);
    if (text.compare(0, scheme.size(), scheme) != 0) {
        return false;
    }
    // The same reading as the sender's, so the route probed is the one reports take.
    const std::optional<std::uint32_t> parsed =
        ReadDottedDecimal(std::string_view(text).substr(scheme.size()));
    if (!parsed) {
        return false;
    }
    const std::uint32_t address = *parsed;
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
