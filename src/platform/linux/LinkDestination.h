#pragma once

#include <cstdint>
#include <string>

#include "platform/ConnectionManager.h"

// The links carry the server's IPv4 address in the destination identifier. An address
// text "http://a.b.c.d" maps; anything else does not.
bool MapHttpAddress(const std::string& text, DestinationId& destination);
std::uint32_t AddressOfDestination(const DestinationId& destination);
