#pragma once

#include <array>
#include <cstdint>
#include <string>

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
    // The status value of a held connection (16 connected, 32.. failures, 37.. waiting).
    virtual std::uint32_t ReadStatus(std::uint32_t connection) = 0;
    // Gives the connection back; the handle is not used again.
    virtual void Release(std::uint32_t connection) = 0;
};
