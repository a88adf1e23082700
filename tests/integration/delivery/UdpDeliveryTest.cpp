#include <gtest/gtest.h>

#include "RealSenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"

namespace {

TEST(UdpDelivery, ReportReachesTheMainServerAndItsAcknowledgementEndsIt) {
    RealSenderFixture f;
    ASSERT_TRUE(f.main.bound && f.reserve.bound) << "cannot bind 127.0.0.1/127.0.0.2";
    f.sender->Post(MsgIntimate, 0);
    Bytes bytes;
    sockaddr_in from{};
    bool fromMain = false;
    ASSERT_TRUE(f.NextDatagram(bytes, from, fromMain)) << "no datagram reached a server";
    EXPECT_TRUE(fromMain);
    const DecodedReport report = DecodeReportDatagram(bytes);
    EXPECT_EQ(bytes.size(), 38u);
    EXPECT_EQ(report.error, "");
    EXPECT_EQ(report.fields.imsi, "001010123456789");
    EXPECT_EQ(report.fields.code, MsgIntimate);
    f.main.Acknowledge(bytes, from);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
    EXPECT_TRUE(f.Logged("Сообщение 699 передано"));
}

TEST(UdpDelivery, UnansweredAttemptsAlternateAndTheFifteenthGivesUp) {
    RealSenderFixture f;
    f.sender->Post(MsgIntimate, 0);
    Bytes bytes;
    sockaddr_in from{};
    bool fromMain = false;
    int attempts = 0;
    while (attempts < 15 && f.NextDatagram(bytes, from, fromMain)) {
        EXPECT_EQ(fromMain, attempts % 2 == 0) << "attempt " << attempts + 1;
        EXPECT_EQ(DecodeReportDatagram(bytes).fields.messageNumber, 1'780'000'000u);
        ++attempts;
    }
    ASSERT_EQ(attempts, 15);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
    EXPECT_TRUE(f.Logged("Сообщение 699 не удалось передать"));
    EXPECT_EQ(f.sender->GetStatusCode(), DeliveryFailed);
    EXPECT_EQ(f.sender->GetStatusText(), "Сервер не отвечает");
    EXPECT_EQ(f.sender->GetMessageNumber(), 1'780'000'001u);
}

TEST(UdpDelivery, LateAcknowledgementOfAnEarlierAttemptStillCounts) {
    RealSenderFixture f;
    f.sender->Post(MsgAlarm, 0);
    Bytes first, second;
    sockaddr_in from{}, reserveFrom{};
    bool fromMain = false;
    ASSERT_TRUE(f.NextDatagram(first, from, fromMain));
    ASSERT_TRUE(f.NextDatagram(second, reserveFrom, fromMain));
    ASSERT_FALSE(fromMain) << "the second attempt should go to the reserve";
    f.main.Acknowledge(first, from);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
    EXPECT_TRUE(f.Logged("Сообщение 122 передано"));
}

TEST(UdpDelivery, StaleOrForeignAcknowledgementsAreIgnored) {
    RealSenderFixture f;
    LoopbackPeer stranger("127.0.0.3", 0);
    Bytes first, second;
    sockaddr_in from{};
    bool fromMain = false;
    f.sender->Post(MsgIntimate, 0);
    ASSERT_TRUE(f.NextDatagram(first, from, fromMain));
    f.main.Acknowledge(first, from);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));

    f.sender->Post(MsgIntimate, 0);
    ASSERT_TRUE(f.NextDatagram(second, from, fromMain));
    f.main.Acknowledge(first, from);     // the previous message's number
    stranger.Acknowledge(second, from);  // right bytes, wrong host
    f.Tick(5);                           // both answers are on the loopback already
    EXPECT_EQ(f.sender->GetState(), SenderWaiting);
    f.reserve.Acknowledge(second, from);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
}

}  // namespace
