#pragma once

#include <array>
#include <cstdint>
#include <string>

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

// The identifier of the network through which an address is reached.
using DestinationId = std::array<std::uint8_t, 16>;

// Brings the packet data link up and reports its state; every call returns at once.
class ConnectionManager {
public:
    ConnectionManager() = default;
    ConnectionManager(const ConnectionManager&) = delete;
    ConnectionManager& operator=(const ConnectionManager&) = delete;
    virtual ~ConnectionManager() = default;

    // Maps an address text such as "http://10.0.0.1" to its destination network;
    // false when it cannot (the caller then uses the all-zero identifier).
    virtual bool MapDestination(const std::string& address, DestinationId& destination) = 0;
    // Asks for a connection without waiting for it; on acceptance gives a non-zero handle.
    virtual bool RequestConnection(const DestinationId& destination, std::uint32_t& connection) = 0;
    // The status value of a held connection, one of the ConnectionStatus values above.
    virtual std::uint32_t ReadStatus(std::uint32_t connection) = 0;
    // Gives the connection back; the handle is not used again.
    virtual void Release(std::uint32_t connection) = 0;
    // How often the network has been seen to change (addresses, routes, the state the
    // network manager reports); it only grows. A link that cannot tell stays at 0.
    virtual std::uint64_t NetworkChanges() const { return 0; }
};
