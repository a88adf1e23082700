#pragma once

#include <cstdint>
#include <span>

// An IPv4 address and port, both in host byte order.
struct Ipv4Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;

    bool operator==(const Ipv4Endpoint&) const = default;
};

// The UDP socket layer. Socket handles are small non-negative numbers, -1 for none.
class DatagramSocket {
public:
    DatagramSocket() = default;
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;
    virtual ~DatagramSocket() = default;

    // Starts the socket layer; may be called again while it runs.
    virtual bool Start() = 0;
    virtual void Stop() = 0;
    virtual int Create() = 0;
    // Bytes sent, or a negative value on failure.
    virtual long SendTo(int socket, std::span<const std::uint8_t> bytes,
                        const Ipv4Endpoint& to) = 0;
    // Waits at most 1 ms: 1 readable, 0 nothing to read, -1 failure.
    virtual int WaitReadable(int socket) = 0;
    // Reads one datagram, cut to the buffer's size; bytes stored or a negative value.
    virtual long ReceiveFrom(int socket, std::span<std::uint8_t> buffer, Ipv4Endpoint& from) = 0;
    virtual void Close(int socket) = 0;
    // The error number (errno) of the last failed call.
    virtual int LastError() const = 0;
};
