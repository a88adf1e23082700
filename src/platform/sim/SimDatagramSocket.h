#pragma once

#include <cstdint>
#include <map>

#include "platform/DatagramSocket.h"

class SimNetwork;

// A UDP socket layer on a SimNetwork. Each created socket gets its own port on the
// local address. Setting one of the *Error fields to an errno value makes that
// operation fail with it until cleared.
class SimDatagramSocket final : public DatagramSocket {
public:
    SimDatagramSocket(SimNetwork& network, std::uint32_t localAddress);

    bool Start() override;
    void Stop() override;
    int Create() override;
    long SendTo(int socket, std::span<const std::uint8_t> bytes, const Ipv4Endpoint& to) override;
    int WaitReadable(int socket) override;
    long ReceiveFrom(int socket, std::span<std::uint8_t> buffer, Ipv4Endpoint& from) override;
    void Close(int socket) override;
    int LastError() const override { return lastError_; }

    Ipv4Endpoint LocalEndpoint(int socket) const;

    bool startFails = false;
    int createError = 0;
    int sendError = 0;
    int waitError = 0;
    int receiveError = 0;

    int startCount = 0;
    int stopCount = 0;
    int createCount = 0;
    int closeCount = 0;

private:
    long Fail(int error);

    SimNetwork& network_;
    std::uint32_t localAddress_;
    std::map<int, Ipv4Endpoint> sockets_;
    int nextSocket_ = 3;
    std::uint16_t nextPort_ = 40000;
    int lastError_ = 0;
};
