#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "SeededDay.h"

namespace {

// A seeded run: a schedule, alarms and tests, with faults coming and going on every
// part of the road to the control room; then the faults clear and the tracker settles.
// Every posted message ends, delivered or given up, in order (save that an alarm overtakes
// reports); every datagram is well formed; every alarm lasts its period from its last start.
std::string Problems(std::uint32_t seed) {
    auto world = MakeDayWorld(seed, 600);
    std::int64_t alarmStart = -1;  // of the alarm going on, if any
    std::ostringstream problems;
    const auto step = [&] {
        const std::int32_t leftBefore = world->Window().AlarmTicksLeft();
        world->Tick();
        if (world->Window().AlarmTicksLeft() > leftBefore) {
            alarmStart = world->Ticks() - 1;  // started or restarted within this tick
        }
        if (alarmStart >= 0 && world->Window().Mode() != ReportMode::Alarm) {
            if (world->Ticks() - alarmStart < 9000) {
                problems << "alarm from tick " << alarmStart << " lasted "
                         << world->Ticks() - alarmStart << "; ";
            }
            alarmStart = -1;
        }
    };
    const auto settled = [&] {
        return world->Window().Mode() == ReportMode::Idle && world->Sender().IsQueueEmpty();
    };
    const std::vector<Event> events = MakeScenario(seed, 30000, 100);
    auto next = events.begin();
    for (int tick = 0; tick < 30000; ++tick) {
        for (; next != events.end() && next->tick <= tick; ++next) {
            next->apply(*world);
        }
        step();
    }
    world->network.faults = SimNetworkFaults{};
    world->connections.forcedStatus.reset();
    world->simCard.present = world->mainRoom.acknowledge = true;
    world->gps.gone = false;
    world->ReleaseKey(112);
    for (int tick = 0; tick < 20000 && !settled(); ++tick) {
        step();
    }

    std::deque<std::string> open;
    const std::string start = "Начало передачи сообщения ", message = "Сообщение ";
    for (const auto& line : world->log) {
        if (line.starts_with(start)) {
            open.push_back(line.substr(start.size()));
        } else if (line.starts_with(message)) {
            // An alarm overtakes the reports queued before it; each code keeps its order.
            const auto oldest = std::ranges::find(
                open, line.substr(message.size(), line.find(' ', message.size()) - message.size()));
            if (oldest == open.end()) {
                problems << "'" << line << "' ends no open message; ";
            } else {
                open.erase(oldest);
            }
        }
    }
    if (!open.empty() || !settled()) {
        problems << open.size() << " messages never ended; ";
    }
    for (const auto* room : {&world->mainRoom, &world->reserveRoom}) {
        problems << (room->malformed.empty() ? "" : "malformed datagrams; ");
    }
    if (world->CountLines("Начало передачи сообщения 699") <= 5) {
        problems << "too few reports; ";
    }
    return problems.str();
}

TEST(FaultRun, EveryMessageEndsAndEveryAlarmLastsItsPeriod) {
    ForEachSeed([](std::uint32_t seed) { EXPECT_EQ(Problems(seed), ""); });
}

}  // namespace
