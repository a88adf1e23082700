#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "SeededDay.h"
#include "support/WorldHelpers.h"

namespace {

// A seeded run: a schedule, alarms and tests, with faults coming and going on every
// part of the road to the control room; then the faults clear and the tracker settles.
struct FaultRun {
    explicit FaultRun(std::uint32_t seed)
        : world(
              MakeWorld("Frequency=600\r\nAlertPressTime=3\r\nReserveServer=127.0.0.2\r\n", seed)),
          events(MakeScenario(seed, 30000, 100)) {
        world->network.faults.maxDelayMs = 1500;  // late answers become stale ones
    }

    void Run() {
        auto next = events.begin();
        for (int tick = 0; tick < 30000; ++tick) {
            for (; next != events.end() && next->tick <= tick; ++next) {
                next->apply(*world);
            }
            Step();
        }
        world->network.faults = SimNetworkFaults{};
        world->connections.forcedStatus.reset();
        world->simCard.present = true;
        world->gps.gone = false;
        world->mainRoom.acknowledge = true;
        world->ReleaseKey(112);
        for (int tick = 0; tick < 20000 && !Settled(); ++tick) {
            Step();
        }
    }

    // Every posted message ends, delivered or given up, in order (save that an alarm
    // overtakes reports); every datagram is well formed; every alarm lasts its period
    // from its last start.
    std::string Problems() const {
        std::ostringstream problems;
        std::deque<std::string> open;
        const std::string start = "Начало передачи сообщения ", message = "Сообщение ";
        for (const auto& line : world->log) {
            if (line.rfind(start, 0) == 0) {
                open.push_back(line.substr(start.size()));
            } else if (line.rfind(message, 0) == 0) {
                std::string code =
                    line.substr(message.size(), line.find(' ', message.size()) - message.size());
                // An alarm overtakes the reports queued before it; each code keeps its order.
                const auto oldest = std::find(open.begin(), open.end(), code);
                if (oldest == open.end()) {
                    problems << "'" << line << "' ends no open message; ";
                } else {
                    open.erase(oldest);
                }
            }
        }
        if (!open.empty() || !Settled()) {
            problems << open.size() << " messages never ended; ";
        }
        for (const auto* room : {&world->mainRoom, &world->reserveRoom}) {
            problems << (room->malformed.empty() ? "" : "malformed datagrams; ");
        }
        for (const auto& [from, to] : alarms) {
            if (to - from < 9000) {
                problems << "alarm from tick " << from << " lasted " << to - from << "; ";
            }
        }
        return problems.str();
    }

    std::unique_ptr<SimWorld> world;

    bool Settled() const {
        return world->Window().Mode() == ReportMode::Idle && world->Sender().IsQueueEmpty();
    }

    void Step() {
        const std::int32_t leftBefore = world->Window().AlarmTicksLeft();
        world->Tick();
        if (world->Window().AlarmTicksLeft() > leftBefore) {
            alarmStart = world->Ticks() - 1;  // started or restarted within this tick
        }
        if (alarmStart >= 0 && world->Window().Mode() != ReportMode::Alarm) {
            alarms.emplace_back(alarmStart, world->Ticks());
            alarmStart = -1;
        }
    }

    std::vector<Event> events;
    std::int64_t alarmStart = -1;  // of the alarm going on, if any
    std::vector<std::pair<std::int64_t, std::int64_t>> alarms;
};

TEST(FaultRun, EveryMessageEndsAndEveryAlarmLastsItsPeriod) {
    const auto [first, runs] = SeedRange();
    for (std::uint32_t seed = first; seed < first + runs; ++seed) {
        FaultRun run(seed);
        run.Run();
        EXPECT_EQ(run.Problems(), "") << "seed " << seed << " (alone: MZ_SEED=" << seed << ")";
        EXPECT_GT(run.world->CountLines("Начало передачи сообщения 699"), 5) << "seed " << seed;
    }
}

}  // namespace
