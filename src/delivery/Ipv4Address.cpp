#include "delivery/Ipv4Address.h"

#include <array>
#include <cstddef>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

int DigitValue(char c, int base) {
    int value = 99;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

// One dotted part starting at pos; false when no digits or the value passes 32 bits.
bool ParsePart(std::string_view text, std::size_t& pos, std::uint64_t& value) {
    int base = 10;
    if (pos < text.size() && text[pos] == '0') {
        base = 8;
        if (pos + 1 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
            base = 16;
            pos += 2;
        }
    }
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size()) {
        const int digit = DigitValue(text[pos], base);
        if (digit < 0) {
            break;
        }
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFu) {
            return false;
        }
        ++pos;
    }
    // "0x" alone is a valid zero; a leading "0" is itself a digit.
    return pos > start || base == 16;
}

}  // namespace

std::uint32_t ParseIpv4Address(std::string_view text) {
    std::array<std::uint64_t, 4> parts{};
    std::size_t count = 0;
    std::size_t pos = 0;
    while (true) {
        if (count == parts.size() || !ParsePart(text, pos, parts[count])) {
            return Ipv4AddressNone;
        }
        ++count;
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            continue;
        }
        break;
    }
    if (pos < text.size() && !IsSpace(text[pos])) {
        return Ipv4AddressNone;
    }
    std::uint64_t address = 0;
    const std::uint64_t lastLimit = 0xFFFFFFFFu >> (8 * (count - 1));
    for (std::size_t i = 0; i + 1 < count; ++i) {
        if (parts[i] > 0xFF) {
            return Ipv4AddressNone;
        }
        address |= parts[i] << (24 - 8 * i);
    }
    if (parts[count - 1] > lastLimit) {
        return Ipv4AddressNone;
    }
    return static_cast<std::uint32_t>(address | parts[count - 1]);
}

std::string FormatIpv4Address(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}
