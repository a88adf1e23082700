#include <gtest/gtest.h>

#include "SenderFixture.h"
#include "common/MessageCodes.h"

namespace {

TEST(SenderCycle, AlarmGoesThroughEveryStateAndIsAcknowledged) {
    SenderFixture f;
    EXPECT_EQ(f.sender->GetStatusText(), "Статус неизвестен");
    f.gps->timeoutTicks = 500;  // an alarm does not wait for the search
    f.sender->Post(MsgAlarm, 0);
    for (std::int32_t state :
         {SenderConnecting, SenderStarting, SenderReady, SenderWaiting, SenderReady}) {
        f.Tick();
        EXPECT_EQ(f.sender->GetState(), state);
    }
    EXPECT_EQ(f.log, (Lines{"Начало передачи сообщения 122", "Открываю GPRS сессию",
                            "Соединение GPRS установлено", "Сообщение 122 передано"}));
    ASSERT_EQ(f.mainRoom.reports.size(), 1u);
    const ReportFields& sent = f.mainRoom.reports[0].fields;
    EXPECT_EQ(std::tie(sent.imsi, sent.messageNumber, sent.code),
              std::tuple("001010123456789", 1'780'000'000u, MsgAlarm));

    EXPECT_EQ(f.sender->GetStatusText(), "Сообщение передано успешно");
    f.Tick(SuccessHoldTicks - 1);
    EXPECT_EQ(f.sender->GetStatusCode(), DeliveryDone);
    f.Tick();
    EXPECT_EQ(f.sender->GetStatusText(), "Передаю сообщение");
    // The connection and socket stay for the next message, which does not wait for the search.
    f.gps->timeoutTicks = 1800;
    f.sender->Post(MsgIntimate, 0);
    f.Tick(2);
    EXPECT_TRUE(f.sender->IsQueueEmpty());
    EXPECT_EQ(std::pair(f.link.releaseCount, f.socket.createCount), std::pair(0, 1));
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
    ASSERT_TRUE(f.TickUntilState(SenderWaiting));
    f.sender->Post(MsgIntimate, 0);
    ASSERT_TRUE(f.TickUntilState(SenderReady));
    EXPECT_EQ(f.mainRoom.reports.size(), 1u);
    f.Tick();
    EXPECT_EQ(f.sender->GetState(), SenderWaiting);
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.mainRoom.reports[1].fields.code, MsgIntimate);
}

}  // namespace
