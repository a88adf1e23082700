#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "common/MessageCodes.h"
#include "platform/linux/UdpDatagramSocket.h"
#include "support/PrivateNetwork.h"
#include "unit/delivery/SenderFixture.h"

namespace {

sockaddr_in LoopbackAddress(const char* address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &a.sin_addr);
    return a;
}

struct Received {
    std::vector<std::uint8_t> bytes;
    sockaddr_in from{};
    bool fromMain = false;
};

// A UDP socket of the test on a loopback address; it never blocks.
struct LoopbackPeer {
    LoopbackPeer(const char* address, std::uint16_t wanted)
        : fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        sockaddr_in local = LoopbackAddress(address, wanted);
        socklen_t length = sizeof local;
        ::bind(fd, reinterpret_cast<const sockaddr*>(&local), length);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        port = ntohs(local.sin_port);
    }
    ~LoopbackPeer() { ::close(fd); }
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
    std::uint16_t port = 0;
};

// A sender on a real UDP socket; main server 127.0.0.1, reserve 127.0.0.2, one port.
struct RealSenderFixture : SenderHarness {
    RealSenderFixture() {
        settings.MainServer = "127.0.0.1";
        settings.ReserveServer = "127.0.0.2";
        settings.Port = main.port;
        sender =
            std::make_unique<CSender>(settings, &gps, CSender::Platform{link, sim, socket, clock});
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
    LoopbackPeer reserve{"127.0.0.2", main.port};
    SimConnectionManager link;  // connected at once
    SimulatedSimCard sim;
    UdpDatagramSocket socket;
};

TEST(UdpDelivery, TheLinkIsChosenByTheMainServerWhileTheReserveIsInUse) {
    RealSenderFixture f;
    f.sender->Post(MsgIntimate, 0);
    ASSERT_TRUE(f.NextDatagram());
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->UsesReserve(); }));
    f.link.forcedStatus = ConnectionStatusDisconnected;
    ASSERT_TRUE(f.TickUntil([&] { return f.link.mappedAddresses.size() >= 3; }));
    f.link.forcedStatus.reset();
    const auto retry = f.NextDatagram();
    ASSERT_TRUE(retry && !retry->fromMain);
    EXPECT_THAT(f.link.mappedAddresses, ::testing::Each(std::string("http://127.0.0.1")));
}

TEST(UdpDelivery, FifteenUnansweredAttemptsGiveUpAndTheNextAnswerClearsTheFailure) {
    RealSenderFixture f;
    f.sender->Post(MsgIntimate, 0);
    for (int attempt = 1; attempt <= 15; ++attempt) {
        ASSERT_TRUE(f.NextDatagram()) << "attempt " << attempt << " reached no server";
        EXPECT_EQ(f.sender->GetStatusText(), "Жду ответа сервера");
    }
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.Logged("Сообщение 699 не удалось передать"), 1);
    EXPECT_EQ(f.sender->GetStatusText(), "Сервер не отвечает");

    // The next delivery clears the failure; without a reserve only the main server's answer counts.
    f.settings.ReserveServer = "";
    f.sender->Post(MsgIntimate, 0);
    const auto first = f.NextDatagram();
    ASSERT_TRUE(first && first->fromMain) << "no datagram reached the main server";
    f.reserve.Acknowledge(*first);
    const auto again = f.NextDatagram();
    ASSERT_TRUE(again && again->fromMain) << "the reserve's answer was taken";
    f.main.Acknowledge(*again);
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.Logged("Сообщение 699 передано"), 1);
    EXPECT_EQ(f.sender->GetStatusText(), "Сообщение передано успешно");
    EXPECT_EQ(f.sender->GetLastError(), "");
}

// Takes loopback's routes away (every send fails with "No route to host") or gives them back.
bool LoopbackRouted(bool routed) {
    const char* command =
        routed ? "PATH=/usr/sbin:/sbin:$PATH; ip route del unreachable 127.0.0.0/8 table local && "
                 "ip route add local 127.0.0.0/8 dev lo table local && "
                 "ip route add local 127.0.0.1 dev lo table local"
               : "PATH=/usr/sbin:/sbin:$PATH; ip route del local 127.0.0.0/8 dev lo table local && "
                 "ip route del local 127.0.0.1 dev lo table local && "
                 "ip route add unreachable 127.0.0.0/8 table local";
    return std::system(command) == 0;
}

TEST(UdpDelivery, RefusedSendsSayTheKernelsReasonAndTheReserveIsTriedNext) {
    const bool made = InPrivateNetwork([] {
        RealSenderFixture f;
        ASSERT_TRUE(LoopbackRouted(false));
        f.sender->Post(MsgIntimate, 0);
        ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetFailedAttempts() == 3; }));
        EXPECT_EQ(f.sender->GetLastError(),
                  "Ошибка передачи - " + std::string(std::strerror(EHOSTUNREACH)));
        ASSERT_TRUE(LoopbackRouted(true));
        const auto got = f.NextDatagram();
        ASSERT_TRUE(got && !got->fromMain) << "main, reserve, main refused: the reserve next";
        f.reserve.Acknowledge(*got);
        ASSERT_TRUE(f.TickUntilSent());
        EXPECT_EQ(f.Logged("Сообщение 699 передано"), 1);
    });
    if (!made) {
        GTEST_SKIP() << "no private network namespace (needs root and iproute2)";
    }
}

using ::testing::HasSubstr;

// The next output line of the program, waiting at most 20 s.
std::string ReadLine(FILE* out) {
    pollfd watched{fileno(out), POLLIN, 0};
    char text[4096] = {};
    if (::poll(&watched, 1, 20000) <= 0 || std::fgets(text, sizeof text, out) == nullptr) {
        return "(no line within 20 s)";
    }
    return text;
}

TEST(Pult, SenderReportIsPrintedAndAcknowledgedAfterAMalformedOne) {
    RealSenderFixture f;
    const std::uint16_t port = LoopbackPeer("127.0.0.1", 0).port;  // free a moment ago
    const std::string command =
        std::string(MZ_PULT_PATH) + " --json --count 2 --listen :" + std::to_string(port) + " 2>&1";
    FILE* pult = ::popen(command.c_str(), "r");
    ASSERT_NE(pult, nullptr);
    ASSERT_EQ(ReadLine(pult), "listening on 0.0.0.0:" + std::to_string(port) + "\n");
    const sockaddr_in to = LoopbackAddress("127.0.0.1", port);
    ::sendto(f.main.fd, "abc", 3, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    EXPECT_THAT(ReadLine(pult), HasSubstr("\"kind\":\"malformed\""));

    // Sent to 127.0.0.2 from 127.0.0.1: the answer must still come from 127.0.0.2.
    f.settings.MainServer = "127.0.0.2";
    f.settings.Port = port;
    f.gpsDevice.PushFix(55.7558, 37.6173);
    f.gps.SwitchOn();
    ASSERT_TRUE(f.TickUntil([&] {
        f.gps.Tick();
        return f.gps.IsFixRecent();
    }));
    f.sender->Post(MsgIntimate, 0);
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.Logged("Сообщение 699 передано"), 1);
    EXPECT_THAT(ReadLine(pult), HasSubstr("\"imsi\":\"001010123456789\",\"number\":1780000000,"
                                          "\"code\":699,\"parameter\":0,\"acknowledged\":true,"
                                          "\"lines\":[\"Long=37.617300 E\",\"Lat=55.755800 N\"]}"));
    EXPECT_EQ(::pclose(pult), 0);
}

}  // namespace
