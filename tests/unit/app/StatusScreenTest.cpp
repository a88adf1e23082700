#include <gtest/gtest.h>

#include <functional>

#include "app/Resources.h"
#include "app/ScreenLayout.h"
#include "app/StatusPicture.h"
#include "support/WorldHelpers.h"

namespace {

TEST(ScreenLayout, A320PixelHighWindow) {
    ScreenLayout layout = ComputeScreenLayout({240, 320});
    EXPECT_EQ(layout.unit, 17);
    EXPECT_EQ(layout.reportList, (Rect{5, 160, 235, 315}));
    EXPECT_EQ(layout.modePicture, (Rect{240 - 59, 4, 240, 38}));
    EXPECT_EQ(layout.textArea, (Rect{25, 34, 215, 286}));
    EXPECT_EQ(layout.latitudeLine, (Rect{25, 184, 215, 201}));
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

TEST(StatusScreen, CoordinatesAndTheModePictureShowOnlyWithAFix) {
    auto world = MakeWorld("");
    const ScreenLayout& layout = world->Window().Layout();
    const SimCanvas& off = world->PaintNow();
    EXPECT_EQ(off.fontHeight, 17);
    EXPECT_EQ(world->shell.listBoxArea, layout.reportList);
    ASSERT_EQ(off.pictures.size(), 2u) << "no mode picture while idle";
    EXPECT_EQ(off.pictures[1].id, PictureOff);
    EXPECT_EQ(off.TextIn(layout.latitudeLine), nullptr);

    world->Window().StartReport(ReportMode::Alarm, false);
    world->Tick(12);
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
}

struct FixAgeCase {
    const char* name;
    std::int64_t ageSeconds;
    StatusCode gpsStatus;
    bool coordinates;
};

TEST(StatusScreen, AnOlderFixKeepsItsCoordinatesButNotTheSatelliteCount) {
    const FixAgeCase cases[] = {
        {"Recent", 60, StatusCode::Ready, true},
        {"AlmostTwentyMinutes", 1199, StatusCode::Ready, true},
        {"TwentyMinutes", 1200, StatusCode::Failed, false},
    };
    for (const FixAgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto world = MakeWorld("");
        world->Window().StartReport(ReportMode::Alarm, false);
        world->Tick(12);
        const CGpsReader& gps = *world->Window().Globals().gpsReader;
        ASSERT_NE(gps.lastFixTime, 0);
        world->clock.SetUtcSeconds(gps.lastFixTime + c.ageSeconds);
        ASSERT_EQ(gps.GetStatusCode(), c.gpsStatus);
        const ScreenLayout& layout = world->Window().Layout();
        const SimCanvas& canvas = world->PaintNow();
        EXPECT_EQ(canvas.TextIn(layout.latitudeLine) != nullptr, c.coordinates);
        EXPECT_EQ(canvas.TextIn(layout.longitudeLine) != nullptr, c.coordinates);
        EXPECT_EQ(canvas.TextIn(layout.satellitesLine), nullptr);
    }
}

struct RefreshCase {
    const char* name;
    std::function<void(SimWorld&)> change;
    std::vector<std::pair<Rect ScreenLayout::*, bool>> invalidated;  // area, erased
};

TEST(StatusScreen, RefreshRepaintsWhatChangedAndErasesOnlyTexts) {
    const RefreshCase cases[] = {
        {"Nothing", [](SimWorld&) {}, {{&ScreenLayout::gpsSquare, false}}},
        {"DeliveryTextOnly",
         [](SimWorld& w) { w.Window().Globals().previousStatusText = "before"; },
         {{&ScreenLayout::gpsSquare, false}, {&ScreenLayout::deliveryText, true}}},
        {"GpsChanged",
         [](SimWorld& w) { w.Window().Globals().gpsReader->SwitchOn(); },
         {{&ScreenLayout::modePicture, true}, {&ScreenLayout::textArea, true}}},
        {"DeliveryCodeChanged",
         [](SimWorld& w) {
             w.Window().Globals().previousStatusCode = StatusCode::Ready;
             w.Window().Globals().previousStatusText = "before";
         },
         {{&ScreenLayout::gpsSquare, false},
          {&ScreenLayout::modePicture, true},
          {&ScreenLayout::textArea, true}}},
    };
    for (const RefreshCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto world = MakeWorld("");
        world->Tick(2);
        world->Window().Globals().gpsReader->TakeChanged();
        c.change(*world);
        std::vector<std::pair<Rect, bool>> expected, got;
        world->shell.paint = [&] {  // what the window is asked to repaint
            for (const SimShell::Invalidation& i : world->shell.invalidations) {
                got.emplace_back(i.area, i.erase);
            }
        };
        world->Window().RefreshScreen();
        const ScreenLayout& layout = world->Window().Layout();
        for (const auto& [area, erase] : c.invalidated) {
            expected.emplace_back(layout.*area, erase);
        }
        EXPECT_EQ(got, expected);
    }
}

TEST(StatusScreen, TwoAlarmsWithinTwoSecondsShowOnePopupForTwoSeconds) {
    auto world = MakeWorld("");
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
}

TEST(StatusScreen, APopupThatCannotBeMadeLeavesTheAlarmGoing) {
    auto world = MakeWorld("");
    world->shell.popupFails = true;
    world->Window().StartReport(ReportMode::Alarm, false);
    EXPECT_FALSE(world->shell.IsTimerRunning(AlarmPopupTimerId));
    EXPECT_EQ(world->Window().Mode(), ReportMode::Alarm);
}

}  // namespace
