#pragma once

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>

#include "platform/linux/DirectLink.h"
#include "platform/linux/UdpDatagramSocket.h"
#include "unit/delivery/SenderFixture.h"

using Bytes = std::vector<std::uint8_t>;

inline sockaddr_in LoopbackAddress(const char* address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &a.sin_addr);
    return a;
}

struct Received {
    Bytes bytes;
    sockaddr_in from{};
    bool fromMain = false;
};

// A UDP socket of the test on a loopback address; it never blocks.
struct LoopbackPeer {
    LoopbackPeer(const char* address, std::uint16_t port)
        : fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        const sockaddr_in local = LoopbackAddress(address, port);
        ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    }
    ~LoopbackPeer() { ::close(fd); }
    std::uint16_t Port() const {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        return ntohs(local.sin_port);
    }
    bool Receive(Received& got) {
        got.bytes.resize(2048);
        socklen_t length = sizeof got.from;
        const ssize_t n = ::recvfrom(fd, got.bytes.data(), got.bytes.size(), 0,
                                     reinterpret_cast<sockaddr*>(&got.from), &length);
        got.bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return n >= 0;
    }
    // Answers a report the way a server does: with its first 21 bytes.
    void Acknowledge(const Received& report) {
        ::sendto(fd, report.bytes.data(), 21, 0, reinterpret_cast<const sockaddr*>(&report.from),
                 sizeof report.from);
    }

    int fd;
};

// A sender on a real UDP socket; main server 127.0.0.1, reserve 127.0.0.2, one port.
struct RealSenderFixture : SenderHarness {
    explicit RealSenderFixture(SimManager* simCard = nullptr) {
        settings.MainServer = "127.0.0.1";
        settings.ReserveServer = "127.0.0.2";
        settings.Port = main.Port();
        sender = std::make_unique<CSender>(
            settings, &gps, CSender::Platform{link, simCard ? *simCard : sim, socket, clock});
    }
    ~RealSenderFixture() { sender.reset(); }

    // Ticks until a server has a datagram.
    std::optional<Received> NextDatagram() {
        Received got;
        const auto arrived = [&] {
            return (got.fromMain = main.Receive(got)) || reserve.Receive(got);
        };
        return TickUntil(arrived) ? std::optional(got) : std::nullopt;
    }

    SimGpsDevice gpsDevice;
    CGpsReader gps{settings, gpsDevice, clock};
    LoopbackPeer main{"127.0.0.1", 0};
    LoopbackPeer reserve{"127.0.0.2", main.Port()};
    DirectLink link;
    SimSimManager sim;
    UdpDatagramSocket socket;
};
