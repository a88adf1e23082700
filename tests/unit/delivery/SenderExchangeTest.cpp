#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "SenderFixture.h"
#include "common/MessageCodes.h"

namespace {

TEST(SenderExchange, EveryMessageGetsAllItsAttemptsAfterAnEarlierBadSpell) {
    SenderFixture f;
    f.network.faults.lossRate = 1.0;
    f.sender->Post(MsgIntimate, 0);
    ASSERT_GT(f.TickUntil([&] { return f.sender->GetFailedAttempts() == 10; }), 0);
    f.network.faults.lossRate = 0.0;
    ASSERT_GT(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }), 0);

    f.network.faults.lossRate = 1.0;
    f.sender->Post(MsgAlarm, 0);
    const std::size_t before = f.network.sent.size();
    ASSERT_GT(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }), 0);
    EXPECT_EQ(f.network.sent.size() - before, 15u);
    EXPECT_TRUE(f.Logged("Сообщение 122 не удалось передать"));
}

TEST(SenderExchange, OnlyAMatchingAnswerFromAConfiguredServerEndsTheDelivery) {
    struct Case {
        const char* from;
        std::size_t length;
        std::uint32_t numberOffset;
        const char* imsi;
        bool accepted;
    };
    const Case cases[] = {{"10.0.0.1", 21, 0, "001010123456789", true},
                          {"10.0.0.2", 30, 0, "001010123456789", true},
                          {"10.0.0.3", 21, 0, "001010123456789", false},
                          {"10.0.0.1", 21, 0xFFFFFFFF, "001010123456789", false},
                          {"10.0.0.1", 20, 0, "001010123456789", false},
                          {"10.0.0.1", 21, 0, "00101012345678", false}};
    for (const Case& c : cases) {
        SenderFixture f;
        f.mainRoom.acknowledge = false;
        f.sender->Post(MsgAlarm, 0);
        ASSERT_GT(f.TickUntilState(SenderWaiting), 0);
        std::vector<std::uint8_t> answer(c.length, 0x55);
        std::memset(answer.data() + 1, 0, 16);
        std::memcpy(answer.data() + 1, c.imsi, std::strlen(c.imsi));
        const std::uint32_t number = f.sender->GetMessageNumber() + c.numberOffset;
        std::memcpy(answer.data() + 17, &number, std::min<std::size_t>(4, c.length - 17));
        f.network.Send({ParseIpv4Address(c.from), 4242}, f.Handset(), answer);
        f.Tick();
        EXPECT_EQ(f.sender->IsQueueEmpty(), c.accepted) << c.from << " " << c.length;
    }
}

TEST(SenderExchange, ExchangeErrorIsAFailedAttemptOnTheSameServerLoggedOnlyOnce) {
    struct Case {
        int SimDatagramSocket::*fault;
        const char* text;
        std::int32_t stateToFailIn;
        int socketsClosed;
    };
    const Case cases[] = {
        {&SimDatagramSocket::createError, "Не могу открыть сокет - ", SenderReady, 0},
        {&SimDatagramSocket::sendError, "Ошибка передачи - ", SenderReady, 1},
        {&SimDatagramSocket::waitError, "Ошибка приема - ", SenderWaiting, 1},
        {&SimDatagramSocket::receiveError, "Ошибка приема - ", SenderWaiting, 1}};
    for (const Case& c : cases) {
        SenderFixture f;
        f.mainRoom.acknowledge = false;
        f.sender->Post(MsgIntimate, 0);
        ASSERT_GT(f.TickUntilState(c.stateToFailIn), 0);
        f.socket.*c.fault = ENETDOWN;
        if (c.stateToFailIn == SenderWaiting) {  // something to read
            f.network.Send({ParseIpv4Address("10.0.0.1"), 830}, f.Handset(), {1, 2, 3});
        }
        f.Tick();
        const std::string expected = c.text + std::string(std::strerror(ENETDOWN));
        EXPECT_EQ(f.sender->GetLastError(), expected);
        EXPECT_EQ(f.sender->GetFailedAttempts(), 1);
        EXPECT_FALSE(f.sender->UsesReserve());
        EXPECT_EQ(f.socket.closeCount, c.socketsClosed) << expected;

        f.socket.*c.fault = 0;
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
    ASSERT_GT(f.TickUntil([&] { return f.sender->GetFailedAttempts() == 1; }), 0);
    EXPECT_EQ(f.sender->GetLastError(), "Ошибка передачи - " + std::string(std::strerror(EACCES)));
    f.settings.MainServer = "10.0.0.1";
    f.network.faults.lossRate = 1.0;
    ASSERT_GT(f.TickUntil([&] { return f.sender->GetFailedAttempts() == 4; }), 0);
    for (const SimDatagram& d : f.network.sent) {  // an empty reserve means the main server
        EXPECT_EQ(d.to.address, ParseIpv4Address("10.0.0.1"));
    }
}

TEST(SenderExchange, NoSimOrSocketLayerKeepsTheSenderStarting) {
    for (const char* error : {"Нет SIM карты", "Ошибка инициализации TCP"}) {
        SenderFixture f;
        const bool noSim = std::string(error) == "Нет SIM карты";
        f.sim.present = !noSim;
        f.socket.startFails = !noSim;
        f.link.refuseRequests = 1;  // leaves the failure mark that shows the error
        f.sender->Post(MsgAlarm, 0);
        f.Tick(10);
        EXPECT_EQ(f.sender->GetState(), SenderStarting);
        EXPECT_EQ(f.sender->GetStatusText(), error);
        EXPECT_EQ(std::count(f.log.begin(), f.log.end(), error), 1);
        EXPECT_TRUE(f.network.sent.empty());
        EXPECT_EQ(f.sender->imsi, noSim ? "" : "001010123456789");
    }
}

}  // namespace
