#pragma once

#include <chrono>
#include <string>

#include "platform/SimManager.h"
#include "platform/linux/SerialPort.h"

// The SIM card reached through a modem's AT commands (restricted SIM access) on its
// serial port. One read, from Open to Close, is bounded by the budget, so a silent or
// absent modem holds the caller only that long; after a silence the modem is left alone
// for a pause, so that a caller retrying every tick is not slowed down on each one.
struct CrsmReply;

class AtModemSimCard final : public SimManager {
public:
    explicit AtModemSimCard(std::string devicePath, int baud = 115200,
                            std::chrono::milliseconds budget = std::chrono::milliseconds(300),
                            std::chrono::milliseconds pauseAfterSilence = std::chrono::seconds(2));

    bool Open() override;
    bool ReadRecordInfo(std::uint32_t fileId, SimRecordType& type) override;
    bool ReadTransparent(std::uint32_t fileId, std::span<std::uint8_t> buffer,
                         std::size_t& bytesRead) override;
    void Close() override;

    // What went wrong last, for diagnostics.
    const std::string& ErrorText() const { return errorText_; }

private:
    // Sends "AT+CRSM=..." and gives the reply when it ends in OK with status 144,0.
    bool Exchange(const std::string& arguments, CrsmReply& reply);
    bool Fail(const std::string& text);

    std::string devicePath_;
    int baud_;
    std::chrono::milliseconds budget_;
    std::chrono::milliseconds pauseAfterSilence_;
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::steady_clock::time_point quietUntil_;
    SerialPort port_;
    std::string errorText_;
};
