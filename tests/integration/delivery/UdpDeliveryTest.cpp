#include <gtest/gtest.h>

#include "RealSenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"

namespace {

TEST(UdpDelivery, AcknowledgementEndsTheDeliveryButAStaleOrForeignOneDoesNot) {
    RealSenderFixture f;
    ASSERT_TRUE(f.main.bound && f.reserve.bound) << "cannot bind 127.0.0.1/127.0.0.2";
    LoopbackPeer stranger("127.0.0.3", 0);
    f.sender->Post(MsgIntimate, 0);
    const auto first = f.NextDatagram();
    ASSERT_TRUE(first && first->fromMain) << "no datagram reached the main server";
    const DecodedReport report = DecodeReportDatagram(first->bytes);
    EXPECT_EQ(report.error, "");
    EXPECT_EQ(report.fields.imsi, "001010123456789");
    f.main.Acknowledge(*first);
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.Logged("Сообщение 699 передано"), 1);

    f.sender->Post(MsgIntimate, 0);
    const auto second = f.NextDatagram();
    ASSERT_TRUE(second);
    f.main.Acknowledge(*first);     // the previous message's number
    stranger.Acknowledge(*second);  // right bytes, wrong host
    f.Tick(5);                      // both answers are on the loopback already
    EXPECT_EQ(f.sender->GetState(), SenderWaiting);
    f.reserve.Acknowledge(*second);
    ASSERT_TRUE(f.TickUntilSent());
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

TEST(UdpDelivery, LateAcknowledgementOfAnEarlierAttemptStillCounts) {
    RealSenderFixture f;
    f.sender->Post(MsgAlarm, 0);
    const auto first = f.NextDatagram();
    const auto second = f.NextDatagram();
    ASSERT_TRUE(first && second && !second->fromMain) << "the second attempt goes to the reserve";
    f.main.Acknowledge(*first);
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.Logged("Сообщение 122 передано"), 1);
}

}  // namespace
