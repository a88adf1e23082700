#include <gtest/gtest.h>

#include "SenderFixture.h"
#include "common/MessageCodes.h"

namespace {

struct StatusCase {
    const char* name;
    std::vector<std::uint32_t> statuses;
    int ticks;
    std::int32_t state;
    bool failed;
    std::vector<std::string> logAfterOpening;
};

class SenderConnectionStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(SenderConnectionStatusTest, EachStatusChangeIsLoggedOnceAndDecidesTheState) {
    const StatusCase& c = GetParam();
    SenderFixture f;
    f.link.connectSequence = c.statuses;
    f.sender->Post(MsgAlarm, 0);
    f.Tick(c.ticks);
    EXPECT_EQ(f.sender->GetState(), c.state);
    EXPECT_EQ(f.sender->HasFailed(), c.failed);
    const std::vector<std::string> log(f.log.begin() + 2, f.log.end());
    EXPECT_EQ(log, c.logAfterOpening);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SenderConnectionStatusTest,
    ::testing::Values(
        StatusCase{"WaitingThenConnected",
                   {0x40, 0x40, 0x10},
                   4,
                   SenderStarting,
                   false,
                   {"Ожидаю соединения GPRS", "Соединение GPRS установлено"}},
        StatusCase{"NoStatusYet", {0, 0, 0}, 4, SenderConnecting, false, {}},
        StatusCase{
            "WaitingForCall", {0x26}, 6, SenderConnecting, false, {"Ожидаю окончания разговора"}},
        StatusCase{"RadioOffReleasesAndReopens",
                   {0x27},
                   3,
                   SenderConnecting,
                   true,
                   {"GSM модуль отключен", "Соединение GPRS закрыто", "Открываю GPRS сессию"}},
        StatusCase{"UnknownStatusIsAFailure",
                   {0x11},
                   2,
                   SenderIdle,
                   true,
                   {"Ошибка не опознана", "Соединение GPRS закрыто"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SenderConnection, StatusTextIsShownWhileConnecting) {
    SenderFixture f;
    f.link.connectSequence = {0x26};
    f.sender->Post(MsgAlarm, 0);
    f.Tick(2);
    EXPECT_EQ(f.sender->GetStatusText(), "Ожидаю окончания разговора");
    EXPECT_EQ(f.sender->GetStatusCode(), DeliveryBusy);
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
    f.settings.ReserveServer = "10.0.0.77";
    f.link.mapFails = true;
    f.sender->Post(MsgAlarm, 0);
    f.Tick();
    EXPECT_EQ(f.link.mappedAddresses, std::vector<std::string>{"http://10.0.0.1"});
    EXPECT_EQ(f.link.lastDestination, DestinationId{});
}

struct LostLinkCase {
    const char* name;
    std::uint32_t status;
    bool failed;
};

class SenderLostLinkTest : public ::testing::TestWithParam<LostLinkCase> {};

TEST_P(SenderLostLinkTest, ALinkNotConnectedBeforeASendIsReleasedAndTheMessageKept) {
    SenderFixture f;
    f.sender->Post(MsgIntimate, 0);
    ASSERT_GT(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }), 0);
    f.link.forcedStatus = GetParam().status;
    f.sender->Post(MsgIntimate, 0);
    f.Tick();
    EXPECT_EQ(f.sender->GetState(), SenderIdle);
    EXPECT_FALSE(f.sender->IsQueueEmpty());
    EXPECT_EQ(f.link.releaseCount, 1);
    EXPECT_TRUE(f.Logged("Соединение GPRS закрыто"));
    EXPECT_EQ(f.sender->HasFailed(), GetParam().failed);
    f.link.forcedStatus.reset();
    EXPECT_GT(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, SenderLostLinkTest,
                         ::testing::Values(LostLinkCase{"Disconnected", 0x20, true},
                                           LostLinkCase{"WaitingForPath", 0x25, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
