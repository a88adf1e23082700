#include "platform/linux/ImsiText.h"

#include <algorithm>

namespace {
constexpr std::size_t MaxDigits = 63;
constexpr std::uint8_t Filler = 0xF;
// The low half of the first byte: "IMSI", with the odd-count flag.
constexpr std::uint8_t ImsiTypeEven = 0x1;
constexpr std::uint8_t ImsiTypeOdd = 0x9;
}  // namespace

std::vector<std::uint8_t> ImsiFileFromText(const std::string& imsi) {
    if (imsi.empty() ||
        !std::all_of(imsi.begin(), imsi.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return {};
    }
    const std::string digits = imsi.substr(0, MaxDigits);
    std::vector<std::uint8_t> file;
    file.push_back(0);  // the length, filled in below
    file.push_back(static_cast<std::uint8_t>(
        ((digits[0] - '0') << 4) | (digits.size() % 2 != 0 ? ImsiTypeOdd : ImsiTypeEven)));
    for (std::size_t i = 1; i < digits.size(); i += 2) {
        const std::uint8_t low = static_cast<std::uint8_t>(digits[i] - '0');
        const std::uint8_t high =
            i + 1 < digits.size() ? static_cast<std::uint8_t>(digits[i + 1] - '0') : Filler;
        file.push_back(static_cast<std::uint8_t>((high << 4) | low));
    }
    file[0] = static_cast<std::uint8_t>(file.size() - 1);
    return file;
}
