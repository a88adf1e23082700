#include "PultOutput.h"

#include <cstdio>
#include <vector>

#include "delivery/Ipv4Address.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Bytes outside printable ASCII are shown as \xNN so one datagram stays one line.
std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    return out;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
            out += escaped;
        }
    }
    return out + "\"";
}

std::string EndpointText(const Ipv4Endpoint& endpoint) {
    return FormatIpv4Address(endpoint.address) + ":" + std::to_string(endpoint.port);
}

}  // namespace

std::string FormatPultLine(const PultEntry& entry, bool json) {
    const ReportFields& f = entry.report.fields;
    const std::string from = EndpointText(entry.from);
    if (!entry.report.error.empty()) {
        if (json) {
            return "{\"kind\":\"malformed\",\"from\":" + JsonString(from) +
                   ",\"size\":" + std::to_string(entry.size) +
                   ",\"error\":" + JsonString(entry.report.error) + "}";
        }
        return "malformed from=" + from + " size=" + std::to_string(entry.size) +
               " error=" + Printable(entry.report.error);
    }
    const std::vector<std::string> lines = SplitLines(f.text);
    if (json) {
        std::string out =
            "{\"kind\":\"report\",\"from\":" + JsonString(from) +
            ",\"imsi\":" + JsonString(f.imsi) + ",\"number\":" + std::to_string(f.messageNumber) +
            ",\"code\":" + std::to_string(f.code) +
            ",\"parameter\":" + std::to_string(f.parameter) +
            ",\"acknowledged\":" + (entry.acknowledged ? "true" : "false") + ",\"lines\":[";
        for (std::size_t i = 0; i < lines.size(); ++i) {
            // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "," + string.
            if (i > 0) {
                out += ',';
            }
            out += JsonString(lines[i]);
        }
        return out + "]}";
    }
    std::string out = "report from=" + from + " imsi=" + Printable(f.imsi) +
                      " number=" + std::to_string(f.messageNumber) +
                      " code=" + std::to_string(f.code) +
                      " parameter=" + std::to_string(f.parameter) +
                      " ack=" + (entry.acknowledged ? "yes" : "no") + " lines=";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            out += '|';
        }
        out += Printable(lines[i]);
    }
    return out;
}
