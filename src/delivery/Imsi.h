#pragma once

#include <cstdint>
#include <span>
#include <string>

class SimManager;

constexpr std::uint32_t SimGsmDirectory = 0x7F20;
constexpr std::uint32_t SimImsiFile = 0x6F07;
constexpr std::size_t SimReadBufferSize = 128;

// Decodes the content of the IMSI file: a length byte, then the digits in half-bytes
// (the first byte's low half is the parity and type indicator, 0xF is the filler).
// Only the bytes given are decoded, whatever the length byte claims.
std::string DecodeImsi(std::span<const std::uint8_t> content);

// The SIM card's IMSI, or an empty text when it cannot be read.
std::string ReadImsi(SimManager& sim);
