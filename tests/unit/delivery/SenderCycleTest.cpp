#include <gtest/gtest.h>

#include "SenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"

namespace {

TEST(SenderCycle, AlarmGoesThroughEveryStateAndIsAcknowledged) {
    SenderFixture f;
    EXPECT_EQ(f.sender->GetStatusCode(), DeliveryOff);
    EXPECT_EQ(f.sender->GetStatusText(), "Статус неизвестен");
    EXPECT_TRUE(f.sender->IsQueueEmpty());

    f.gps->timeoutTicks = 500;  // an alarm does not wait for the search
    f.sender->Post(MsgAlarm, 0);
    const std::int32_t expected[] = {SenderConnecting, SenderStarting, SenderReady, SenderWaiting,
                                     SenderReady};
    for (std::int32_t state : expected) {
        f.Tick();
        EXPECT_EQ(f.sender->GetState(), state);
    }
    EXPECT_TRUE(f.sender->IsQueueEmpty());
    EXPECT_EQ(f.log,
              (std::vector<std::string>{"Начало передачи сообщения 122", "Открываю GPRS сессию",
                                        "Соединение GPRS установлено", "Сообщение 122 передано"}));
    EXPECT_EQ(f.sender->imsi, "001010123456789");
    ASSERT_EQ(f.mainRoom.reports.size(), 1u);
    EXPECT_EQ(f.mainRoom.reports[0].fields.imsi, "001010123456789");
    EXPECT_EQ(f.mainRoom.reports[0].fields.messageNumber, 1'780'000'000u);
    EXPECT_EQ(f.mainRoom.reports[0].fields.code, MsgAlarm);

    EXPECT_EQ(f.sender->GetStatusCode(), DeliveryDone);
    EXPECT_EQ(f.sender->GetStatusText(), "Сообщение передано успешно");
    f.Tick(SuccessHoldTicks - 1);
    EXPECT_EQ(f.sender->GetStatusCode(), DeliveryDone);
    f.Tick();
    EXPECT_EQ(f.sender->GetStatusCode(), DeliveryReady);
    EXPECT_EQ(f.sender->GetStatusText(), "Передаю сообщение");
    // The connection and socket stay for the next message.
    EXPECT_EQ(f.link.releaseCount, 0);
    f.gps->timeoutTicks = 1800;  // a held connection does not wait for the search
    f.sender->Post(MsgIntimate, 0);
    f.Tick(2);
    EXPECT_TRUE(f.sender->IsQueueEmpty());
    EXPECT_EQ(f.socket.createCount, 1);
    EXPECT_EQ(f.mainRoom.reports.back().fields.messageNumber, 1'780'000'001u);
}

TEST(SenderCycle, ReportWaitsForTheGpsSearchButAnAlarmDoesNot) {
    struct Case {
        std::uint16_t code;
        bool withGps;
        std::int32_t searchTicks;
        bool opensAtOnce;
    };
    const Case cases[] = {{MsgIntimate, true, 900, false},
                          {MsgIntimate, true, 0, true},
                          {MsgAlarm, true, 900, true},
                          {MsgIntimate, false, 0, false},
                          {MsgAlarm, false, 0, true}};
    for (const Case& c : cases) {
        SenderFixture f(c.withGps);
        if (f.gps) {
            f.gps->timeoutTicks = c.searchTicks;
        }
        f.sender->Post(c.code, 0);
        f.Tick(3);
        EXPECT_EQ(f.link.requestCount > 0, c.opensAtOnce) << c.code << c.withGps << c.searchTicks;
        if (f.gps && !c.opensAtOnce) {
            f.gps->timeoutTicks = 0;  // the search is over: the next tick opens
            f.Tick();
            EXPECT_EQ(f.sender->GetState(), SenderConnecting);
        }
    }
}

TEST(SenderCycle, PostedWhileWaitingIsSentOnTheTickAfterTheAcknowledgement) {
    SenderFixture f;
    f.network.faults.minDelayMs = f.network.faults.maxDelayMs = 500;
    f.sender->Post(MsgAlarm, 0);
    ASSERT_GT(f.TickUntilState(SenderWaiting), 0);
    f.sender->Post(MsgIntimate, 0);
    ASSERT_GT(f.TickUntil([&] { return f.mainRoom.reports.size() == 1; }), 0);
    ASSERT_GT(f.TickUntilState(SenderReady), 0);
    EXPECT_EQ(f.mainRoom.reports.size(), 1u);
    f.Tick();
    EXPECT_EQ(f.sender->GetState(), SenderWaiting);
    ASSERT_GT(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }), 0);
    EXPECT_EQ(f.mainRoom.reports[1].fields.code, MsgIntimate);
}

TEST(SenderCycle, ImsiIsReadAfreshForEveryConnection) {
    SenderFixture f;
    f.sender->Post(MsgIntimate, 0);
    ASSERT_GT(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }), 0);
    f.sim.imsiFile = {0x08, 0x29, 0x55, 0x10, 0x10, 0x32, 0x54, 0x76, 0x98};
    f.link.forcedStatus = 0x20;
    f.sender->Post(MsgIntimate, 0);
    f.Tick();
    EXPECT_EQ(f.sender->GetState(), SenderIdle);
    f.link.forcedStatus.reset();
    ASSERT_GT(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }), 0);
    EXPECT_EQ(f.mainRoom.reports.back().fields.imsi, "255010123456789");
}

}  // namespace
