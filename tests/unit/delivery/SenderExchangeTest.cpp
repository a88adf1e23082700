#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "SenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"

namespace {

using Attempts = std::vector<std::pair<int, bool>>;  // the tick, whether the reserve is next

// Attempts one answer time-out (22 ticks) apart from the first, alternating the servers.
Attempts Paced(int first, int count, bool reserveFirst) {
    Attempts attempts;
    for (int i = 0; i < count; ++i) {
        attempts.emplace_back(first + 22 * i, (i % 2 == 0) == reserveFirst);
    }
    return attempts;
}

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

struct AnswerCase {
    const char* name;
    bool accepted;
    const char* from;
    int numberOffset = 0;  // from the number of the first message posted
    std::size_t length = AcknowledgementSize;
    const char* imsi = "001010123456789";
    int forgedBefore = 0;      // copies from a host that is not a server, sent first
    bool giveUpFirst = false;  // a report given up before the alarm answered
};

TEST(SenderExchange, OnlyAMatchingAnswerFromAConfiguredServerEndsTheDelivery) {
    const std::size_t size = AcknowledgementSize;
    const char* imsi = "001010123456789";
    // clang-format off
    const AnswerCase cases[] = {
        {"FromTheMainServer", true, "10.0.0.1"},
        {"LongerFromTheReserveServer", true, "10.0.0.2", 0, 30},
        {"FromAnotherHost", false, "10.0.0.3"},
        {"ForAnotherNumber", false, "10.0.0.1", 1},
        {"CutShort", false, "10.0.0.1", 0, size - 1},
        {"ForAnotherImsi", false, "10.0.0.1", 0, size, "00101012345678"},
        {"BehindJunkFromAnotherHost", true, "10.0.0.1", 0, size, imsi, 200},
        // A given-up number is never reused, and its late answer ends nothing.
        {"LateForANumberGivenUp", false, "10.0.0.1", 0, size, imsi, 0, true},
        {"AfterANumberGivenUp", true, "10.0.0.1", 1, size, imsi, 0, true},
    };
    // clang-format on
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        SenderFixture f;
        f.mainRoom.acknowledge = f.reserveRoom.acknowledge = false;
        const std::uint32_t first = f.sender->GetMessageNumber();
        if (c.giveUpFirst) {
            f.sender->Post(MsgIntimate, 0);
            ASSERT_TRUE(f.TickUntilSent());
            ASSERT_EQ(f.Logged("Сообщение 699 не удалось передать"), 1);
        }
        f.sender->Post(MsgAlarm, 0);
        ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetState() == SenderState::Waiting; }));
        const Ipv4Endpoint handset = f.network.sent.back().from;
        auto answer = BuildReportDatagram({c.imsi, first + c.numberOffset, 0, 0, ""});
        answer.resize(c.length);
        for (int i = 0; i < c.forgedBefore; ++i) {
            f.network.Send({ParseIpv4Address("10.0.0.3"), 4242}, handset, answer);
        }
        f.network.Send({ParseIpv4Address(c.from), 4242}, handset, answer);
        f.Tick();
        EXPECT_EQ(f.sender->IsQueueEmpty(), c.accepted);
    }
}

struct FailedAttemptCase {
    const char* name;
    int SimDatagramSocket::*fault;  // null: the servers just do not answer
    const char* text;               // said of the first failure, before the error's own text
    int firstFailureTick;           // the first send goes on tick 4
    int socketsClosed;              // by the first failure
    std::uint16_t code = MsgIntimate;
    bool alarmPeriodRunning = false;  // which keeps only an alarm going past 15
};

// Only the first error of a spell is logged; a later, different one is remembered.
TEST(SenderExchange, EveryKindOfFailedAttemptTakesTheAnswerTimeOutAndAlternates) {
    // clang-format off
    const FailedAttemptCase cases[] = {
        {"Unanswered", nullptr, "", 4 + 21, 0},
        {"SocketNotCreated", &SimDatagramSocket::createError, "Не могу открыть сокет - ", 4, 0},
        {"SendRefused", &SimDatagramSocket::sendError, "Ошибка передачи - ", 4, 1},
        {"WaitFailed", &SimDatagramSocket::waitError, "Ошибка приема - ", 5, 1},
        {"ReceiveFailed", &SimDatagramSocket::receiveError, "Ошибка приема - ", 5, 1},
        {"AlarmAfterItsPeriod", nullptr, "", 4 + 21, 0, MsgAlarm},
        {"FollowUpDuringAnAlarmPeriod", nullptr, "", 4 + 21, 0, MsgIntimate, true},
    };
    // clang-format on
    for (const FailedAttemptCase& c : cases) {
        SCOPED_TRACE(c.name);
        SenderFixture f;
        // A receive can fail only when something came.
        f.mainRoom.acknowledge = f.reserveRoom.acknowledge =
            c.fault == &SimDatagramSocket::receiveError;
        const auto error = [&](int code) { return c.text + std::string(std::strerror(code)); };
        if (c.fault != nullptr) {
            f.socket.*c.fault = ENETDOWN;
        }
        f.sender->SetAlarmPeriodRunning(c.alarmPeriodRunning);
        f.sender->Post(c.code, 0);
        Attempts failed;
        for (int tick = 1; tick < 1000 && !f.sender->IsQueueEmpty(); ++tick) {
            f.Tick();
            if (f.sender->IsQueueEmpty() ||
                f.sender->GetFailedAttempts() > static_cast<int>(failed.size())) {
                failed.emplace_back(tick, f.sender->UsesReserve());
            }
            if (failed.size() == 1 && c.fault != nullptr && f.socket.*c.fault == ENETDOWN) {
                EXPECT_EQ(f.sender->GetLastError(), error(ENETDOWN));
                EXPECT_EQ(f.socket.closeCount, c.socketsClosed);
                f.socket.*c.fault = EHOSTUNREACH;
            }
        }
        EXPECT_EQ(failed, Paced(c.firstFailureTick, 15, true));
        EXPECT_EQ(f.Logged("Сообщение " + std::to_string(c.code) + " не удалось передать"), 1);
        EXPECT_EQ(f.sender->GetStatusCode(), StatusCode::Failed);
        if (c.fault != nullptr) {
            EXPECT_EQ(std::tuple(f.Logged(error(ENETDOWN)), f.Logged(error(EHOSTUNREACH)),
                                 f.sender->GetLastError()),
                      std::tuple(1, 0, error(EHOSTUNREACH)));
        }
    }
}

