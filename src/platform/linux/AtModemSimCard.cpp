#include "platform/linux/AtModemSimCard.h"

#include <algorithm>

#include "platform/linux/AtResponseParser.h"

namespace {
constexpr int CommandGetResponse = 192;
constexpr int CommandReadBinary = 176;
constexpr std::uint32_t ImsiFile = 0x6F07;
constexpr std::size_t ImsiFileSize = 9;
constexpr int StatusNormalEnding = 144;
}  // namespace

AtModemSimCard::AtModemSimCard(std::string devicePath, int baud, std::chrono::milliseconds budget,
                               std::chrono::milliseconds pauseAfterSilence)
    : devicePath_(std::move(devicePath)),
      baud_(baud),
      budget_(budget),
      pauseAfterSilence_(pauseAfterSilence) {}

bool AtModemSimCard::Fail(const std::string& text) {
    errorText_ = text;
    return false;
}

bool AtModemSimCard::Open() {
    const auto now = std::chrono::steady_clock::now();
    if (now < quietUntil_) {
        return Fail("modem silent; trying again shortly");
    }
    deadline_ = now + budget_;
    // The port stays open between reads; it is reopened after it failed.
    if (!port_.IsOpen() && !port_.Open(devicePath_, baud_)) {
        return Fail(port_.ErrorText());
    }
    return true;
}

void AtModemSimCard::Close() {}

bool AtModemSimCard::Exchange(const std::string& arguments, CrsmReply& reply) {
    if (!port_.IsOpen()) {
        return Fail("modem not open");
    }
    // Whatever a command that timed out answered late must not be taken for this answer.
    port_.DiscardInput();
    auto left = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline_ - std::chrono::steady_clock::now());
    };
    if (!port_.Write("AT+CRSM=" + arguments + "\r", left())) {
        port_.Close();
        return Fail(port_.ErrorText());
    }
    AtResponseParser parser("+CRSM:");
    std::string received;
    while (parser.GetResult() == AtResponseParser::Result::Pending) {
        if (left().count() <= 0) {
            quietUntil_ = std::chrono::steady_clock::now() + pauseAfterSilence_;
            return Fail("no answer to AT+CRSM=" + arguments);
        }
        received.clear();
        if (!port_.Read(received, left())) {
            port_.Close();
            return Fail(port_.ErrorText());
        }
        parser.Feed(received);
    }
    if (parser.GetResult() == AtResponseParser::Result::Error) {
        return Fail(parser.ErrorText());
    }
    if (parser.Lines().empty()) {
        return Fail("OK without +CRSM");
    }
    const auto parsed = ParseCrsmLine(parser.Lines().back());
    if (!parsed) {
        return Fail("garbled answer: " + parser.Lines().back());
    }
    if (parsed->sw1 != StatusNormalEnding || parsed->sw2 != 0) {
        return Fail("SIM status " + std::to_string(parsed->sw1) + "," +
                    std::to_string(parsed->sw2));
    }
    reply = *parsed;
    return true;
}

bool AtModemSimCard::ReadRecordInfo(std::uint32_t fileId, SimRecordType& type) {
    CrsmReply reply;
    if (!Exchange(std::to_string(CommandGetResponse) + "," + std::to_string(fileId), reply)) {
        return false;
    }
    const auto recordType = RecordTypeOfResponse(reply.data);
    if (!recordType) {
        return Fail("file information too short");
    }
    type = *recordType;
    return true;
}

bool AtModemSimCard::ReadTransparent(std::uint32_t fileId, std::span<std::uint8_t> buffer,
                                     std::size_t& bytesRead) {
    const std::size_t wanted = std::min(buffer.size(), fileId == ImsiFile ? ImsiFileSize : 255);
    CrsmReply reply;
    if (!Exchange(std::to_string(CommandReadBinary) + "," + std::to_string(fileId) + ",0,0," +
                      std::to_string(wanted),
                  reply)) {
        return false;
    }
    bytesRead = std::min(reply.data.size(), buffer.size());
    std::copy_n(reply.data.begin(), bytesRead, buffer.begin());
    return true;
}
