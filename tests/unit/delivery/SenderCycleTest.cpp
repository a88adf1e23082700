#include <gtest/gtest.h>

#include "SenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ConnectionStatus.h"

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
    // The connection and socket stay for the next message, which still waits for the search.
    f.gps->timeoutTicks = 1800;
    f.sender->Post(MsgIntimate, 0);
    f.Tick(2);
    EXPECT_FALSE(f.sender->IsQueueEmpty());
    f.gps->timeoutTicks = 0;
    f.Tick(2);
    ASSERT_TRUE(f.sender->IsQueueEmpty());
    EXPECT_EQ(std::tuple(f.link.releaseCount, f.socket.createCount,
                         f.mainRoom.reports.at(1).fields.messageNumber),
              std::tuple(0, 1, 1'780'000'001u));
}

// The search's ticks left when the message is posted.
TEST(SenderCycle, ReportWaitsForTheGpsSearchButAnAlarmDoesNot) {
    const std::tuple<const char*, std::uint16_t, bool, std::int32_t, bool> cases[] = {
        {"ReportDuringTheSearch", MsgIntimate, true, 900, false},
        {"ReportOnTheSearchsLastTick", MsgIntimate, true, 1, false},
        {"ReportAfterTheSearch", MsgIntimate, true, 0, true},
        {"AlarmDuringTheSearch", MsgAlarm, true, 900, true},
        {"ReportWithoutAGps", MsgIntimate, false, 0, false},
        {"AlarmWithoutAGps", MsgAlarm, false, 0, true},
    };
    for (const auto& [name, code, withGps, searchTicks, opensAtOnce] : cases) {
        SCOPED_TRACE(name);
        SenderFixture f(withGps);
        if (f.gps) {
            f.gps->timeoutTicks = searchTicks;
        }
        f.sender->Post(code, 0);
        f.Tick(3);
        EXPECT_EQ(f.link.requestCount > 0, opensAtOnce);
    }
}

TEST(SenderConnection, EachStatusChangeIsLoggedOnceAndDecidesTheState) {
    const std::string up = "Соединение GPRS установлено", closed = "Соединение GPRS закрыто",
                      opening = "Открываю GPRS сессию";
    const std::uint32_t unknown = ConnectionStatusUnknown;
    const std::uint32_t waiting = ConnectionStatusWaitingConnection;
    using Statuses = std::vector<std::uint32_t>;  // read one a tick, the last one kept
    // clang-format off
    const std::tuple<const char*, Statuses, int, SenderState, bool, Lines> cases[] = {
        {"WaitingThenConnected", {waiting, waiting, ConnectionStatusConnected}, 4, SenderState::Starting, false, {"Ожидаю соединения GPRS", up}},
        {"NoStatusYet", {unknown, unknown, unknown}, 4, SenderState::Connecting, false, {}},
        {"VoiceCallHoldsTheRadio", {ConnectionStatusWaitingForPhone}, 6, SenderState::Connecting, false, {"Ожидаю окончания разговора"}},
        {"PhoneOffFailsAndReopens", {ConnectionStatusPhoneOff}, 3, SenderState::Connecting, true, {"GSM модуль отключен", closed, opening}},
        {"UnknownValueFails", {0x11}, 2, SenderState::Idle, true, {"Ошибка не опознана", closed}},
    };
    // clang-format on
    for (const auto& [name, statuses, ticks, state, failed, logAfterOpening] : cases) {
        SCOPED_TRACE(name);
        SenderFixture f;
        f.link.connectSequence = statuses;
        f.sender->Post(MsgAlarm, 0);
        f.Tick(ticks);
        EXPECT_EQ(std::pair(f.sender->GetState(), f.sender->HasFailed()), std::pair(state, failed));
        EXPECT_EQ(Lines(f.log.begin() + 2, f.log.end()), logAfterOpening);
        if (state == SenderState::Connecting && !logAfterOpening.empty()) {
            EXPECT_EQ(f.sender->GetStatusText(), logAfterOpening[0]);
        }
    }
}

TEST(SenderConnection, LinkLostBeforeASendIsReleasedAndTheMessageKept) {
    for (const auto& [name, status, failed] :
         {std::tuple("Disconnected", ConnectionStatusDisconnected, true),
          std::tuple("WaitingForPath", ConnectionStatusWaitingForPath, false)}) {
        SCOPED_TRACE(name);
        SenderFixture f;
        f.sender->Post(MsgIntimate, 0);
        ASSERT_TRUE(f.TickUntilSent());
        f.link.forcedStatus = status;
        f.sender->Post(MsgIntimate, 0);
        f.Tick();
        EXPECT_EQ(std::tuple(f.sender->GetState(), f.link.releaseCount,
                             f.Logged("Соединение GPRS закрыто"), f.sender->HasFailed()),
                  std::tuple(SenderState::Idle, 1, 1, failed));
        // The IMSI is read afresh for the new connection.
        f.sim.imsiFile = {0x08, 0x29, 0x55, 0x10, 0x10, 0x32, 0x54, 0x76, 0x98};
        f.link.forcedStatus.reset();
        ASSERT_TRUE(f.TickUntilSent());
        EXPECT_EQ(f.mainRoom.reports.at(1).fields.imsi, "255010123456789");
    }
}

// A refused request is a failure the sender remembers.
TEST(SenderConnection, WithoutASimTheStartingStatusShowsAnEarlierFailureOnly) {
    for (const auto& [refused, text, code] : {std::tuple(0, "Передаю сообщение", StatusCode::Busy),
                                              std::tuple(1, "Нет SIM карты", StatusCode::Failed)}) {
        SCOPED_TRACE(refused);
        SenderFixture f;
        f.sim.present = false;
        f.link.refuseRequests = refused;
        f.sender->Post(MsgAlarm, 0);
        ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetState() == SenderState::Starting; }));
        f.Tick(3);
        EXPECT_EQ(std::tuple(f.sender->GetState(), f.sender->GetStatusText(),
                             f.sender->GetStatusCode(), f.Logged("Нет SIM карты")),
                  std::tuple(SenderState::Starting, std::string(text), code, 1));
    }
}

}  // namespace
