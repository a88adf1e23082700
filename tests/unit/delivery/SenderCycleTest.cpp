#include <gtest/gtest.h>

#include "SenderFixture.h"
#include "common/MessageCodes.h"

namespace {

TEST(SenderCycle, AlarmGoesThroughEveryStateAndIsAcknowledged) {
    SenderFixture f;
    EXPECT_EQ(f.sender->GetStatusText(), "Статус неизвестен");
    f.gps->timeoutTicks = 500;  // an alarm does not wait for the search
    f.sender->Post(MsgAlarm, 0);
    for (SenderState state : {SenderState::Connecting, SenderState::Starting, SenderState::Ready,
                              SenderState::Waiting, SenderState::Ready}) {
        f.Tick();
        EXPECT_EQ(f.sender->GetState(), state);
    }
    // The data network is chosen by the main server's address.
    EXPECT_EQ(f.link.mappedAddresses, Lines{"http://10.0.0.1"});

    EXPECT_EQ(f.sender->GetStatusText(), "Сообщение передано успешно");
    f.Tick(SuccessHoldTicks - 1);
    EXPECT_EQ(f.sender->GetStatusCode(), StatusCode::Done);
    f.Tick();
    EXPECT_EQ(f.sender->GetStatusText(), "Передаю сообщение");
    // The connection and socket stay for the next message, which does not wait for the search.
    f.gps->timeoutTicks = 1800;
    f.sender->Post(MsgIntimate, 0);
    f.Tick(2);
    EXPECT_TRUE(f.sender->IsQueueEmpty());
    EXPECT_EQ(std::pair(f.link.releaseCount, f.socket.createCount), std::pair(0, 1));
    EXPECT_EQ(f.mainRoom.reports.at(1).fields.messageNumber, 1'780'000'001u);
}

TEST(SenderCycle, ReportWaitsForTheGpsSearchButAnAlarmDoesNot) {
    const std::tuple<std::uint16_t, bool, std::int32_t, bool> cases[] = {
        {MsgIntimate, true, 900, false}, {MsgIntimate, true, 1, false},
        {MsgIntimate, true, 0, true},    {MsgAlarm, true, 900, true},
        {MsgIntimate, false, 0, false},  {MsgAlarm, false, 0, true}};
    for (const auto& [code, withGps, searchTicks, opensAtOnce] : cases) {
        SenderFixture f(withGps);
        if (f.gps) {
            f.gps->timeoutTicks = searchTicks;
        }
        f.sender->Post(code, 0);
        f.Tick(3);
        EXPECT_EQ(f.link.requestCount > 0, opensAtOnce) << code << " " << searchTicks;
    }
}

TEST(SenderConnection, EachStatusChangeIsLoggedOnceAndDecidesTheState) {
    const std::string up = "Соединение GPRS установлено", closed = "Соединение GPRS закрыто",
                      opening = "Открываю GPRS сессию";
    const std::tuple<std::vector<std::uint32_t>, int, SenderState, bool, Lines> cases[] = {
        {{0x40, 0x40, 0x10}, 4, SenderState::Starting, false, {"Ожидаю соединения GPRS", up}},
        {{0, 0, 0}, 4, SenderState::Connecting, false, {}},
        {{0x26}, 6, SenderState::Connecting, false, {"Ожидаю окончания разговора"}},
        {{0x27}, 3, SenderState::Connecting, true, {"GSM модуль отключен", closed, opening}},
        {{0x11}, 2, SenderState::Idle, true, {"Ошибка не опознана", closed}}};
    for (const auto& [statuses, ticks, state, failed, logAfterOpening] : cases) {
        SenderFixture f;
        f.link.connectSequence = statuses;
        f.sender->Post(MsgAlarm, 0);
        f.Tick(ticks);
        EXPECT_EQ(f.sender->GetState(), state) << statuses[0];
        EXPECT_EQ(f.sender->HasFailed(), failed) << statuses[0];
        EXPECT_EQ(Lines(f.log.begin() + 2, f.log.end()), logAfterOpening);
        if (state == SenderState::Connecting && !logAfterOpening.empty()) {
            EXPECT_EQ(f.sender->GetStatusText(), logAfterOpening[0]);
        }
    }
}

TEST(SenderConnection, LinkLostBeforeASendIsReleasedAndTheMessageKept) {
    for (const auto& [status, failed] : {std::pair{0x20u, true}, std::pair{0x25u, false}}) {
        SenderFixture f;
        f.sender->Post(MsgIntimate, 0);
        ASSERT_TRUE(f.TickUntilSent());
        f.link.forcedStatus = status;
        f.sender->Post(MsgIntimate, 0);
        f.Tick();
        EXPECT_EQ(f.sender->GetState(), SenderState::Idle);
        EXPECT_EQ(f.link.releaseCount, 1);
        EXPECT_EQ(f.Logged("Соединение GPRS закрыто"), 1);
        EXPECT_EQ(f.sender->HasFailed(), failed) << status;
        // The IMSI is read afresh for the new connection.
        f.sim.imsiFile = {0x08, 0x29, 0x55, 0x10, 0x10, 0x32, 0x54, 0x76, 0x98};
        f.link.forcedStatus.reset();
        ASSERT_TRUE(f.TickUntilSent());
        ASSERT_FALSE(f.mainRoom.reports.empty());
        EXPECT_EQ(f.mainRoom.reports.back().fields.imsi, "255010123456789");
    }
}

struct StartingCase {
    const char* name;
    int refusedRequests;  // a refused request is a failure the sender remembers
    const char* text;
    StatusCode code;
};

TEST(SenderConnection, WithoutASimTheStartingStatusShowsAnEarlierFailureOnly) {
    const StartingCase cases[] = {
        {"NoEarlierFailure", 0, "Передаю сообщение", StatusCode::Busy},
        {"AfterARefusedConnection", 1, "Нет SIM карты", StatusCode::Failed},
    };
    for (const StartingCase& c : cases) {
        SCOPED_TRACE(c.name);
        SenderFixture f;
        f.sim.present = false;
        f.link.refuseRequests = c.refusedRequests;
        f.sender->Post(MsgAlarm, 0);
        ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetState() == SenderState::Starting; }));
        f.Tick(3);
        EXPECT_EQ(f.sender->GetState(), SenderState::Starting);
        EXPECT_EQ(f.sender->GetStatusText(), c.text);
        EXPECT_EQ(f.sender->GetStatusCode(), c.code);
        EXPECT_EQ(f.Logged("Нет SIM карты"), 1);
    }
}

}  // namespace
