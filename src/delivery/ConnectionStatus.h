#pragma once

#include <cstdint>
#include <string>

enum class ConnectionOutcome { NotConnected, Connected, Waiting, Failure };

struct ConnectionStatusInfo {
    ConnectionOutcome outcome;
    std::string text;  // empty for status 0, which leaves the shown text as it was
};

constexpr std::uint32_t ConnectionStatusConnected = 0x10;
constexpr std::uint32_t ConnectionStatusDisconnected = 0x20;
constexpr std::uint32_t ConnectionStatusWaitingForPath = 0x25;

ConnectionStatusInfo LookUpConnectionStatus(std::uint32_t status);
