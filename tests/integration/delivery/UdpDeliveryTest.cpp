#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdio>

#include "RealSenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"

namespace {

TEST(UdpDelivery, OnlyAnAcknowledgementOfThisMessageFromAServerEndsTheDelivery) {
    RealSenderFixture f;
    LoopbackPeer stranger("127.0.0.3", 0);
    f.sender->Post(MsgIntimate, 0);
    const auto first = f.NextDatagram();
    ASSERT_TRUE(first && first->fromMain) << "no datagram reached the main server";
    EXPECT_EQ(DecodeReportDatagram(first->bytes).fields.imsi, "001010123456789");
    f.main.Acknowledge(*first);
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.Logged("Сообщение 699 передано"), 1);

    f.sender->Post(MsgIntimate, 0);
    const auto second = f.NextDatagram();
    ASSERT_TRUE(second);
    f.main.Acknowledge(*first);     // the previous message's number
    stranger.Acknowledge(*second);  // right bytes, wrong host
    const auto retry = f.NextDatagram();
    ASSERT_TRUE(retry && !retry->fromMain) << "the second attempt goes to the reserve";
    f.main.Acknowledge(*second);  // late, but for this message
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.Logged("Сообщение 699 передано"), 2);
}

TEST(UdpDelivery, UnansweredAttemptsAlternateAndTheFifteenthGivesUp) {
    RealSenderFixture f;
    f.sender->Post(MsgIntimate, 0);
    for (int attempt = 1; attempt <= 15; ++attempt) {
        const auto got = f.NextDatagram();
        ASSERT_TRUE(got) << "attempt " << attempt << " reached no server";
        EXPECT_EQ(got->fromMain, attempt % 2 == 1) << "attempt " << attempt;
        EXPECT_EQ(DecodeReportDatagram(got->bytes).fields.messageNumber, 1'780'000'000u);
    }
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.Logged("Сообщение 699 не удалось передать"), 1);
    EXPECT_EQ(f.sender->GetStatusText(), "Сервер не отвечает");
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
    const std::uint16_t port = LoopbackPeer("127.0.0.1", 0).Port();  // free a moment ago
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
