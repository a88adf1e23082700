#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "sim/SimWorld.h"

// The whole tracker on simulated parts, run for days with faults drawn from a seed and
// every invariant checked after every tick. The same seed gives the same run.
class Soak {
public:
    explicit Soak(std::uint32_t seed);

    static constexpr std::int64_t TicksPerDay = 24 * 60 * 60 * 10;

    // Runs one simulated day; false at the first broken invariant (see Violation()).
    bool RunDay();
    const std::string& Violation() const { return violation; }
    std::int64_t Day() const { return world->Ticks() / TicksPerDay; }

    // What happened so far, for the summary.
    struct Counts {
        std::int64_t posted = 0, delivered = 0, givenUp = 0, alarms = 0, datagrams = 0;
        std::int64_t forged = 0, clockJumps = 0, maxOpen = 0;
    };
    const Counts& Totals() const { return counts; }

private:
    void Disturb();
    void Check();
    void CheckLine(const std::string& line);
    void CheckDatagrams();
    void Fail(const std::string& text);
    bool Chance(double p) { return std::uniform_real_distribution<>(0, 1)(random) < p; }
    int Between(int low, int high) { return std::uniform_int_distribution<>(low, high)(random); }

    std::unique_ptr<SimWorld> world;
    std::mt19937 random;
    std::string violation;
    Counts counts;

    std::deque<std::string> open;  // codes of posted messages not yet ended, in order
    std::set<std::uint32_t> ackedByMain, ackedByReserve;
    Ipv4Endpoint handset;  // the tracker's socket as last seen on the network
    int keyTicks = 0;
    int sendErrorTicks = 0;
    std::int64_t lastRssKb = 0;
    std::int64_t firstDayRssKb = 0;
};
