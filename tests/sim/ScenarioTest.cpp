#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <set>

#include "SeededDay.h"

namespace {

// Each report in this order, the link waiting for the end of the GPS search; the link
// stays up between reports, the GPS off between them and searching anew for each.
TEST(Scenario, ScheduledReportsTravelToTheControlRoomEachWithTheFixOfItsOwnSearch) {
    auto world = MakeWorld("Frequency=600\r\nReserveServer=127.0.0.2\r\n");
    ASSERT_TRUE(world->TickUntil([&] { return world->mainRoom.reports.size() >= 3; }, 2200));
    ASSERT_TRUE(UntilIdle(*world, 100));
    auto at = world->log.begin();
    for (const char* line :
         {"Включение GPS", "Начало передачи сообщения 699", "Определены координаты GPS",
          "Открываю GPRS сессию", "Сообщение 699 передано", "Отключение GPS"}) {
        at = std::find(at, world->log.end(), line);
        ASSERT_NE(at, world->log.end()) << line;
    }
    EXPECT_EQ(world->Sender().GetStatusCode(), StatusCode::Done) << "success shows for 15 minutes";
    EXPECT_EQ(world->connections.requestCount, 1);
    std::set<std::string> times;
    for (const auto& report : world->mainRoom.reports) {
        EXPECT_EQ(std::tuple(report.fields.code, report.fields.imsi),
                  std::tuple(MsgIntimate, "001010123456789"));
        const auto time = report.fields.text.find("Time=");
        ASSERT_NE(time, std::string::npos) << report.fields.text;
        EXPECT_NE(report.fields.text.find("55"), std::string::npos) << report.fields.text;
        times.insert(report.fields.text.substr(time, 26));
    }
    EXPECT_EQ(times.size(), world->mainRoom.reports.size());
}

// Follow-ups every 15 s from the alarm's start to the end of its period, which a second
// alarm extends.
TEST(Scenario, AnAlarmSendsFollowUpsForItsWholePeriodAndASecondOneExtendsIt) {
    auto world = MakeWorld("Frequency=36000\r\nAlertPressTime=2\r\n");
    std::vector<std::int64_t> followUps;  // the tick each arrived in
    world->afterTick = [&, seen = std::size_t{0}]() mutable {
        for (; seen < world->mainRoom.reports.size(); ++seen) {
            if (world->mainRoom.reports[seen].fields.code == MsgIntimate) {
                followUps.push_back(world->Ticks());
            }
        }
    };
    HoldKey(*world, 113);
    EXPECT_TRUE(world->shell.popupShown);
    world->Tick(6000);
    const std::int64_t second = HoldKey(*world, 113);
    ASSERT_TRUE(UntilIdle(*world, 12000));
    EXPECT_GE(world->Ticks() - second, 9000);
    EXPECT_EQ(std::tuple(world->shell.popupsShown, world->sound.played.size(),
                         world->CountLines("Сообщение 122 передано"), world->shell.trayIcon),
              std::tuple(1, 2u, 2, IconIdle));
    EXPECT_EQ(world->mainRoom.reports.at(0).fields.code, MsgAlarm);
    ASSERT_GE(followUps.size(), 90u);
    for (std::size_t i = 1; i < followUps.size(); ++i) {
        EXPECT_GE(followUps[i] - followUps[i - 1], 150);
    }
}

TEST(Scenario, AnAlarmFiveMinutesWithoutNetworkArrivesBeforeAnyFollowUp) {
    auto world = MakeWorld("Frequency=36000\r\nAlertPressTime=2\r\nReserveServer=127.0.0.2\r\n");
    world->socket.sendError = ENETUNREACH;  // the link reads as up, every send is refused
    const std::int64_t start = HoldKey(*world, 112);
    ASSERT_EQ(world->Window().Mode(), ReportMode::Alarm);
    world->Tick(start + 3000 - world->Ticks());
    EXPECT_EQ(world->CountLines("Сообщение 122 не удалось передать"), 0);
    EXPECT_EQ(Posts(*world, MsgIntimate), 0) << "a follow-up queued behind the alarm";

    world->socket.sendError = 0;
    std::vector<SimControlRoom::Received> arrived;
    const auto arrivedAtLeast = [&](std::size_t count) {
        arrived = world->mainRoom.reports;
        arrived.insert(arrived.end(), world->reserveRoom.reports.begin(),
                       world->reserveRoom.reports.end());
        return arrived.size() >= count;
    };
    ASSERT_TRUE(world->TickUntil([&] { return arrivedAtLeast(1); }, 22)) << "the next attempt";
    ASSERT_TRUE(world->TickUntil([&] { return arrivedAtLeast(2); }, 600));
    EXPECT_EQ(std::tuple(arrived[0].fields.code, arrived[0].acknowledged, arrived[1].fields.code),
              std::tuple(MsgAlarm, true, MsgIntimate));
    EXPECT_EQ(world->CountLines("Сообщение 122 передано"), 1);
}

// 300 test commands and a flood of them: one test waits at a time, and the alarm's 122
// goes within the time-out of the test's attempt under way.
TEST(Scenario, AnAlarmGoesOutRightAfterItsHoldWhateverTestsCameBefore) {
    auto world = MakeWorld("Frequency=36000\r\nAlertPressTime=2\r\n");
    world->socket.sendError = ENETUNREACH;  // the tests cannot leave
    for (int i = 0; i < 300; ++i) {
        world->Command(CmdTest);
        world->Tick();
    }
    for (int i = 0; i < 100000; ++i) {
        world->Command(CmdTest);
    }
    EXPECT_EQ(world->Sender().QueuedCount(), 1u) << "one test waits at a time";

    world->socket.sendError = 0;
    const std::int64_t expired = HoldKey(*world, 112);
    ASSERT_TRUE(world->TickUntil([&] { return Received(*world, MsgAlarm) > 0; }, 30));
    EXPECT_LE(world->Ticks() - expired, 24);
}

// An hour out of coverage: the loop sleeps between spaced-out looks at the link, the GPS
// goes off after its search, the event log is not flooded; the report goes once the
// network is back, at once when the link announces the change.
TEST(Scenario, OutOfCoverageTheTrackerSleepsAndReportsWhenTheNetworkReturns) {
    struct Case {
        const char* name;
        std::uint32_t status;
        bool alarmAtTheReturn;  // which asks for the link at once
        bool changeAnnounced;   // which ends the back-off's wait
        std::int64_t deliveredWithin;
    };
    for (const Case& c :
         {Case{"Disconnected", ConnectionStatusDisconnected, false, false, 610},
          Case{"WaitingForPath", ConnectionStatusWaitingForPath, false, false, 610},
          Case{"AlarmAtTheReturn", ConnectionStatusWaitingForPath, true, false, 40},
          Case{"ChangeAnnounced", ConnectionStatusWaitingForPath, false, true, 10},
          Case{"DisconnectedChangeAnnounced", ConnectionStatusDisconnected, false, true, 10}}) {
        SCOPED_TRACE(c.name);
        auto world = MakeWorld("Frequency=600\r\n");
        world->connections.forcedStatus = c.status;
        world->Advance(600 + 36000);
        EXPECT_LE(world->Ticks() - world->skippedTicks, 600 + 1900);
        EXPECT_LE(world->CountLines("Открываю GPRS сессию"), 80);
        EXPECT_EQ(world->Window().Globals().gpsReader->GetState(), GpsState::Off);
        EXPECT_FALSE(world->Window().KeepsAwake());

        world->connections.forcedStatus.reset();
        if (c.alarmAtTheReturn) {
            world->Window().StartReport(ReportMode::Alarm, false);
        }
        if (c.changeAnnounced) {
            ++world->connections.networkChanges;
        }
        world->Advance(c.deliveredWithin);
        EXPECT_EQ(world->CountLines("Сообщение 699 передано"), 1);
        EXPECT_EQ(world->CountLines("Сообщение 122 передано"), c.alarmAtTheReturn ? 1 : 0);
    }
}

TEST(Scenario, ReportsGetThroughConnectionFailures) {
    auto world = MakeWorld("Frequency=600\r\nReserveServer=127.0.0.2\r\n");
    // Two requests refused, then a connection that waits and fails, then one that holds.
    world->connections.refuseRequests = 2;
    world->connections.connectSequence = {ConnectionStatusWaitingForPath,
                                          ConnectionStatusWaitingForPath,
                                          ConnectionStatusConnectionFailed};
    world->Tick(600);
    world->Tick(200);
    world->connections.connectSequence = {ConnectionStatusWaitingForPath,
                                          ConnectionStatusConnected};
    ASSERT_TRUE(UntilIdle(*world, 6000));
    EXPECT_EQ(world->CountLines("Сообщение 699 передано"), 1);
    EXPECT_GE(world->connections.requestCount, 3);
}

}  // namespace
