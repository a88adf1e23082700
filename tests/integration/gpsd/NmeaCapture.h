#pragma once

#include <optional>
#include <string>
#include <vector>

// The sentences of a capture in ../shared/testdata/nmea, without its comment lines.
std::vector<std::string> CaptureSentences(const std::string& name);

// The positions gpsd itself decoded from a capture: its TPV reports of a 2D or 3D fix.
struct CheckedFix {
    double latitude = 0;
    double longitude = 0;
    std::optional<double> altitude;  // above sea level, 3D fixes only
    std::string time;                // as gpsd gave it, e.g. 2022-10-18T11:32:58.000Z
};
std::vector<CheckedFix> CheckedFixes(const std::string& name);
