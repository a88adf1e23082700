#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "SenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"

namespace {

// Ticks through one unanswered attempt after another until the message is given up.
int AttemptsUntilGivenUp(SenderFixture& f) {
    const std::size_t before = f.network.sent.size();
    if (f.TickUntil([&] { return f.sender->IsQueueEmpty(); }, 20000) < 0) {
        return -1;
    }
    return static_cast<int>(f.network.sent.size() - before);
}

TEST(SenderExchange, UnansweredAttemptsAlternateServersAndTheFifteenthGivesUp) {
    SenderFixture f;
    f.mainRoom.acknowledge = f.reserveRoom.acknowledge = false;
    f.sender->Post(MsgIntimate, 0);
    ASSERT_GT(f.TickUntilState(SenderWaiting), 0);
    // Each attempt ends on the 21st tick after its datagram.
    EXPECT_EQ(f.TickUntilState(SenderReady), 21);
    EXPECT_EQ(f.sender->GetLastError(), "Сервер не отвечает");
    EXPECT_EQ(AttemptsUntilGivenUp(f), 14);
    std::vector<std::string> servers;
    for (const SimDatagram& d : f.network.sent) {
        servers.push_back(d.to.address == ParseIpv4Address("10.0.0.1") ? "main" : "reserve");
        EXPECT_EQ(DecodeReportDatagram(d.bytes).fields.messageNumber, 1'780'000'000u);
    }
    EXPECT_EQ(servers.size(), 15u);
    EXPECT_EQ(servers[0], "main");
    for (std::size_t i = 1; i < servers.size(); ++i) {
        EXPECT_NE(servers[i], servers[i - 1]) << i;
    }
    EXPECT_TRUE(f.Logged("Сообщение 699 не удалось передать"));
    EXPECT_EQ(f.sender->GetStatusCode(), DeliveryFailed);
    EXPECT_EQ(f.sender->GetStatusText(), "Сервер не отвечает");
    EXPECT_EQ(f.sender->GetMessageNumber(), 1'780'000'001u);
}

TEST(SenderExchange, EveryMessageGetsAllItsAttemptsAfterAnEarlierBadSpell) {
    SenderFixture f;
    f.network.faults.lossRate = 1.0;
    f.sender->Post(MsgIntimate, 0);
    ASSERT_GT(f.TickUntil([&] { return f.sender->GetFailedAttempts() == 10; }), 0);
    f.network.faults.lossRate = 0.0;
    ASSERT_GT(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }), 0);
    EXPECT_TRUE(f.Logged("Сообщение 699 передано"));

    f.network.faults.lossRate = 1.0;
    f.sender->Post(MsgAlarm, 0);
    EXPECT_EQ(AttemptsUntilGivenUp(f), 15);
    EXPECT_TRUE(f.Logged("Сообщение 122 не удалось передать"));
}

struct AnswerCase {
    const char* name;
    const char* from;
    std::size_t length;
    std::int32_t numberOffset;  // added to the message number in flight
    const char* imsi;
    bool accepted;
};

class SenderAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(SenderAnswerTest, OnlyAMatchingAnswerFromAConfiguredServerEndsTheDelivery) {
    const AnswerCase& c = GetParam();
    SenderFixture f;
    f.mainRoom.acknowledge = f.reserveRoom.acknowledge = false;
    f.sender->Post(MsgAlarm, 0);
    ASSERT_GT(f.TickUntilState(SenderWaiting), 0);
    std::vector<std::uint8_t> answer(c.length, 0x55);
    answer[0] = 20;
    std::memset(answer.data() + 1, 0, 16);
    std::memcpy(answer.data() + 1, c.imsi, std::strlen(c.imsi));
    const std::uint32_t number = f.sender->GetMessageNumber() + c.numberOffset;
    if (c.length >= 21) {
        std::memcpy(answer.data() + 17, &number, 4);  // the test host is little-endian
    }
    f.network.Send({ParseIpv4Address(c.from), 4242}, f.Handset(), answer);
    f.Tick();
    EXPECT_EQ(f.sender->IsQueueEmpty(), c.accepted);
    EXPECT_EQ(f.sender->GetState(), c.accepted ? SenderReady : SenderWaiting);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SenderAnswerTest,
    ::testing::Values(
        AnswerCase{"MainAnyPort", "10.0.0.1", 21, 0, "001010123456789", true},
        AnswerCase{"ReserveWhileSendingToMain", "10.0.0.2", 21, 0, "001010123456789", true},
        AnswerCase{"LongerAnswerJudgedByItsStart", "10.0.0.1", 30, 0, "001010123456789", true},
        AnswerCase{"ThirdHost", "10.0.0.3", 21, 0, "001010123456789", false},
        AnswerCase{"StaleNumber", "10.0.0.1", 21, -1, "001010123456789", false},
        AnswerCase{"ShortAnswer", "10.0.0.1", 20, 0, "001010123456789", false},
        AnswerCase{"OtherImsi", "10.0.0.1", 21, 0, "001010123456788", false},
        AnswerCase{"ImsiPrefix", "10.0.0.1", 21, 0, "00101012345678", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct ErrorCase {
    const char* name;
    int SimDatagramSocket::*fault;
    const char* text;
    bool socketClosed;
};

class SenderErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(SenderErrorTest, ExchangeErrorIsAFailedAttemptOnTheSameServer) {
    const ErrorCase& c = GetParam();
    SenderFixture f;
    f.mainRoom.acknowledge = false;
    f.sender->Post(MsgIntimate, 0);
    const bool whileSending =
        c.fault == &SimDatagramSocket::createError || c.fault == &SimDatagramSocket::sendError;
    ASSERT_GT(f.TickUntilState(whileSending ? SenderReady : SenderWaiting), 0);
    f.socket.*c.fault = ENETDOWN;
    if (c.fault == &SimDatagramSocket::receiveError) {
        f.network.Send({ParseIpv4Address("10.0.0.1"), 830}, f.Handset(), {1, 2, 3});
    }
    f.Tick();
    const std::string expected = std::string(c.text) + std::strerror(f.socket.*c.fault);
    EXPECT_EQ(f.sender->GetLastError(), expected);
    EXPECT_EQ(f.sender->GetFailedAttempts(), 1);
    EXPECT_FALSE(f.sender->UsesReserve());
    EXPECT_EQ(f.socket.closeCount, c.socketClosed ? 1 : 0);
    EXPECT_TRUE(f.Logged(expected));

    f.socket.*c.fault = 0;
    f.socket.sendError = EHOSTUNREACH;  // a second error only replaces the shown text
    f.Tick();
    EXPECT_NE(f.sender->GetLastError(), expected);
    EXPECT_FALSE(f.Logged(f.sender->GetLastError()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SenderErrorTest,
    ::testing::Values(
        ErrorCase{"Create", &SimDatagramSocket::createError, "Не могу открыть сокет - ", false},
        ErrorCase{"Send", &SimDatagramSocket::sendError, "Ошибка передачи - ", true},
        ErrorCase{"Wait", &SimDatagramSocket::waitError, "Ошибка приема - ", true},
        ErrorCase{"Receive", &SimDatagramSocket::receiveError, "Ошибка приема - ", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SenderExchange, HostNameAsServerIsRefusedAtSending) {
    SenderFixture f;
    f.settings.MainServer = "control.example";
    f.sender->Post(MsgAlarm, 0);
    ASSERT_GT(f.TickUntil([&] { return f.sender->GetFailedAttempts() == 1; }), 0);
    EXPECT_EQ(f.sender->GetLastError(), std::string("Ошибка передачи - ") + std::strerror(EACCES));
}

TEST(SenderExchange, EmptyReserveMeansTheMainServer) {
    SenderFixture f;
    f.settings.ReserveServer = "";
    f.network.faults.lossRate = 1.0;
    f.sender->Post(MsgAlarm, 0);
    ASSERT_GT(f.TickUntil([&] { return f.sender->GetFailedAttempts() == 3; }), 0);
    f.Tick(2);
    EXPECT_EQ(f.DatagramsTo("10.0.0.1"), 4);
}

struct StartCase {
    const char* name;
    bool simPresent;
    bool startFails;
    const char* error;
};

class SenderStartTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(SenderStartTest, NoSimOrSocketLayerKeepsTheSenderStarting) {
    SenderFixture f;
    f.sim.present = GetParam().simPresent;
    f.socket.startFails = GetParam().startFails;
    f.sender->Post(MsgAlarm, 0);
    f.Tick(10);
    EXPECT_EQ(f.sender->GetState(), SenderStarting);
    EXPECT_EQ(f.sender->GetLastError(), GetParam().error);
    EXPECT_EQ(f.sender->GetStatusText(), "Передаю сообщение");
    EXPECT_EQ(std::count(f.log.begin(), f.log.end(), GetParam().error), 1);
    EXPECT_FALSE(f.sim.isOpen);
    EXPECT_TRUE(f.network.sent.empty());
    if (!GetParam().simPresent) {
        EXPECT_EQ(f.sender->imsi, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SenderStartTest,
                         ::testing::Values(StartCase{"NoSim", false, false, "Нет SIM карты"},
                                           StartCase{"SocketLayer", true, true,
                                                     "Ошибка инициализации TCP"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SenderExchange, NoSimAfterAFailureShowsTheError) {
    SenderFixture f;
    f.link.refuseRequests = 1;
    f.sim.present = false;
    f.sender->Post(MsgAlarm, 0);
    f.Tick(5);
    EXPECT_EQ(f.sender->GetStatusText(), "Нет SIM карты");
}

}  // namespace
