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

// What a seeded day draws, in the order of the numbers drawn: reordering it changes every day.
enum class Action {
    NetworkFaults,
    LinkToggle,
    SimToggle,
    GpsToggle,
    AcknowledgeToggle,
    KeyHold,
    Test,
    TestAgain,  // a second number for a test: tests come twice as often
    Frequency,
    ShowWindow,
    HideWindow,
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
    std::vector<Event> events;
    for (std::int64_t tick = 0;;) {
        tick += std::exponential_distribution<>(1.0 / meanGap)(random) + 1;
        if (tick >= ticks) {
            break;
        }
        std::function<void(SimWorld&)> apply;
        std::optional<Event> undo;  // the end of a key hold or of the window shown
        switch (static_cast<Action>(pick(0, static_cast<int>(Action::HideWindow)))) {
            case Action::NetworkFaults: {
                const double loss =
                    pick(0, 1) ? 0 : std::uniform_real_distribution<>(0, 0.6)(random);
                const double duplicate = pick(0, 1) ? 0 : 0.2, reorder = pick(0, 1) ? 0 : 0.2;
                apply = [=](SimWorld& w) {
                    w.network.faults.lossRate = loss;
                    w.network.faults.duplicateRate = duplicate;
                    w.network.faults.reorderRate = reorder;
                };
                break;
            }
            case Action::LinkToggle:
                apply = [](SimWorld& w) {
                    auto& forced = w.connections.forcedStatus;
                    forced = forced ? std::nullopt : std::optional(ConnectionStatusDisconnected);
                };
                break;
            case Action::SimToggle:
                apply = [](SimWorld& w) { w.simCard.present = !w.simCard.present; };
                break;
            case Action::GpsToggle:
                apply = [](SimWorld& w) { w.gps.gone = !w.gps.gone; };
                break;
            case Action::AcknowledgeToggle:
                apply = [](SimWorld& w) { w.mainRoom.acknowledge = !w.mainRoom.acknowledge; };
                break;
            case Action::KeyHold:
                apply = [](SimWorld& w) { w.PressKey(112); };
                undo = Event{tick + pick(5, 60), [](SimWorld& w) { w.ReleaseKey(112); }};
                break;
            case Action::Test:
            case Action::TestAgain:
                apply = [](SimWorld& w) { w.Command(CmdTest); };
                break;
            case Action::Frequency: {
                const std::string value = std::to_string(Frequencies[pick(0, 3)]);
                apply = [=](SimWorld& w) { w.Settings().SetValue("Frequency", value); };
                break;
            }
            case Action::ShowWindow:
                apply = [](SimWorld& w) { w.shell.ShowMainWindow(); };
                undo = Event{tick + pick(10, 300), [](SimWorld& w) { w.shell.HideMainWindow(); }};
                break;
            case Action::HideWindow:
                apply = [](SimWorld& w) { w.shell.HideMainWindow(); };
                break;
        }
        events.push_back({tick, apply});
        if (undo) {
            events.push_back(*undo);
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.tick < b.tick; });
    return events;
}