// The address as params.ini or the dialog holds it, and where it is sent.
TEST(SenderExchange, ServerAddressIsReadInDecimalAsTheSettingsAcceptedIt) {
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"LeadingZerosAreNotOctal", "192.168.001.010", "192.168.1.10"},
        {"NineAfterAZero", "127.0.0.09", "127.0.0.9"},
        {"ZeroPaddedControlRoomAnswers", "010.000.000.001", "10.0.0.1"},
        {"TextAfterTheFourthNumber", "10.0.0.1.7", "10.0.0.1"},
        {"BlanksAndSigns", " 10.+0. 0.1", "10.0.0.1"},
    };
    for (const auto& [name, written, sentTo] : cases) {
        SCOPED_TRACE(name);
        SenderFixture f;
        ASSERT_TRUE(f.settings.SetValue("MainServer", written));
        f.sender->Post(MsgAlarm, 0);
        ASSERT_TRUE(f.TickUntil([&] { return !f.network.sent.empty(); }));
        EXPECT_EQ(FormatIpv4Address(f.network.sent.front().to.address), sentTo);
        // The answer of the server written is recognised as the server's.
        f.Tick(2);
        EXPECT_EQ(f.sender->IsQueueEmpty(), sentTo == "10.0.0.1");
    }
}

TEST(SenderExchange, AKeptAlarmIsRetriedAtTheTimeOutsPaceUntilAnsweredOrItsPeriodEnds) {
    for (const bool periodEnds : {false, true}) {
        SCOPED_TRACE(periodEnds ? "the period ends" : "the network returns");
        SenderFixture f;
        f.network.faults.lossRate = 1.0;
        f.sender->SetAlarmPeriodRunning(true);
        f.sender->Post(MsgAlarm, 0);
        Attempts sent;  // here: whether it went to the reserve
        for (int tick = 1; tick <= 3 + 100 * 22; ++tick) {
            f.Tick();
            if (f.network.sent.size() > sent.size()) {
                sent.emplace_back(tick,
                                  f.network.sent.back().to.address == ParseIpv4Address("10.0.0.2"));
            }
        }
        EXPECT_EQ(sent, Paced(4, 100, false));
        EXPECT_EQ(f.sender->GetFailedAttempts(), MaxFailedAttempts);
        f.sender->SetAlarmPeriodRunning(!periodEnds);
        f.network.faults.lossRate = periodEnds ? 1.0 : 0.0;
        f.Tick(22);
        EXPECT_EQ(
            f.Logged(periodEnds ? "Сообщение 122 не удалось передать" : "Сообщение 122 передано"),
            1);
        EXPECT_TRUE(f.sender->IsQueueEmpty());
    }
}

// Reports posted before the alarm (the first in flight), the failed attempts of the first
// when the alarm comes, and the reports a full queue gave up.
TEST(SenderExchange, AnAlarmGoesNextAfterTheAttemptInFlightAndIsNeverDropped) {
    for (const auto& [name, reportsQueued, frontFailedBefore, dropped] :
         {std::tuple("BehindAReportBeingRetried", 1, 2, 0),
          std::tuple("BehindAFloodOfReports", 40, 0, 40 - int(CSender::MaxQueued) + 1)}) {
        SCOPED_TRACE(name);
        SenderFixture f;
        f.network.faults.lossRate = frontFailedBefore > 0 ? 1.0 : 0.0;
        f.sender->Post(MsgIntimate, 0);
        ASSERT_TRUE(f.TickUntil([&] {
            return f.sender->GetFailedAttempts() == frontFailedBefore &&
                   f.sender->GetState() == SenderState::Waiting;
        }));
        for (int i = 1; i < reportsQueued; ++i) {
            f.sender->Post(MsgIntimate, 0);
        }
        f.sender->Post(MsgAlarm, 0);
        EXPECT_LE(f.sender->QueuedCount(), CSender::MaxQueued);
        const std::size_t before = f.network.sent.size();
        f.network.faults.lossRate = 0.0;
        ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetAlarmsAcknowledged() == 1; }));
        std::vector<std::uint16_t> codes;  // sent since the alarm was posted
        for (std::size_t i = before; i < f.network.sent.size(); ++i) {
            if (f.network.sent[i].to.port == 830) {
                codes.push_back(DecodeReportDatagram(f.network.sent[i].bytes).fields.code);
            }
        }
        EXPECT_EQ(codes, std::vector<std::uint16_t>{MsgAlarm});
        ASSERT_TRUE(f.TickUntilSent());
        EXPECT_EQ(std::tuple(f.Logged("Сообщение 699 не удалось передать"),
                             f.Logged("Сообщение 699 передано")),
                  std::tuple(dropped, reportsQueued - dropped));
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
