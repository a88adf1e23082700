#include "delivery/ReportDatagram.h"

#include <algorithm>

namespace {

constexpr std::size_t ImsiOffset = 1;
constexpr std::size_t ImsiDigits = 15;
constexpr std::size_t NumberOffset = 17;
constexpr std::size_t CodeOffset = 21;
constexpr std::size_t ParameterOffset = 25;
constexpr std::size_t TextLengthOffset = 29;
constexpr std::size_t TextCountOffset = 33;
constexpr std::size_t ChecksumOffset = 37;

void WriteLittleEndian32(std::vector<std::uint8_t>& bytes, std::size_t offset,
                         std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint8_t ByteSum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<std::uint8_t>(sum);
}

}  // namespace

std::uint32_t ReadLittleEndian32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | bytes[offset + i];
    }
    return value;
}

std::string FitReportText(std::string_view text) {
    if (text.size() <= ReportTextMaxSize) {
        return std::string(text);
    }
    const std::size_t lineEnd = text.substr(0, ReportTextMaxSize).rfind("\r\n");
    if (lineEnd == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(0, lineEnd + 2));
}

std::vector<std::uint8_t> BuildReportDatagram(const ReportFields& fields) {
    const std::string text = FitReportText(fields.text);
    const std::size_t textLength = text.empty() ? 0 : text.size() + 1;
    std::vector<std::uint8_t> bytes(DatagramHeaderSize + textLength, 0);
    bytes[0] = ReportDatagramKind;
    const std::size_t imsiLength = std::min(fields.imsi.size(), ImsiDigits);
    std::copy_n(fields.imsi.begin(), imsiLength, bytes.begin() + ImsiOffset);
    WriteLittleEndian32(bytes, NumberOffset, fields.messageNumber);
    WriteLittleEndian32(bytes, CodeOffset, fields.code);
    WriteLittleEndian32(bytes, ParameterOffset, fields.parameter);
    if (!text.empty()) {
        WriteLittleEndian32(bytes, TextLengthOffset, static_cast<std::uint32_t>(textLength));
        WriteLittleEndian32(bytes, TextCountOffset, 1);
        std::copy(text.begin(), text.end(), bytes.begin() + DatagramHeaderSize);
    }
    bytes[ChecksumOffset] = static_cast<std::uint8_t>(-ByteSum(bytes));
    return bytes;
}

bool IsAcknowledgement(std::span<const std::uint8_t> answer, std::string_view imsi,
                       std::uint32_t messageNumber) {
    if (answer.size() < AcknowledgementSize) {
        return false;
    }
    // Bytes 1..16 hold the IMSI as a zero-terminated text.
    const auto field = answer.subspan(ImsiOffset, NumberOffset - ImsiOffset);
    const auto zero = std::find(field.begin(), field.end(), std::uint8_t{0});
    if (zero == field.end()) {
        return false;
    }
    const std::string_view answered(reinterpret_cast<const char*>(field.data()),
                                    static_cast<std::size_t>(zero - field.begin()));
    // The datagram carries at most 15 digits, so that is all a server can repeat; a
    // longer (garbled) IMSI must not make every message undeliverable.
    return answered == imsi.substr(0, ImsiDigits) &&
           ReadLittleEndian32(answer, NumberOffset) == messageNumber;
}

DecodedReport DecodeReportDatagram(std::span<const std::uint8_t> datagram) {
    DecodedReport report;
    if (datagram.size() < DatagramHeaderSize) {
        report.error = "short datagram (" + std::to_string(datagram.size()) + " bytes)";
        return report;
    }
    if (datagram.size() > DatagramMaxSize) {
        report.error = "datagram longer than 1024 bytes";
        return report;
    }
    ReportFields& fields = report.fields;
    const auto imsiField = datagram.subspan(ImsiOffset, ImsiDigits);
    const auto imsiEnd = std::find(imsiField.begin(), imsiField.end(), std::uint8_t{0});
    fields.imsi.assign(imsiField.begin(), imsiEnd);
    fields.messageNumber = ReadLittleEndian32(datagram, NumberOffset);
    fields.code = ReadLittleEndian32(datagram, CodeOffset);
    fields.parameter = ReadLittleEndian32(datagram, ParameterOffset);
    const std::uint32_t textLength = ReadLittleEndian32(datagram, TextLengthOffset);
    const std::uint32_t textCount = ReadLittleEndian32(datagram, TextCountOffset);

    if (ByteSum(datagram) != 0) {
        report.error = "bad checksum";
    } else if (datagram[0] != ReportDatagramKind) {
        report.error = "unknown kind " + std::to_string(datagram[0]);
    } else if (datagram[NumberOffset - 1] != 0) {
        report.error = "IMSI not terminated";
    } else if (textCount != (textLength == 0 ? 0u : 1u)) {
        report.error = "text count " + std::to_string(textCount) + " does not match text length " +
                       std::to_string(textLength);
    } else if (datagram.size() != DatagramHeaderSize + textLength) {
        report.error = "text length " + std::to_string(textLength) + " does not match " +
                       std::to_string(datagram.size()) + " bytes";
    } else if (textLength > 0 && datagram.back() != 0) {
        report.error = "text not terminated";
    }
    if (!report.error.empty()) {
        return report;
    }
    if (textLength > 0) {
        const auto text = datagram.subspan(DatagramHeaderSize, textLength - 1);
        fields.text.assign(text.begin(), text.end());
    }
    return report;
}
