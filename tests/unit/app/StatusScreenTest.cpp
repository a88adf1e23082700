#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "app/Resources.h"
#include "app/ScreenLayout.h"
#include "app/StatusPicture.h"
#include "platform/ConnectionManager.h"
#include "support/WorldHelpers.h"

namespace {

TEST(ScreenLayout, A320PixelHighWindow) {
    ScreenLayout layout = ComputeScreenLayout({240, 320});
    EXPECT_EQ(layout.unit, 17);
    EXPECT_EQ(layout.reportList, (Rect{5, 160, 235, 315}));
    EXPECT_EQ(layout.modePicture, (Rect{240 - 59, 4, 240, 38}));
    EXPECT_EQ(layout.textArea, (Rect{25, 34, 215, 286}));
    EXPECT_EQ(layout.deliverySquare, (Rect{25, 34, 76, 85}));
    EXPECT_EQ(layout.gpsSquare, (Rect{25, 102, 76, 153}));
    EXPECT_EQ(layout.deliveryText, (Rect{76, 42, 215, 76}));
    EXPECT_EQ(layout.gpsText, (Rect{76, 110, 215, 144}));
    EXPECT_EQ(layout.latitudeLine, (Rect{25, 184, 215, 201}));
    EXPECT_EQ(layout.longitudeLine, (Rect{25, 218, 215, 235}));
    EXPECT_EQ(layout.satellitesLine, (Rect{25, 252, 215, 269}));
}

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

TEST(StatusScreen, CoordinatesShowWithAFixTheSatelliteCountOnlyWhileItIsNew) {
    auto world = MakeWorld("");
    const ScreenLayout& layout = world->Window().Layout();
    const SimCanvas& off = world->PaintNow();
    EXPECT_EQ(off.fontHeight, 17);
    EXPECT_EQ(world->shell.listBoxArea, layout.reportList);
    ASSERT_EQ(off.pictures.size(), 2u) << "no mode picture while idle";
    EXPECT_EQ(off.pictures[1].id, PictureOff);
    EXPECT_EQ(off.TextIn(layout.latitudeLine), nullptr);

    world->Window().StartReport(ReportMode::Alarm, false);
    world->Tick();
    ASSERT_EQ(world->Window().Globals().gpsReader->GetStatusCode(), StatusCode::Busy);
    ASSERT_NE(world->PaintNow().TextIn(layout.satellitesLine), nullptr) << "shown while searching";
    world->Tick(11);
    const SimCanvas& canvas = world->PaintNow();
    ASSERT_EQ(canvas.pictures.size(), 3u);
    EXPECT_EQ(canvas.pictures[2].id, PictureModeAlarm);
    EXPECT_TRUE(canvas.pictures[2].blackIsTransparent);
    const SimCanvas::Text* latitude = canvas.TextIn(layout.latitudeLine);
    const SimCanvas::Text* satellites = canvas.TextIn(layout.satellitesLine);
    ASSERT_TRUE(latitude && satellites && canvas.TextIn(layout.longitudeLine));
    EXPECT_EQ(latitude->text.rfind("Широта: ", 0), 0u);
    EXPECT_EQ(latitude->flags, Canvas::TextWordBreak | Canvas::TextVCenter);
    EXPECT_EQ(satellites->text,
              std::to_string(world->Window().Globals().gpsReader->GetSatelliteCount()));

    // An older fix keeps its coordinates but not the satellite count, till it is too old.
    const CGpsReader& gps = *world->Window().Globals().gpsReader;
    for (const auto& [age, status, coordinates] :
         {std::tuple(60, StatusCode::Ready, true), std::tuple(1199, StatusCode::Ready, true),
          std::tuple(1200, StatusCode::Failed, false)}) {
        SCOPED_TRACE(age);
        world->clock.SetUtcSeconds(gps.lastFixTime + age);
        ASSERT_EQ(gps.GetStatusCode(), status);
        const SimCanvas& older = world->PaintNow();
        EXPECT_EQ(older.TextIn(layout.latitudeLine) != nullptr, coordinates);
        EXPECT_EQ(older.TextIn(layout.longitudeLine) != nullptr, coordinates);
        EXPECT_EQ(older.TextIn(layout.satellitesLine), nullptr);
    }
}

using Shown = std::vector<std::pair<Rect, std::string>>;

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

Shown Drawn(const SimCanvas& canvas) {
    Shown items;
    for (const SimCanvas::Picture& picture : canvas.pictures) {
        items.emplace_back(picture.target, "picture " + std::to_string(picture.id));
    }
    for (const SimCanvas::Text& text : canvas.texts) {
        items.emplace_back(text.area, text.text);
    }
    return items;
}

Shown Sorted(Shown items) {
    std::ranges::sort(items, {}, [](const auto& i) {
        return std::tie(i.first.left, i.first.top, i.first.right, i.first.bottom, i.second);
    });
    return items;
}

// Keeps what a person sees: an area shows what was painted into it while it was marked
// for repainting; erasing blanks it first.
void WatchScreen(SimWorld& world, Shown& seen) {
    world.shell.paint = [&world, &seen] {
        const auto& marked = world.shell.invalidations;
        const auto markedFor = [&](const Rect& area, bool erase) {
            return std::ranges::any_of(
                marked, [&](const auto& i) { return (i.erase || !erase) && Inside(area, i.area); });
        };
        std::erase_if(seen, [&](const auto& item) { return markedFor(item.first, true); });
        world.canvas.Clear();
        world.Window().Paint(world.canvas);
        for (const auto& [area, what] : Drawn(world.canvas)) {
            if (markedFor(area, false)) {
                std::erase_if(seen, [&](const auto& item) { return item.first == area; });
                seen.emplace_back(area, what);
            }
        }
    };
}

Shown In(const Shown& items, const std::vector<Rect>& areas) {
    Shown kept;
    std::ranges::copy_if(items, std::back_inserter(kept), [&](const auto& item) {
        return std::ranges::count(areas, item.first) > 0;
    });
    return kept;
}

// Through a test, an alarm, a lost and a found receiver and a lost link: the squares and the
// delivery text are current after every tick (the busy square animating), and everything
// is after a tick where the delivery state changed. (A GPS change shows within a second,
// at the reader's next poll.)
TEST(StatusScreen, EachTickRepaintsWhatChanged) {
    auto world = MakeWorld("Frequency=36000\r\n");
    Shown seen = Drawn(world->PaintNow());
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
        const Shown whole = Drawn(world->PaintNow());
        if (before != world->Sender().GetStatusCode()) {
            ++fullRefreshes;
            ASSERT_EQ(Sorted(seen), Sorted(whole)) << "tick " << tick;
        }
        ASSERT_EQ(Sorted(In(seen, current)), Sorted(In(whole, current))) << "tick " << tick;
        if (world->Sender().GetStatusCode() == StatusCode::Busy) {
            busyFrames.insert(In(seen, {layout.deliverySquare}).at(0).second);
        }
    }
    EXPECT_GE(fullRefreshes, 5);
    EXPECT_GE(busyFrames.size(), 3u) << "the busy animation was not seen";
}

TEST(StatusScreen, TwoAlarmsWithinTwoSecondsShowOnePopupForTwoSeconds) {
    auto world = MakeWorld("");
    world->Command(CmdTest);  // an intimation running does not keep the popup away
    world->Window().StartReport(ReportMode::Alarm, false);
    EXPECT_EQ(world->shell.popupPicture, PictureAlarmPopup);
    EXPECT_EQ(world->shell.popupTitle, "Тревога");
    world->Tick(10);
    world->Window().StartReport(ReportMode::Alarm, false);
    world->Tick(9);
    EXPECT_TRUE(world->shell.popupShown);
    world->Tick(1);
    EXPECT_FALSE(world->shell.popupShown);
    EXPECT_FALSE(world->shell.IsTimerRunning(AlarmPopupTimerId));
    EXPECT_EQ(world->shell.popupsShown, 1);

    auto failing = MakeWorld("");  // a popup that cannot be made leaves the alarm going
    failing->shell.popupFails = true;
    failing->Window().StartReport(ReportMode::Alarm, false);
    EXPECT_FALSE(failing->shell.IsTimerRunning(AlarmPopupTimerId));
    EXPECT_EQ(failing->Window().Mode(), ReportMode::Alarm);
}

}  // namespace
