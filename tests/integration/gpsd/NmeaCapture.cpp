#include "integration/gpsd/NmeaCapture.h"

#include <cstdlib>
#include <fstream>

namespace {

std::string CapturePath(const std::string& name) {
    return std::string(MZ_TESTDATA_DIR) + "/nmea/" + name;
}

// The number after "key": on a JSON line; enough for gpsd's flat TPV objects.
std::optional<double> NumberAfter(const std::string& line, const std::string& key) {
    const std::size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const char* start = line.c_str() + at + key.size() + 3;
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::vector<std::string> CaptureSentences(const std::string& name) {
    std::ifstream file(CapturePath(name), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(file, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            line.pop_back();
        }
        if (!line.empty() && line[0] != '#') {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<CheckedFix> CheckedFixes(const std::string& name) {
    std::ifstream file(CapturePath(name + ".chk"), std::ios::binary);
    std::vector<CheckedFix> fixes;
    std::string line;
    while (std::getline(file, line)) {
        if (line.find("\"class\":\"TPV\"") == std::string::npos) {
            continue;
        }
        const auto mode = NumberAfter(line, "mode");
        const auto latitude = NumberAfter(line, "lat");
        const auto longitude = NumberAfter(line, "lon");
        if (mode && *mode >= 2 && latitude && longitude) {
            CheckedFix fix{*latitude, *longitude, std::nullopt, {}};
            if (*mode >= 3) {
                fix.altitude = NumberAfter(line, "altMSL");
            }
            const std::size_t time = line.find("\"time\":\"");
            if (time != std::string::npos) {
                const std::size_t start = time + 8;
                fix.time = line.substr(start, line.find('"', start) - start);
            }
            fixes.push_back(fix);
        }
    }
    return fixes;
}
