#include "common/DottedDecimal.h"

#include "common/TextConvert.h"

std::optional<std::uint32_t> ReadDottedDecimal(std::string_view text) {
    std::uint32_t address = 0;
    std::size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != '.') {
                return std::nullopt;
            }
            ++i;
        }
        std::int32_t value = 0;
        if (!ScanDecimal(text, i, value) || value < 0 || value > 255) {
            return std::nullopt;
        }
        address = (address << 8) | static_cast<std::uint32_t>(value);
    }
    return address;
}
