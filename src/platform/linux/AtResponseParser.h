#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SimManager.h"

// Gathers a modem's answer to one AT command from bytes as they arrive, in pieces of
// any size. The echo of the command, blank lines and unsolicited lines (RING,
// +CREG: ...) are skipped; only lines starting with the expected prefix are kept.
class AtResponseParser {
public:
    enum class Result { Pending, Ok, Error };

    explicit AtResponseParser(std::string expectedPrefix) : prefix_(std::move(expectedPrefix)) {}

    void Feed(std::string_view bytes);
    Result GetResult() const { return result_; }
    // The final line when it was not OK: "ERROR", "+CME ERROR: 10", ...
    const std::string& ErrorText() const { return errorText_; }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    void TakeLine(std::string_view line);

    std::string prefix_;
    std::string partial_;
    std::vector<std::string> lines_;
    std::string errorText_;
    Result result_ = Result::Pending;
};

// One "+CRSM: sw1,sw2[,"hex"]" line.
struct CrsmReply {
    int sw1 = 0;
    int sw2 = 0;
    std::vector<std::uint8_t> data;
};

// Nothing for a malformed line: missing status words, data of odd length or not hex.
std::optional<CrsmReply> ParseCrsmLine(std::string_view line);

// The file type in an answer to GET RESPONSE, in the GSM layout or as a UICC file
// control parameter template; nothing when the answer is too short to tell.
std::optional<SimRecordType> RecordTypeOfResponse(const std::vector<std::uint8_t>& data);
