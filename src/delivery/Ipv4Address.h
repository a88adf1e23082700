#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A text that is not an IPv4 address parses to this (the broadcast address).
constexpr std::uint32_t Ipv4AddressNone = 0xFFFFFFFFu;

// Parses the classic numbers-and-dots notation (1 to 4 parts, each decimal, 0x hex or
// 0 octal; the last part fills the remaining bytes) into host byte order. No name is
// looked up: a host name gives Ipv4AddressNone.
std::uint32_t ParseIpv4Address(std::string_view text);

std::string FormatIpv4Address(std::uint32_t address);
