#include <gtest/gtest.h>

#include <sstream>

#include "SeededDay.h"

// Sleeping through quiet ticks must change nothing anyone sees: the same seeded day is
// run once ticking every 100 ms and once skipping what the core calls quiet, and the
// two must give the same datagrams, event lines, files written (alarm.ini, params.ini),
// tray icons, popups and redraws, each at the same tick.
namespace {

struct DayRun {
    std::vector<std::string> trace;
    std::int64_t skipped = 0;
};

// What a person, the log files and the control room see, one line per change, each with
// the tick it happened in.
DayRun RunDay(std::uint32_t seed, std::int64_t ticks, bool sleep) {
    auto world = MakeDayWorld(seed, Frequencies[seed % 4]);
    DayRun run;
    std::size_t logSeen = 0, sentSeen = 0, filesSeen = 0, iconsSeen = 0, erasedSeen = 0;
    std::string lastState;
    // The picture counts only as a tick painted it; between ticks the canvas holds an old one.
    const auto look = [&](bool painted) {
        const auto tick = std::to_string(world->Ticks()) + " ";
        const auto take = [&](std::size_t& seen, const auto& list, const auto& line) {
            for (; seen < list.size(); ++seen) {
                run.trace.push_back(tick + line(list[seen]));
            }
        };
        take(logSeen, world->log, [&](const std::string& text) {
            return "log " + text + " @" + std::to_string(world->logTicks[logSeen]);
        });
        take(sentSeen, world->network.sent, [](const auto& datagram) {
            std::string hex = "datagram " + std::to_string(datagram.to.address) + " ";
            for (const auto byte : datagram.bytes) {
                hex += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
            }
            return hex;
        });
        take(filesSeen, world->fileWriter.replaced, [](const auto& file) {
            return "file " + file.first.substr(file.first.rfind('/') + 1) + " " + file.second;
        });
        take(iconsSeen, world->shell.trayIcons,
             [](int icon) { return "icon " + std::to_string(icon); });
        take(erasedSeen, world->shell.erased, [](const Rect& area) {
            return "redraw " + std::to_string(area.left) + "," + std::to_string(area.top);
        });
        std::ostringstream state;
        state << "popup " << world->shell.popupShown << "/" << world->shell.popupsShown << " test "
              << world->shell.commandEnabled[CmdTest];
        if (painted && world->shell.windowShown) {
            for (const auto& text : world->canvas.texts) {
                state << " | " << text.text;
            }
            for (const auto& picture : world->canvas.pictures) {
                state << " #" << picture.id;
            }
        }
        if (state.str() != lastState) {
            lastState = state.str();
            run.trace.push_back(tick + lastState);
        }
    };
    world->afterTick = [&] { look(true); };
    std::int64_t now = 0;
    const auto runTo = [&](std::int64_t tick) {
        sleep ? world->Advance(tick - now) : world->Tick(tick - now);
        now = tick;
    };
    // Sparse, as a phone's day is, so the quiet stretches are long.
    for (const Event& event : MakeScenario(seed, ticks, 2500)) {
        runTo(std::max(now, event.tick));
        event.apply(*world);
        look(false);  // what the event itself changed, before any tick
    }
    runTo(ticks);
    run.skipped = world->skippedTicks;
    return run;
}

// 12 seeds of 6 simulated hours each: 72 hours, every Frequency of the table, every
// fault kind of the fault runs, alarms, Test, settings changes and the window shown now
// and then (where nothing may be skipped).
TEST(QuietTicks, SleepingThroughThemChangesNothingSeen) {
    constexpr std::int64_t ticks = 6 * 36000;
    std::int64_t skipped = 0;
    const std::uint32_t runs = ForEachSeed([&](std::uint32_t seed) {
        const DayRun ticking = RunDay(seed, ticks, false), sleeping = RunDay(seed, ticks, true);
        EXPECT_EQ(ticking.skipped, 0);
        skipped += sleeping.skipped;
        const auto [t, s] = std::ranges::mismatch(ticking.trace, sleeping.trace);
        if (t != ticking.trace.end() || s != sleeping.trace.end()) {
            ADD_FAILURE() << "change " << t - ticking.trace.begin()
                          << ":\n  ticking:  " << (t != ticking.trace.end() ? *t : "(end)")
                          << "\n  sleeping: " << (s != sleeping.trace.end() ? *s : "(end)");
        }
    });
    // Most of a day is quiet; a loop that never sleeps would pass the comparison too.
    EXPECT_GT(skipped, runs * ticks / 3);
}

// The stretches a phone spends most of its day in; each runs only the ticks that act.
TEST(QuietTicks, LongStretchesAreSleptThrough) {
    const struct {
        const char* name;
        std::string params;
        bool keyHeld;
        std::int64_t before, ticks;  // ticks before the stretch, and of it
        std::int64_t mostRun;        // ticks that may run in full, of ticks
    } cases[] = {
        {"idle_hour_gps_off", "Frequency=36000\r\n", false, 0, 36000, 3},
        // About six ticks a report: post, connect, start, send, answer, back to idle.
        {"hourly_reports_with_held_link", "Frequency=36000\r\n", false, 36000, 36000 * 3, 24},
        // A poll a second while the GPS stays on, reports every 10 s on top.
        {"polls_while_gps_stays_on", "Frequency=100\r\n", false, 0, 6000, 800},
        // The GPS is polled once a second through an alarm; follow-ups come between.
        {"alarm_follow_ups", "Frequency=36000\r\nAlertPressTime=1\r\n", true, 20, 9000, 1000},
    };
    for (const auto& row : cases) {
        auto world = MakeWorld(row.params);
        if (row.keyHeld) {
            world->PressKey(112);
        }
        world->Advance(row.before);
        const std::int64_t ranBefore = world->Ticks() - world->skippedTicks;
        world->Advance(row.ticks);
        const std::int64_t ran = world->Ticks() - world->skippedTicks - ranBefore;
        EXPECT_LE(ran, row.mostRun) << row.name;
    }
}

}  // namespace
