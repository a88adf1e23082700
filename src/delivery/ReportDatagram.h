#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The report datagram: a 38-byte little-endian header, then the report text and a
// zero byte. The acknowledgement repeats its first 21 bytes.
constexpr std::size_t DatagramHeaderSize = 38;
constexpr std::size_t DatagramMaxSize = 1024;
constexpr std::size_t ReportTextMaxSize = DatagramMaxSize - DatagramHeaderSize - 1;  // 985
constexpr std::size_t AcknowledgementSize = 21;
constexpr std::uint8_t ReportDatagramKind = 20;

struct ReportFields {
    std::string imsi;
    std::uint32_t messageNumber = 0;
    std::uint32_t code = 0;
    std::uint32_t parameter = 0;
    std::string text;
};

// Cuts a text too long for one datagram after its last whole CR LF line that fits, so
// the control room never gets half a coordinate.
std::string FitReportText(std::string_view text);

// The datagram for a message; the text is fitted first.
std::vector<std::uint8_t> BuildReportDatagram(const ReportFields& fields);

// True when the first 21 bytes of an answer acknowledge this IMSI (as the datagram
// carried it) and message number.
bool IsAcknowledgement(std::span<const std::uint8_t> answer, std::string_view imsi,
                       std::uint32_t messageNumber);

// A received report datagram checked in full; error is empty when it is well formed.
struct DecodedReport {
    ReportFields fields;
    std::string error;
};
DecodedReport DecodeReportDatagram(std::span<const std::uint8_t> datagram);

std::uint32_t ReadLittleEndian32(std::span<const std::uint8_t> bytes, std::size_t offset);
