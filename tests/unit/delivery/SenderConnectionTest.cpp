#include <gtest/gtest.h>

#include "SenderFixture.h"
#include "common/MessageCodes.h"

namespace {

TEST(SenderConnection, EachStatusChangeIsLoggedOnceAndDecidesTheState) {
    struct Case {
        std::vector<std::uint32_t> statuses;
        int ticks;
        std::int32_t state;
        bool failed;
        std::vector<std::string> logAfterOpening;
    };
    const Case cases[] = {
        {{0x40, 0x40, 0x10},
         4,
         SenderStarting,
         false,
         {"Ожидаю соединения GPRS", "Соединение GPRS установлено"}},
        {{0, 0, 0}, 4, SenderConnecting, false, {}},
        {{0x26}, 6, SenderConnecting, false, {"Ожидаю окончания разговора"}},
        {{0x27},
         3,
         SenderConnecting,
         true,
         {"GSM модуль отключен", "Соединение GPRS закрыто", "Открываю GPRS сессию"}},
        {{0x11}, 2, SenderIdle, true, {"Ошибка не опознана", "Соединение GPRS закрыто"}}};
    for (const Case& c : cases) {
        SenderFixture f;
        f.link.connectSequence = c.statuses;
        f.sender->Post(MsgAlarm, 0);
        f.Tick(c.ticks);
        EXPECT_EQ(f.sender->GetState(), c.state) << c.statuses[0];
        EXPECT_EQ(f.sender->HasFailed(), c.failed) << c.statuses[0];
        EXPECT_EQ(std::vector<std::string>(f.log.begin() + 2, f.log.end()), c.logAfterOpening);
        if (c.state == SenderConnecting && !c.logAfterOpening.empty()) {
            EXPECT_EQ(f.sender->GetStatusText(), c.logAfterOpening[0]);
        }
    }
}

TEST(SenderConnection, RefusedRequestIsRetriedEveryTickAndMarksFailure) {
    SenderFixture f;
    f.link.refuseRequests = 3;
    f.sender->Post(MsgAlarm, 0);
    f.Tick(3);
    EXPECT_EQ(f.sender->GetState(), SenderIdle);
    EXPECT_EQ(std::count(f.log.begin(), f.log.end(), "Открываю GPRS сессию"), 3);
    f.Tick();
    EXPECT_EQ(f.sender->GetState(), SenderConnecting);
    EXPECT_EQ(f.sender->GetStatusCode(), DeliveryFailed);
}

TEST(SenderConnection, DestinationFollowsTheMainServerEvenOnTheReserve) {
    SenderFixture f;
    f.link.mapFails = true;
    f.sender->Post(MsgAlarm, 0);
    f.Tick();
    EXPECT_EQ(f.link.mappedAddresses, std::vector<std::string>{"http://10.0.0.1"});
    EXPECT_EQ(f.link.lastDestination, DestinationId{});
}

TEST(SenderConnection, LinkNotConnectedBeforeASendIsReleasedAndTheMessageKept) {
    for (const auto& [status, failed] : {std::pair{0x20u, true}, std::pair{0x25u, false}}) {
        SenderFixture f;
        f.sender->Post(MsgIntimate, 0);
        ASSERT_GT(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }), 0);
        f.link.forcedStatus = status;
        f.sender->Post(MsgIntimate, 0);
        f.Tick();
        EXPECT_EQ(f.sender->GetState(), SenderIdle);
        EXPECT_EQ(f.link.releaseCount, 1);
        EXPECT_TRUE(f.Logged("Соединение GPRS закрыто"));
        EXPECT_EQ(f.sender->HasFailed(), failed) << status;
        f.link.forcedStatus.reset();
        EXPECT_GT(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }), 0);
    }
}

}  // namespace
