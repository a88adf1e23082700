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
        Lines logAfterOpening;
    };
    const std::string up = "Соединение GPRS установлено", closed = "Соединение GPRS закрыто";
    const std::string opening = "Открываю GPRS сессию";
    const Case cases[] = {
        {{0x40, 0x40, 0x10}, 4, SenderStarting, false, {"Ожидаю соединения GPRS", up}},
        {{0, 0, 0}, 4, SenderConnecting, false, {}},
        {{0x26}, 6, SenderConnecting, false, {"Ожидаю окончания разговора"}},
        {{0x27}, 3, SenderConnecting, true, {"GSM модуль отключен", closed, opening}},
        {{0x11}, 2, SenderIdle, true, {"Ошибка не опознана", closed}}};
    for (const Case& c : cases) {
        SenderFixture f;
        f.link.connectSequence = c.statuses;
        f.sender->Post(MsgAlarm, 0);
        f.Tick(c.ticks);
        EXPECT_EQ(f.sender->GetState(), c.state) << c.statuses[0];
        EXPECT_EQ(f.sender->HasFailed(), c.failed) << c.statuses[0];
        EXPECT_EQ(Lines(f.log.begin() + 2, f.log.end()), c.logAfterOpening);
        if (c.state == SenderConnecting && !c.logAfterOpening.empty()) {
            EXPECT_EQ(f.sender->GetStatusText(), c.logAfterOpening[0]);
        }
    }
}

TEST(SenderConnection, RefusedRequestIsRetriedEveryTickAndMarksFailure) {
    SenderFixture f;
    f.link.refuseRequests = 3;
    f.link.mapFails = true;  // the destination is still asked for the main server
    f.sender->Post(MsgAlarm, 0);
    f.Tick(3);
    EXPECT_EQ(f.sender->GetState(), SenderIdle);
    EXPECT_EQ(f.Logged("Открываю GPRS сессию"), 3);
    EXPECT_EQ(f.link.mappedAddresses.front(), "http://10.0.0.1");
    EXPECT_EQ(f.link.lastDestination, DestinationId{});
    f.Tick();
    EXPECT_EQ(f.sender->GetState(), SenderConnecting);
    EXPECT_EQ(f.sender->GetStatusCode(), DeliveryFailed);
}

TEST(SenderConnection, LinkLostBeforeASendIsReleasedAndTheMessageKept) {
    for (const auto& [status, failed] : {std::pair{0x20u, true}, std::pair{0x25u, false}}) {
        SenderFixture f;
        f.sender->Post(MsgIntimate, 0);
        ASSERT_TRUE(f.TickUntilSent());
        f.link.forcedStatus = status;
        f.sender->Post(MsgIntimate, 0);
        f.Tick();
        EXPECT_EQ(f.sender->GetState(), SenderIdle);
        EXPECT_EQ(f.link.releaseCount, 1);
        EXPECT_EQ(f.Logged("Соединение GPRS закрыто"), 1);
        EXPECT_EQ(f.sender->HasFailed(), failed) << status;
        // The IMSI is read afresh for the new connection.
        f.sim.imsiFile = {0x08, 0x29, 0x55, 0x10, 0x10, 0x32, 0x54, 0x76, 0x98};
        f.link.forcedStatus.reset();
        ASSERT_TRUE(f.TickUntilSent());
        EXPECT_EQ(f.mainRoom.reports.back().fields.imsi, "255010123456789");
    }
}

}  // namespace
