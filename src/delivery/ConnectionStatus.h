#pragma once

#include <cstdint>
#include <string>

enum class ConnectionOutcome { NotConnected, Connected, Waiting, Failure };

struct ConnectionStatusInfo {
    ConnectionOutcome outcome;
    std::string text;  // empty for status 0, which leaves the shown text as it was
};

// The status values a connection manager reports; any other value is an unknown failure.
constexpr std::uint32_t ConnectionStatusUnknown = 0x00;
constexpr std::uint32_t ConnectionStatusConnected = 0x10;
constexpr std::uint32_t ConnectionStatusDisconnected = 0x20;
constexpr std::uint32_t ConnectionStatusConnectionFailed = 0x21;
constexpr std::uint32_t ConnectionStatusConnectionCanceled = 0x22;
constexpr std::uint32_t ConnectionStatusConnectionDisabled = 0x23;
constexpr std::uint32_t ConnectionStatusNoPathToDestination = 0x24;
constexpr std::uint32_t ConnectionStatusWaitingForPath = 0x25;
constexpr std::uint32_t ConnectionStatusWaitingForPhone = 0x26;  // a voice call holds the radio
constexpr std::uint32_t ConnectionStatusPhoneOff = 0x27;
constexpr std::uint32_t ConnectionStatusWaitingConnection = 0x40;
constexpr std::uint32_t ConnectionStatusWaitingForResource = 0x41;
constexpr std::uint32_t ConnectionStatusWaitingForNetwork = 0x42;
constexpr std::uint32_t ConnectionStatusWaitingDisconnection = 0x80;
constexpr std::uint32_t ConnectionStatusWaitingConnectionAbort = 0x81;

ConnectionStatusInfo LookUpConnectionStatus(std::uint32_t status);
