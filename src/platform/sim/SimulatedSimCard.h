#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/SimManager.h"

// A simulated SIM card holding the raw bytes of its IMSI file.
class SimulatedSimCard final : public SimManager {
public:
    bool Open() override;
    bool ReadRecordInfo(std::uint32_t fileId, SimRecordType& type) override;
    bool ReadTransparent(std::uint32_t fileId, std::span<std::uint8_t> buffer,
                         std::size_t& bytesRead) override;
    void Close() override;

    // 001010123456789, the usual test network's IMSI.
    std::vector<std::uint8_t> imsiFile = {0x08, 0x09, 0x10, 0x10, 0x10, 0x32, 0x54, 0x76, 0x98};
    bool present = true;
    bool directoryReadable = true;
    SimRecordType imsiFileType = SimRecordType::Transparent;
    bool contentReadable = true;
    // A faulty driver may claim more bytes than it stored.
    std::optional<std::size_t> claimedBytesRead;

    int openCount = 0;
    int closeCount = 0;
    bool isOpen = false;
};
