#pragma once

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// A UDP socket of the test on a loopback address; it never blocks.
struct LoopbackPeer {
    LoopbackPeer(const char* address, std::uint16_t port)
        : fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        const sockaddr_in local = LoopbackAddress(address, port);
        bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    }
    ~LoopbackPeer() { ::close(fd); }
    std::uint16_t Port() const {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        return ntohs(local.sin_port);
    }
    bool Receive(Bytes& bytes, sockaddr_in& from) {
        bytes.resize(2048);
        socklen_t length = sizeof from;
        const ssize_t got = ::recvfrom(fd, bytes.data(), bytes.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &length);
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return got >= 0;
    }
    // Answers a report the way a server does: with its first 21 bytes.
    void Acknowledge(const Bytes& report, const sockaddr_in& to) {
        ::sendto(fd, report.data(), 21, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }

    int fd;
    bool bound = false;
};

// A sender on a real UDP socket; main server 127.0.0.1, reserve 127.0.0.2, one port.
struct RealSenderFixture : SettingsHarness {
    explicit RealSenderFixture(SimManager* simCard = nullptr) {
        settings.MainServer = "127.0.0.1";
        settings.ReserveServer = "127.0.0.2";
        settings.Port = main.Port();
        sender = std::make_unique<CSender>(
            settings, &gps, CSender::Platform{link, simCard ? *simCard : sim, socket, clock});
    }

    void Tick(int count) {
        for (int i = 0; i < count; ++i) {
            clock.AdvanceMilliseconds(100);
            sender->Tick();
        }
    }
    // Ticks until the condition holds; false after 20 s of real time.
    bool TickUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            clock.AdvanceMilliseconds(100);
            sender->Tick();
            if (condition()) {
                return true;
            }
        }
        return false;
    }
    // Ticks until a server has a datagram; fromMain tells which one.
    bool NextDatagram(Bytes& bytes, sockaddr_in& from, bool& fromMain) {
        return TickUntil([&] {
            fromMain = main.Receive(bytes, from);
            return fromMain || reserve.Receive(bytes, from);
        });
    }
    SimGpsDevice gpsDevice;
    CGpsReader gps{settings, gpsDevice, clock};
    LoopbackPeer main{"127.0.0.1", 0};
    LoopbackPeer reserve{"127.0.0.2", main.Port()};
    DirectLink link;
    SimSimManager sim;
    UdpDatagramSocket socket;
    std::unique_ptr<CSender> sender;
};
