#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/Resources.h"
#include "app/ScreenLayout.h"
#include "app/StatusPicture.h"
#include "platform/ConnectionManager.h"
#include "support/WorldHelpers.h"

namespace {

TEST(StatusPicture, StatesAndTheBusyCycle) {
    std::vector<int> got;
    for (StatusCode state :
         {StatusCode::Off, StatusCode::Done, StatusCode::Ready, StatusCode::Failed,
          static_cast<StatusCode>(-1), static_cast<StatusCode>(9)}) {
        got.push_back(PictureForState(state, 5));
    }
    for (int step = 0; step < AnimationSteps; ++step) {
        got.push_back(PictureForState(StatusCode::Busy, step));
    }
    // Unknown states are off; busy goes up through the 14 frames, then from the lightest
    // back down to the third.
    // clang-format off
    EXPECT_EQ(got, (std::vector<int>{PictureOff, PictureDone, PictureReady, PictureFailed,
        PictureOff, PictureOff, 206, 207, 208, 209, 214, 211, 212, 213, 210, 216, 217, 218, 219,
        220, 220, 219, 218, 217, 216, 210, 213, 212, 211, 214, 209, 208}));
    // clang-format on
}

// An item painted: its area and "#picture" ("t": black is transparent) or "text |flags".
using Item = std::pair<Rect, std::string>;

std::vector<Item> Drawn(const SimCanvas& canvas) {
    std::vector<Item> items;
    for (const SimCanvas::Picture& p : canvas.pictures) {
        std::string what = "#";  // appended, not prepended: GCC 12 at -O3 misjudges a prepend
        items.emplace_back(p.target,
                           what.append(std::to_string(p.id)) + (p.blackIsTransparent ? "t" : ""));
    }
    for (const SimCanvas::Text& text : canvas.texts) {
        items.emplace_back(text.area, text.text + " |" + std::to_string(text.flags));
    }
    return items;
}

// The rows "left,top,right,bottom what" of the items, of those in areas when any are given.
using Shown = std::multiset<std::string>;
Shown Rows(const std::vector<Item>& items, const std::vector<Rect>& areas = {}) {
    Shown rows;
    for (const auto& [a, what] : items) {
        if (areas.empty() || std::ranges::count(areas, a) > 0) {
            rows.insert(std::to_string(a.left) + "," + std::to_string(a.top) + "," +
                        std::to_string(a.right) + "," + std::to_string(a.bottom) + " " + what);
        }
    }
    return rows;
}

// The squares, the status texts, the mode picture, and the coordinates with a fix: the
// satellite count while searching and while the fix is new, the coordinates till the fix
// is too old.
TEST(StatusScreen, PaintsTheStatesAndTheFixWhileItIsFresh) {
    auto world = MakeWorld("");
    EXPECT_EQ(world->PaintNow().fontHeight, 17);
    EXPECT_EQ(world->shell.listBoxArea, (Rect{5, 160, 235, 315}));
    EXPECT_EQ(Rows(Drawn(world->canvas)),
              (Shown{"25,34,76,85 #204", "25,102,76,153 #204", "76,42,215,76 Статус неизвестен |16",
                     "76,110,215,144 GPS выключен или недоступен |16"}));
    world->Window().StartReport(ReportMode::Alarm, false);
    const struct {
        const char* name;
        int ticks;
        int fixAge;  // seconds; none when negative
        Shown rows;
    } stages[] = {
        // clang-format off
        {"Searching", 1, -1, {"25,34,76,85 #207", "25,102,76,153 #207", "181,4,240,38 #227t",
            "76,42,215,76 Статус неизвестен |16", "76,110,215,144 Идет поиск спутников |16",
            "25,252,215,269 0 |20"}},
        {"Fix", 11, -1, {"25,34,76,85 #180", "25,102,76,153 #180", "181,4,240,38 #227t",
            "76,42,215,76 Сообщение передано успешно |16", "25,252,215,269 3 |20",
            "76,110,215,144 Координаты определены |16",
            "25,218,215,235 Долгота: 37° 37' 6.32\" E |20",
            "25,184,215,201 Широта: 55° 45' 4.48\" N |20"}},
        {"AlmostTooOld", 0, 1199, {"25,34,76,85 #180", "25,102,76,153 #179", "181,4,240,38 #227t",
            "76,42,215,76 Сообщение передано успешно |16",
            "76,110,215,144 Координаты были определены 20:26:41  |16",
            "25,184,215,201 Широта: 55° 45' 4.48\" N |20",
            "25,218,215,235 Долгота: 37° 37' 6.32\" E |20"}},
        {"TooOld", 0, 1200, {"25,34,76,85 #180", "25,102,76,153 #177", "181,4,240,38 #227t",
            "76,42,215,76 Сообщение передано успешно |16", "76,110,215,144 Нет сигнала GPS |16"}},
        // clang-format on
    };
    const CGpsReader& gps = *world->Window().Globals().gpsReader;
    for (const auto& stage : stages) {
        SCOPED_TRACE(stage.name);
        world->Tick(stage.ticks);
        if (stage.fixAge >= 0) {
            world->clock.SetUtcSeconds(gps.lastFixTime + stage.fixAge);
        }
        EXPECT_EQ(Rows(Drawn(world->PaintNow())), stage.rows);
    }
}

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Keeps what a person sees: an area shows what was painted into it while it was marked
// for repainting; erasing blanks it first.
void WatchScreen(SimWorld& world, std::vector<Item>& seen) {
    world.shell.paint = [&world, &seen] {
        const auto& marked = world.shell.invalidations;
        const auto markedFor = [&](const Rect& area, bool erase) {
            return std::ranges::any_of(
                marked, [&](const auto& i) { return (i.erase || !erase) && Inside(area, i.area); });
        };
        std::erase_if(seen, [&](const auto& item) { return markedFor(item.first, true); });
        for (const auto& [area, what] : Drawn(world.PaintNow())) {
            if (markedFor(area, false)) {
                std::erase_if(seen, [&](const auto& item) { return item.first == area; });
                seen.emplace_back(area, what);
            }
        }
    };
}

// Through a test, an alarm, a lost and a found receiver and a lost link: the squares and the
// delivery text are current after every tick (the busy square animating), and everything
// is after a tick where the delivery state changed. (A GPS change shows within a second,
// at the reader's next poll.)
TEST(StatusScreen, EachTickRepaintsWhatChanged) {
    auto world = MakeWorld("Frequency=36000\r\n");
    std::vector<Item> seen = Drawn(world->PaintNow());
    WatchScreen(*world, seen);
    const ScreenLayout& layout = world->Window().Layout();
    const std::vector<Rect> current{layout.deliverySquare, layout.gpsSquare, layout.deliveryText};
    std::set<std::string> busyFrames;
    int fullRefreshes = 0;
    for (int tick = 1; tick <= 600; ++tick) {
        world->gps.gone = tick >= 150 && tick < 300;
        if (tick == 400 || tick == 450) {
            world->connections.forcedStatus =
                tick == 400 ? std::optional(ConnectionStatusDisconnected) : std::nullopt;
        }
        if (tick == 5 || tick == 60) {
            world->Window().StartReport(tick == 5 ? ReportMode::Intimate : ReportMode::Alarm,
                                        tick == 5);
        }
        const StatusCode before = world->Sender().GetStatusCode();
        world->Tick();
        const std::vector<Item> whole = Drawn(world->PaintNow());
        if (before != world->Sender().GetStatusCode()) {
            ++fullRefreshes;
            ASSERT_EQ(Rows(seen), Rows(whole)) << "tick " << tick;
        }
        ASSERT_EQ(Rows(seen, current), Rows(whole, current)) << "tick " << tick;
        if (world->Sender().GetStatusCode() == StatusCode::Busy) {
            busyFrames.insert(*Rows(seen, {layout.deliverySquare}).begin());
        }
    }
    EXPECT_GE(fullRefreshes, 5);
    EXPECT_GE(busyFrames.size(), 3u) << "the busy animation was not seen";
}

TEST(StatusScreen, TwoAlarmsWithinTwoSecondsShowOnePopupForTwoSeconds) {
    auto world = MakeWorld("");
    world->Command(CmdTest);  // an intimation running does not keep the popup away
    world->Window().StartReport(ReportMode::Alarm, false);
    EXPECT_EQ(std::tuple(world->shell.popupPicture, world->shell.popupTitle),
              std::tuple(PictureAlarmPopup, "Тревога"));
    world->Tick(10);
    world->Window().StartReport(ReportMode::Alarm, false);
    world->Tick(9);
    EXPECT_TRUE(world->shell.popupShown);
    world->Tick(1);
    EXPECT_EQ(std::tuple(world->shell.popupShown, world->shell.IsTimerRunning(AlarmPopupTimerId),
                         world->shell.popupsShown),
              std::tuple(false, false, 1));

    auto failing = MakeWorld("");  // a popup that cannot be made leaves the alarm going
    failing->shell.popupFails = true;
    failing->Window().StartReport(ReportMode::Alarm, false);
    EXPECT_FALSE(failing->shell.IsTimerRunning(AlarmPopupTimerId));
    EXPECT_EQ(failing->Window().Mode(), ReportMode::Alarm);
}

}  // namespace
