#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

enum class SimRecordType { Unknown, Transparent, Linear, Cyclic, Dedicated };

// Reads files of the SIM card. Each call returns promptly, also when no card answers.
class SimManager {
public:
    SimManager() = default;
    SimManager(const SimManager&) = delete;
    SimManager& operator=(const SimManager&) = delete;
    virtual ~SimManager() = default;

    virtual bool Open() = 0;
    virtual bool ReadRecordInfo(std::uint32_t fileId, SimRecordType& type) = 0;
    // Reads a transparent file from its start into the buffer; bytesRead is how much
    // of the buffer was really filled.
    virtual bool ReadTransparent(std::uint32_t fileId, std::span<std::uint8_t> buffer,
                                 std::size_t& bytesRead) = 0;
    virtual void Close() = 0;
};
