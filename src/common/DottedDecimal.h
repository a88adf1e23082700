#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Reads an IPv4 address as the settings accept one: four numbers 0..255 joined by dots,
// each scanned as ScanDecimal does (white space and a sign may come before its digits),
// anything after the fourth number ignored. Every number is decimal, leading zeros too,
// so the address used is the one the owner wrote. Host byte order.
std::optional<std::uint32_t> ReadDottedDecimal(std::string_view text);
