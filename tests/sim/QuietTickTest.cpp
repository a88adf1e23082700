#include <gtest/gtest.h>

#include <sstream>

#include "SeededDay.h"
#include "support/WorldHelpers.h"

// Sleeping through quiet ticks must change nothing anyone sees: the same seeded day is
// run once ticking every 100 ms and once skipping what the core calls quiet, and the
// two must give the same datagrams, event lines, files written (alarm.ini, params.ini),
// tray icons, popups and redraws, each at the same tick.
namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (auto byte : bytes) {
        text += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
    }
    return text;
}

// What a person, the log files and the control room see, one line per change, each
// with the tick it happened in.
class Observer {
public:
    explicit Observer(SimWorld& observed) : world(observed) {}

    // The picture counts only as a tick painted it; between ticks the canvas holds an
    // old paint.
    void Look(bool painted) {
        const auto tick = std::to_string(world.Ticks()) + " ";
        for (; logSeen < world.log.size(); ++logSeen) {
            trace.push_back(tick + "log " + world.log[logSeen] + " @" +
                            std::to_string(world.logTicks[logSeen]));
        }
        for (; sentSeen < world.network.sent.size(); ++sentSeen) {
            const auto& datagram = world.network.sent[sentSeen];
            trace.push_back(tick + "datagram " + std::to_string(datagram.to.address) + " " +
                            Hex(datagram.bytes));
        }
        for (; filesSeen < world.fileWriter.replaced.size(); ++filesSeen) {
            const auto& [path, content] = world.fileWriter.replaced[filesSeen];
            trace.push_back(tick + "file " + path.substr(path.rfind('/') + 1) + " " + content);
        }
        for (; iconsSeen < world.shell.trayIcons.size(); ++iconsSeen) {
            trace.push_back(tick + "icon " + std::to_string(world.shell.trayIcons[iconsSeen]));
        }
        for (; erasedSeen < world.shell.erased.size(); ++erasedSeen) {
            const Rect& area = world.shell.erased[erasedSeen];
            trace.push_back(tick + "redraw " + std::to_string(area.left) + "," +
                            std::to_string(area.top));
        }
        std::ostringstream state;
        state << "popup " << world.shell.popupShown << "/" << world.shell.popupsShown << " test "
              << world.shell.commandEnabled[CmdTest];
        if (painted && world.shell.windowShown) {
            for (const auto& text : world.canvas.texts) {
                state << " | " << text.text;
            }
            for (const auto& picture : world.canvas.pictures) {
                state << " #" << picture.id;
            }
        }
        if (state.str() != lastState) {
            lastState = state.str();
            trace.push_back(tick + lastState);
        }
    }

    std::vector<std::string> trace;

private:
    SimWorld& world;
    std::size_t logSeen = 0, sentSeen = 0, filesSeen = 0, iconsSeen = 0, erasedSeen = 0;
    std::string lastState;
};

struct DayRun {
    std::vector<std::string> trace;
    std::int64_t skipped = 0;
};

DayRun RunDay(std::uint32_t seed, std::int64_t ticks, bool sleep) {
    const int frequency = Frequencies[seed % 4];
    auto world = MakeWorld("Frequency=" + std::to_string(frequency) +
                               "\r\nAlertPressTime=3\r\nReserveServer=127.0.0.2\r\n",
                           seed);
    world->network.faults.maxDelayMs = 1500;  // late answers become stale ones
    Observer observer(*world);
    world->afterTick = [&] { observer.Look(true); };
    std::int64_t now = 0;
    // Sparse, as a phone's day is, so the quiet stretches are long.
    for (const Event& event : MakeScenario(seed, ticks, 2500)) {
        if (event.tick > now) {
            sleep ? world->Advance(event.tick - now) : world->Tick(event.tick - now);
            now = event.tick;
        }
        event.apply(*world);
        observer.Look(false);  // what the event itself changed, before any tick
    }
    sleep ? world->Advance(ticks - now) : world->Tick(ticks - now);
    return {observer.trace, world->skippedTicks};
}

// 12 seeds of 6 simulated hours each: 72 hours, every Frequency of the table, every
// fault kind of the fault runs, alarms, Test, settings changes and the window shown now
// and then (where nothing may be skipped).
TEST(QuietTicks, SleepingThroughThemChangesNothingSeen) {
    constexpr std::int64_t hours = 6, ticks = hours * 36000;
    const auto [first, runs] = SeedRange();
    std::int64_t skipped = 0;
    for (std::uint32_t seed = first; seed < first + runs; ++seed) {
        const DayRun ticking = RunDay(seed, ticks, false);
        const DayRun sleeping = RunDay(seed, ticks, true);
        EXPECT_EQ(ticking.skipped, 0);
        skipped += sleeping.skipped;
        const std::size_t common = std::min(ticking.trace.size(), sleeping.trace.size());
        std::size_t at = 0;
        while (at < common && ticking.trace[at] == sleeping.trace[at]) {
            ++at;
        }
        if (at < common || ticking.trace.size() != sleeping.trace.size()) {
            ADD_FAILURE() << "seed " << seed << " (alone: MZ_SEED=" << seed << "), change " << at
                          << ":\n  ticking:  "
                          << (at < ticking.trace.size() ? ticking.trace[at] : "(end)")
                          << "\n  sleeping: "
                          << (at < sleeping.trace.size() ? sleeping.trace[at] : "(end)");
        }
    }
    // Most of a day is quiet; a loop that never sleeps would pass the comparison too.
    EXPECT_GT(skipped, runs * ticks / 3);
}

struct QuietCase {
    const char* name;
    std::string params;
    std::function<void(SimWorld&)> start;
    std::int64_t ticks;
    std::int64_t mostRun;  // ticks that may run in full, of ticks
};

// The stretches a phone spends most of its day in; each runs only the ticks that act.
TEST(QuietTicks, LongStretchesAreSleptThrough) {
    const QuietCase cases[] = {
        {"idle_hour_gps_off", "Frequency=36000\r\n", [](SimWorld&) {}, 36000, 3},
        // About six ticks a report: post, connect, start, send, answer, back to idle.
        {"hourly_reports_with_held_link", "Frequency=36000\r\n",
         [](SimWorld& w) { w.Advance(36000); }, 36000 * 3, 24},
        // A poll a second while the GPS stays on, reports every 10 s on top.
        {"polls_while_gps_stays_on", "Frequency=100\r\n", [](SimWorld&) {}, 6000, 800},
        // The GPS is polled once a second through an alarm; follow-ups come between.
        {"alarm_follow_ups", "Frequency=36000\r\nAlertPressTime=1\r\n",
         [](SimWorld& w) {
             w.PressKey(112);
             w.Advance(20);
         },
         9000, 1000},
    };
    for (const auto& row : cases) {
        auto world = MakeWorld(row.params);
        row.start(*world);
        const std::int64_t ranBefore = world->Ticks() - world->skippedTicks;
        world->Advance(row.ticks);
        const std::int64_t ran = world->Ticks() - world->skippedTicks - ranBefore;
        EXPECT_LE(ran, row.mostRun) << row.name;
    }
}

}  // namespace
