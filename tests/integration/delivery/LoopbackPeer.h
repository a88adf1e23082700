#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

// A plain UDP socket of the test, bound to a loopback address, never blocking.
class LoopbackPeer {
public:
    LoopbackPeer(const std::string& address, std::uint16_t port);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    bool IsBound() const { return bound_; }
    std::uint16_t Port() const;
    bool Receive(std::vector<std::uint8_t>& bytes, sockaddr_in& from);
    void SendTo(const std::vector<std::uint8_t>& bytes, const sockaddr_in& to);
    void SendTo(const std::vector<std::uint8_t>& bytes, const std::string& address,
                std::uint16_t port);

private:
    int fd_ = -1;
    bool bound_ = false;
};

// The first 21 bytes of a report: what a server sends back.
std::vector<std::uint8_t> AckOf(const std::vector<std::uint8_t>& report);
