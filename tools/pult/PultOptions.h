#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/DatagramSocket.h"

struct PultOptions {
    Ipv4Endpoint listen{0, 830};
    bool json = false;
    bool acknowledge = true;
    std::int64_t dropFirst = 0;
    double dropRate = 0;
    std::uint32_t seed = 1;
    std::optional<std::int64_t> count;
    bool help = false;
};

// Reads the command line (without the program name); error is empty on success.
PultOptions ParsePultOptions(const std::vector<std::string>& arguments, std::string& error);

extern const char* const PultUsage;
