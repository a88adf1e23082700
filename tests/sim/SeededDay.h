#pragma once

// What the simulated-world tests share: the worlds they build, key holds, and seeded days.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/Resources.h"
#include "delivery/ConnectionStatus.h"
#include "support/WorldHelpers.h"

inline bool UntilIdle(SimWorld& world, std::int64_t limit) {
    return world.TickUntil([&] { return world.Window().Mode() == ReportMode::Idle; }, limit);
}

// Holds a key for 2 s; the tick the alarm's hold timer fired in.
inline std::int64_t HoldKey(SimWorld& world, std::uint32_t key = 112) {
    world.PressKey(key);
    world.Tick(20);
    world.ReleaseKey(key);
    return world.Ticks() - 1;
}

// Reports of one code that reached the main control room.
inline int Received(const SimWorld& world, std::uint16_t code) {
    return static_cast<int>(std::ranges::count(world.mainRoom.reports, code,
                                               [](const auto& r) { return r.fields.code; }));
}

struct Event {
    std::int64_t tick;
    std::function<void(SimWorld&)> apply;
};

constexpr int Frequencies[] = {100, 600, 3000, 36000};

// A seeded day's world: alarms after a 3 s hold, a reserve server, late answers.
inline std::unique_ptr<SimWorld> MakeDayWorld(std::uint32_t seed, int frequency) {
    auto world = MakeWorld("Frequency=" + std::to_string(frequency) +
                               "\r\nAlertPressTime=3\r\nReserveServer=127.0.0.2\r\n",
                           seed);
    world->network.faults.maxDelayMs = 1500;  // late answers become stale ones
    return world;
}

// Runs check for seeds 1 to 12, or the one MZ_SEED names; how many ran.
inline std::uint32_t ForEachSeed(const std::function<void(std::uint32_t)>& check) {
    const char* only = std::getenv("MZ_SEED");
    const std::uint32_t first = only ? std::strtoul(only, nullptr, 10) : 1, runs = only ? 1 : 12;
    for (std::uint32_t seed = first; seed < first + runs; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " (alone: MZ_SEED=" + std::to_string(seed) +
                     ")");
        check(seed);
    }
    return runs;
}

// Events of one seeded day, one every meanGap ticks on average: network faults, the link,
// the SIM, the GPS and the control room's answers coming and going, key holds short and
// long enough for an alarm (AlertPressTime=3), tests, Frequency changes, the window shown.
inline std::vector<Event> MakeScenario(std::uint32_t seed, std::int64_t ticks, double meanGap) {
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<>(low, high)(random);
    };
    const std::function<void(SimWorld&)> toggles[] = {
        [](SimWorld& w) {
            auto& forced = w.connections.forcedStatus;
            forced = forced ? std::nullopt : std::optional(ConnectionStatusDisconnected);
        },
        [](SimWorld& w) { w.simCard.present = !w.simCard.present; },
        [](SimWorld& w) { w.gps.gone = !w.gps.gone; },
        [](SimWorld& w) { w.mainRoom.acknowledge = !w.mainRoom.acknowledge; },
        [](SimWorld& w) { w.Command(CmdTest); },
        [](SimWorld& w) { w.shell.HideMainWindow(); },
    };
    std::vector<Event> events;
    for (std::int64_t tick = 0;;) {
        tick += std::exponential_distribution<>(1.0 / meanGap)(random) + 1;
        if (tick >= ticks) {
            break;
        }
        // 0 faults, 1-4 toggles, 5 a key hold, 6-7 a test, 8 Frequency, 9 the window shown for a
        // while, 10 it hidden; the simple ones are the toggles table, in that order.
        switch (const int action = pick(0, 10)) {
            case 0: {
                const double loss =
                    pick(0, 1) ? 0 : std::uniform_real_distribution<>(0, 0.6)(random);
                const double duplicate = pick(0, 1) ? 0 : 0.2, reorder = pick(0, 1) ? 0 : 0.2;
                events.push_back({tick, [=](SimWorld& w) {
                                      w.network.faults.lossRate = loss;
                                      w.network.faults.duplicateRate = duplicate;
                                      w.network.faults.reorderRate = reorder;
                                  }});
                break;
            }
            case 5:
                events.push_back({tick, [](SimWorld& w) { w.PressKey(112); }});
                events.push_back({tick + pick(5, 60), [](SimWorld& w) { w.ReleaseKey(112); }});
                break;
            case 8: {
                const std::string value = std::to_string(Frequencies[pick(0, 3)]);
                events.push_back(
                    {tick, [=](SimWorld& w) { w.Settings().SetValue("Frequency", value); }});
                break;
            }
            case 9:
                events.push_back({tick, [](SimWorld& w) { w.shell.ShowMainWindow(); }});
                events.push_back(
                    {tick + pick(10, 300), [](SimWorld& w) { w.shell.HideMainWindow(); }});
                break;
            default:
                events.push_back({tick, toggles[action < 5 ? action - 1 : action < 8 ? 4 : 5]});
                break;
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.tick < b.tick; });
    return events;
}
