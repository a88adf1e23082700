#pragma once

#include <set>

#include "platform/DatagramSocket.h"

// IPv4 UDP on POSIX sockets. Stop closes every socket still open, as the end of the
// socket layer does on the handset.
class UdpDatagramSocket final : public DatagramSocket {
public:
    UdpDatagramSocket() = default;
    ~UdpDatagramSocket() override;

    bool Start() override { return true; }
    void Stop() override;
    int Create() override;
    long SendTo(int socket, std::span<const std::uint8_t> bytes, const Ipv4Endpoint& to) override;
    int WaitReadable(int socket) override;
    long ReceiveFrom(int socket, std::span<std::uint8_t> buffer, Ipv4Endpoint& from) override;
    void Close(int socket) override;
    int LastError() const override { return lastError_; }

private:
    long Fail();

    std::set<int> open_;
    int lastError_ = 0;
};
