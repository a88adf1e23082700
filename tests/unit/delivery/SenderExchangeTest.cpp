#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "SenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"

namespace {

TEST(SenderExchange, EveryMessageGetsAllItsAttemptsAfterAnEarlierBadSpell) {
    SenderFixture f;
    f.network.faults.lossRate = 1.0;
    f.sender->Post(MsgIntimate, 0);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetFailedAttempts() == 10; }));
    f.network.faults.lossRate = 0.0;
    ASSERT_TRUE(f.TickUntilSent());
    f.network.faults.lossRate = 1.0;
    f.sender->Post(MsgAlarm, 0);
    const std::size_t before = f.network.sent.size();
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.network.sent.size() - before, 15u);
    EXPECT_EQ(f.Logged("Сообщение 122 не удалось передать"), 1);
}

TEST(SenderExchange, OnlyAMatchingAnswerFromAConfiguredServerEndsTheDelivery) {
    const char* imsi = "001010123456789";
    const std::tuple<const char*, std::size_t, std::uint32_t, const char*, bool> cases[] = {
        {"10.0.0.1", 21, 0, imsi, true},  {"10.0.0.2", 30, 0, imsi, true},
        {"10.0.0.3", 21, 0, imsi, false}, {"10.0.0.1", 21, 1, imsi, false},
        {"10.0.0.1", 20, 0, imsi, false}, {"10.0.0.1", 21, 0, "00101012345678", false}};
    for (const auto& [from, length, numberOffset, answeredImsi, accepted] : cases) {
        SenderFixture f;
        f.mainRoom.acknowledge = false;
        f.sender->Post(MsgAlarm, 0);
        ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetState() == SenderWaiting; }));
        const std::uint32_t number = f.sender->GetMessageNumber() + numberOffset;
        auto answer = BuildReportDatagram({answeredImsi, number, 0, 0, ""});
        answer.resize(length);
        f.network.Send({ParseIpv4Address(from), 4242}, f.network.sent.front().from, answer);
        f.Tick();
        EXPECT_EQ(f.sender->IsQueueEmpty(), accepted) << from << " " << length;
    }
}

TEST(SenderExchange, JunkFromAnotherHostCannotHideTheAnswerWaitingBehindIt) {
    SenderFixture f;
    f.mainRoom.acknowledge = false;
    f.sender->Post(MsgAlarm, 0);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetState() == SenderWaiting; }));
    const Ipv4Endpoint handset = f.network.sent.front().from;
    const auto answer =
        BuildReportDatagram({"001010123456789", f.sender->GetMessageNumber(), 0, 0, ""});
    for (int i = 0; i < 200; ++i) {  // a forged answer from a host that is not a server
        f.network.Send({ParseIpv4Address("10.0.0.3"), 4242}, handset, answer);
    }
    f.network.Send({ParseIpv4Address("10.0.0.1"), 830}, handset, answer);
    f.Tick();
    EXPECT_TRUE(f.sender->IsQueueEmpty());
}

TEST(SenderExchange, ExchangeErrorIsAFailedAttemptOnTheSameServerLoggedOnlyOnce) {
    const std::tuple<int SimDatagramSocket::*, const char*, std::int32_t, int> cases[] = {
        {&SimDatagramSocket::createError, "Не могу открыть сокет - ", SenderReady, 0},
        {&SimDatagramSocket::sendError, "Ошибка передачи - ", SenderReady, 1},
        {&SimDatagramSocket::waitError, "Ошибка приема - ", SenderWaiting, 1},
        {&SimDatagramSocket::receiveError, "Ошибка приема - ", SenderWaiting, 1}};
    for (const auto& [fault, text, stateToFailIn, socketsClosed] : cases) {
        SenderFixture f;
        f.mainRoom.acknowledge = false;
        f.sender->Post(MsgIntimate, 0);
        const std::int32_t failIn = stateToFailIn;  // a lambda may not capture a binding
        ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetState() == failIn; }));
        f.socket.*fault = ENETDOWN;
        if (stateToFailIn == SenderWaiting) {  // something to read
            f.network.Send({ParseIpv4Address("10.0.0.1"), 830}, f.network.sent.front().from, {1});
        }
        f.Tick();
        const std::string expected = text + std::string(std::strerror(ENETDOWN));
        EXPECT_EQ(f.sender->GetLastError(), expected);
        EXPECT_EQ(f.sender->GetFailedAttempts(), 1);
        EXPECT_FALSE(f.sender->UsesReserve());
        EXPECT_EQ(f.socket.closeCount, socketsClosed) << expected;
        // A different error is remembered but not logged again.
        f.socket.*fault = 0;
        f.socket.sendError = EHOSTUNREACH;
        f.Tick();
        EXPECT_EQ(f.sender->GetLastError(),
                  "Ошибка передачи - " + std::string(std::strerror(EHOSTUNREACH)));
        EXPECT_EQ(f.log.back(), expected);
    }
}

TEST(SenderExchange, ServerAddressIsParsedAnewForEveryDatagram) {
    SenderFixture f;
    f.settings.MainServer = "control.example";
    f.settings.ReserveServer = "";
    f.sender->Post(MsgAlarm, 0);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetFailedAttempts() == 1; }));
    EXPECT_EQ(f.sender->GetLastError(), "Ошибка передачи - " + std::string(std::strerror(EACCES)));
    f.settings.MainServer = "10.0.0.1";
    f.network.faults.lossRate = 1.0;
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetFailedAttempts() == 4; }));
    for (const SimDatagram& d : f.network.sent) {  // an empty reserve means the main server
        EXPECT_EQ(d.to.address, ParseIpv4Address("10.0.0.1"));
    }
}

}  // namespace
