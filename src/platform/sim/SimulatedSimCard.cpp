#include "platform/sim/SimulatedSimCard.h"

#include <algorithm>

namespace {
constexpr std::uint32_t GsmDirectory = 0x7F20;
constexpr std::uint32_t ImsiFile = 0x6F07;
}  // namespace

bool SimulatedSimCard::Open() {
    ++openCount;
    isOpen = present;
    return present;
}

bool SimulatedSimCard::ReadRecordInfo(std::uint32_t fileId, SimRecordType& type) {
    if (!isOpen) {
        return false;
    }
    if (fileId == GsmDirectory && directoryReadable) {
        type = SimRecordType::Dedicated;
        return true;
    }
    if (fileId == ImsiFile) {
        type = imsiFileType;
        return true;
    }
    return false;
}

bool SimulatedSimCard::ReadTransparent(std::uint32_t fileId, std::span<std::uint8_t> buffer,
                                       std::size_t& bytesRead) {
    if (!isOpen || fileId != ImsiFile || !contentReadable) {
        return false;
    }
    const std::size_t stored = std::min(imsiFile.size(), buffer.size());
    std::copy_n(imsiFile.begin(), stored, buffer.begin());
    bytesRead = claimedBytesRead.value_or(stored);
    return true;
}

void SimulatedSimCard::Close() {
    ++closeCount;
    isOpen = false;
}
