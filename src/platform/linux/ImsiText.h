#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The content of a SIM's IMSI file that holds this IMSI text, so that an IMSI a service
// reports as text reaches the sender through the same decoding as one read from the card.
// Empty for an empty text or one that is not all decimal digits; more digits than the
// decoder keeps (63) are not encoded.
std::vector<std::uint8_t> ImsiFileFromText(const std::string& imsi);
