#include "platform/linux/AtResponseParser.h"

#include <charconv>

void AtResponseParser::Feed(std::string_view bytes) {
    for (char c : bytes) {
        if (result_ != Result::Pending) {
            return;
        }
        if (c == '\r' || c == '\n') {
            TakeLine(partial_);
            partial_.clear();
        } else if (partial_.size() < 4096) {
            partial_ += c;
        }
    }
}

void AtResponseParser::TakeLine(std::string_view line) {
    if (line.empty()) {
        return;
    }
    if (line == "OK") {
        result_ = Result::Ok;
    } else if (line == "ERROR" || line.starts_with("+CME ERROR") ||
               line.starts_with("+CMS ERROR")) {
        result_ = Result::Error;
        errorText_ = line;
    } else if (line.starts_with(prefix_)) {
        lines_.emplace_back(line);
    }
}

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool ParseByteNumber(std::string_view text, int& value) {
    text = Trim(text);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0 && value <= 255;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<CrsmReply> ParseCrsmLine(std::string_view line) {
    constexpr std::string_view prefix = "+CRSM:";
    if (!line.starts_with(prefix)) {
        return std::nullopt;
    }
    line.remove_prefix(prefix.size());
    CrsmReply reply;
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos || !ParseByteNumber(line.substr(0, comma), reply.sw1)) {
        return std::nullopt;
    }
    line.remove_prefix(comma + 1);
    const std::size_t second = line.find(',');
    if (!ParseByteNumber(line.substr(0, second), reply.sw2)) {
        return std::nullopt;
    }
    if (second == std::string_view::npos) {
        return reply;
    }
    std::string_view hex = Trim(line.substr(second + 1));
    if (hex.size() >= 2 && hex.front() == '"' && hex.back() == '"') {
        hex = hex.substr(1, hex.size() - 2);
    }
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexValue(hex[i]);
        const int low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        reply.data.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return reply;
}

namespace {

std::optional<SimRecordType> TypeOfDescriptor(std::uint8_t descriptor) {
    if ((descriptor & 0x38) == 0x38) {
        return SimRecordType::Dedicated;
    }
    switch (descriptor & 0x07) {
        case 1:
            return SimRecordType::Transparent;
        case 2:
            return SimRecordType::Linear;
        case 6:
            return SimRecordType::Cyclic;
        default:
            return SimRecordType::Unknown;
    }
}

// Looks for the file descriptor (tag 0x82) inside a template 62 len ...
std::optional<SimRecordType> TypeOfTemplate(const std::vector<std::uint8_t>& data) {
    std::size_t i = 2;
    while (i + 2 <= data.size()) {
        const std::uint8_t tag = data[i];
        const std::size_t length = data[i + 1];
        if (tag == 0x82 && length >= 1 && i + 2 < data.size()) {
            return TypeOfDescriptor(data[i + 2]);
        }
        i += 2 + length;
    }
    return std::nullopt;
}

}  // namespace

std::optional<SimRecordType> RecordTypeOfResponse(const std::vector<std::uint8_t>& data) {
    if (!data.empty() && data[0] == 0x62) {
        return TypeOfTemplate(data);
    }
    // GSM layout: byte 6 is the kind of file, byte 13 an elementary file's structure.
    constexpr std::size_t KindIndex = 6;
    constexpr std::size_t StructureIndex = 13;
    if (data.size() <= KindIndex) {
        return std::nullopt;
    }
    if (data[KindIndex] == 1 || data[KindIndex] == 2) {
        return SimRecordType::Dedicated;
    }
    if (data[KindIndex] != 4) {
        return SimRecordType::Unknown;
    }
    if (data.size() <= StructureIndex) {
        return std::nullopt;
    }
    switch (data[StructureIndex]) {
        case 0:
            return SimRecordType::Transparent;
        case 1:
            return SimRecordType::Linear;
        case 3:
            return SimRecordType::Cyclic;
        default:
            return SimRecordType::Unknown;
    }
}
