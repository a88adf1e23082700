#include "delivery/Imsi.h"

#include <algorithm>
#include <array>

#include "platform/SimManager.h"

namespace {

constexpr std::size_t MaxImsiDigits = 63;
constexpr std::uint8_t Filler = 0xF;

void AppendDigit(std::string& digits, std::uint8_t halfByte) {
    if (halfByte != Filler && digits.size() < MaxImsiDigits) {
        digits.push_back(static_cast<char>('0' + halfByte));
    }
}

bool ReadImsiFile(SimManager& sim, std::array<std::uint8_t, SimReadBufferSize>& buffer,
                  std::size_t& bytesRead) {
    SimRecordType type = SimRecordType::Unknown;
    if (!sim.ReadRecordInfo(SimGsmDirectory, type) && !sim.ReadRecordInfo(SimImsiFile, type)) {
        return false;
    }
    if (!sim.ReadRecordInfo(SimImsiFile, type) || type != SimRecordType::Transparent) {
        return false;
    }
    return sim.ReadTransparent(SimImsiFile, buffer, bytesRead);
}

}  // namespace

std::string DecodeImsi(std::span<const std::uint8_t> content) {
    std::string digits;
    if (content.size() < 2) {
        return digits;
    }
    const std::size_t lastIndex = std::min<std::size_t>(content[0], content.size() - 1);
    AppendDigit(digits, content[1] >> 4);
    for (std::size_t i = 2; i <= lastIndex; ++i) {
        AppendDigit(digits, content[i] & 0xF);
        AppendDigit(digits, content[i] >> 4);
    }
    return digits;
}

std::string ReadImsi(SimManager& sim) {
    if (!sim.Open()) {
        return {};
    }
    std::array<std::uint8_t, SimReadBufferSize> buffer{};
    std::size_t bytesRead = 0;
    const bool read = ReadImsiFile(sim, buffer, bytesRead);
    sim.Close();
    if (!read) {
        return {};
    }
    return DecodeImsi(
        std::span<const std::uint8_t>(buffer).first(std::min(bytesRead, buffer.size())));
}
