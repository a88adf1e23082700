#pragma once

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/Resources.h"
#include "delivery/ConnectionStatus.h"
#include "sim/SimWorld.h"

enum class Action {
    NetworkFaults,
    LinkToggle,
    SimToggle,
    GpsToggle,
    AcknowledgeToggle,
    KeyDown,
    KeyUp,  // drawn as a Test: a key-up follows each key-down
    Test,
    Frequency,
    ShowWindow,
    HideWindow,
};

struct Event {
    std::int64_t tick;
    std::function<void(SimWorld&)> apply;
};

constexpr int Frequencies[] = {100, 600, 3000, 36000};

// The seeds to run, as the first and how many: 1 to 12, or the one MZ_SEED names.
inline std::pair<std::uint32_t, std::uint32_t> SeedRange() {
    const char* seed = std::getenv("MZ_SEED");
    return seed ? std::pair(static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10)), 1u)
                : std::pair(1u, 12u);
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
    std::int64_t tick = 0;
    while (true) {
        tick += std::exponential_distribution<>(1.0 / meanGap)(random) + 1;
        if (tick >= ticks) {
            break;
        }
        std::function<void(SimWorld&)> apply;
        switch (static_cast<Action>(pick(0, static_cast<int>(Action::HideWindow)))) {
            case Action::NetworkFaults: {
                const double loss =
                    pick(0, 1) ? 0 : std::uniform_real_distribution<>(0, 0.6)(random);
                const double duplicate = pick(0, 1) ? 0 : 0.2;
                const double reorder = pick(0, 1) ? 0 : 0.2;
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
            case Action::KeyDown:
                events.push_back({tick, [](SimWorld& w) { w.PressKey(112); }});
                events.push_back({tick + pick(5, 60), [](SimWorld& w) { w.ReleaseKey(112); }});
                continue;
            case Action::KeyUp:
            case Action::Test:
                apply = [](SimWorld& w) { w.Command(CmdTest); };
                break;
            case Action::Frequency: {
                const std::string value = std::to_string(Frequencies[pick(0, 3)]);
                apply = [=](SimWorld& w) { w.Settings().SetValue("Frequency", value); };
                break;
            }
            case Action::ShowWindow:
                events.push_back({tick, [](SimWorld& w) { w.shell.ShowMainWindow(); }});
                events.push_back(
                    {tick + pick(10, 300), [](SimWorld& w) { w.shell.HideMainWindow(); }});
                continue;
            case Action::HideWindow:
                apply = [](SimWorld& w) { w.shell.HideMainWindow(); };
                break;
        }
        events.push_back({tick, apply});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.tick < b.tick; });
    return events;
}
