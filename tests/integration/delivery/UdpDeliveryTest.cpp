#include <gtest/gtest.h>

#include "RealSenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"

namespace {

TEST(UdpDelivery, ReportReachesTheMainServerAndItsAcknowledgementEndsIt) {
    RealSenderFixture f;
    ASSERT_TRUE(f.main.IsBound() && f.reserve.IsBound()) << "cannot bind 127.0.0.1/127.0.0.2";
    f.sender->Post(MsgIntimate, 0);
    std::vector<std::uint8_t> bytes;
    sockaddr_in from{};
    bool fromMain = false;
    ASSERT_TRUE(f.NextDatagram(bytes, from, fromMain)) << "no datagram reached a server";
    EXPECT_TRUE(fromMain);
    ASSERT_EQ(bytes.size(), 38u);
    const DecodedReport report = DecodeReportDatagram(bytes);
    EXPECT_EQ(report.error, "");
    EXPECT_EQ(report.fields.imsi, "001010123456789");
    EXPECT_EQ(report.fields.code, MsgIntimate);
    f.main.SendTo(AckOf(bytes), from);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
    EXPECT_TRUE(f.Logged("Сообщение 699 передано"));
}

TEST(UdpDelivery, UnansweredAttemptsAlternateAndTheFifteenthGivesUp) {
    RealSenderFixture f;
    f.sender->Post(MsgIntimate, 0);
    std::vector<bool> toMain;
    std::vector<std::uint8_t> bytes;
    sockaddr_in from{};
    bool fromMain = false;
    while (toMain.size() < 15 && f.NextDatagram(bytes, from, fromMain)) {
        toMain.push_back(fromMain);
    }
    ASSERT_EQ(toMain.size(), 15u);
    for (std::size_t i = 0; i < toMain.size(); ++i) {
        EXPECT_EQ(toMain[i], i % 2 == 0) << "attempt " << i + 1;
    }
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
    EXPECT_TRUE(f.Logged("Сообщение 699 не удалось передать"));
    EXPECT_EQ(f.sender->GetStatusText(), "Сервер не отвечает");
}

TEST(UdpDelivery, LateAcknowledgementOfAnEarlierAttemptStillCounts) {
    RealSenderFixture f;
    f.sender->Post(MsgAlarm, 0);
    std::vector<std::uint8_t> first, second;
    sockaddr_in from{}, reserveFrom{};
    bool fromMain = false;
    ASSERT_TRUE(f.NextDatagram(first, from, fromMain));
    ASSERT_TRUE(f.NextDatagram(second, reserveFrom, fromMain));
    ASSERT_FALSE(fromMain) << "the second attempt should go to the reserve";
    f.main.SendTo(AckOf(first), from);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
    EXPECT_TRUE(f.Logged("Сообщение 122 передано"));
    EXPECT_EQ(f.sender->GetFailedAttempts(), 0);
}

TEST(UdpDelivery, StaleOrForeignAcknowledgementsAreIgnored) {
    RealSenderFixture f;
    LoopbackPeer stranger("127.0.0.3", 0);
    ASSERT_TRUE(stranger.IsBound());
    std::vector<std::uint8_t> first, second;
    sockaddr_in from{};
    bool fromMain = false;
    f.sender->Post(MsgIntimate, 0);
    ASSERT_TRUE(f.NextDatagram(first, from, fromMain));
    f.main.SendTo(AckOf(first), from);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));

    f.sender->Post(MsgIntimate, 0);
    ASSERT_TRUE(f.NextDatagram(second, from, fromMain));
    f.main.SendTo(AckOf(first), from);     // the previous message's number
    stranger.SendTo(AckOf(second), from);  // right bytes, wrong host
    // Both answers are on the loopback already; a few ticks read them.
    for (int i = 0; i < 5; ++i) {
        f.clock.AdvanceMilliseconds(100);
        f.sender->Tick();
    }
    EXPECT_FALSE(f.sender->IsQueueEmpty());
    EXPECT_EQ(f.sender->GetState(), SenderWaiting);
    f.reserve.SendTo(AckOf(second), from);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
}

TEST(UdpDelivery, HostNameAsServerFailsAtSending) {
    RealSenderFixture f;
    f.settings.MainServer = "pult.example";
    f.sender->Post(MsgAlarm, 0);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetFailedAttempts() > 0; }));
    EXPECT_EQ(f.sender->GetLastError().rfind("Ошибка передачи - ", 0), 0u);
    EXPECT_GT(f.sender->GetLastError().size(), std::string("Ошибка передачи - ").size());
}

}  // namespace
