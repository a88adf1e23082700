#include "app/StatusScreen.h"

#include "app/AppGlobals.h"
#include "app/Resources.h"
#include "app/StatusPicture.h"
#include "platform/Canvas.h"
#include "platform/DisplayPort.h"
#include "platform/Shell.h"

StatusScreen::StatusScreen(AppGlobals& appGlobals, Shell& frontEnd, DisplayPort& screen)
    : globals(appGlobals), shell(frontEnd), display(screen) {}

void StatusScreen::MakeReportList(int lines) {
    globals.reportList = std::make_unique<CReportList>(display.ReportListBox(), lines);
    globals.reportList->Hide();
}

void StatusScreen::ComputeLayout(Canvas* canvas) {
    if (canvas == nullptr) {
        return;
    }
    layout = ComputeScreenLayout(display.WindowSize());
    fontMade = true;
    display.MoveReportListBox(layout.reportList);
    pictureContextMade = true;
    layoutDirty = false;
}

void StatusScreen::Paint(Canvas& canvas, ReportMode mode) {
    if (layoutDirty) {
        ComputeLayout(&canvas);
    }
    if (fontMade) {
        canvas.SelectFont(layout.unit);
    }
    StatusCode gpsStatus = globals.gpsReader->GetStatusCode();
    if (pictureContextMade) {
        PaintPictures(canvas, gpsStatus, mode);
    }
    PaintTexts(canvas, gpsStatus);
}

void StatusScreen::PaintPictures(Canvas& canvas, StatusCode gpsStatus, ReportMode mode) {
    canvas.DrawPicture(PictureForState(globals.sender->GetStatusCode(), animationStep),
                       layout.deliverySquare, false);
    canvas.DrawPicture(PictureForState(gpsStatus, animationStep), layout.gpsSquare, false);
    switch (mode) {
        case ReportMode::Idle:
            break;
        case ReportMode::Intimate:
            canvas.DrawPicture(PictureModeIntimate, layout.modePicture, true);
            break;
        case ReportMode::Alarm:
            canvas.DrawPicture(PictureModeAlarm, layout.modePicture, true);
            break;
    }
}

void StatusScreen::PaintTexts(Canvas& canvas, StatusCode gpsStatus) {
    canvas.DrawText(globals.sender->GetStatusText(), layout.deliveryText, Canvas::TextWordBreak);
    canvas.DrawText(globals.gpsReader->GetStatusText(), layout.gpsText, Canvas::TextWordBreak);
    const unsigned lineFlags = Canvas::TextWordBreak | Canvas::TextVCenter;
    if (globals.gpsReader->IsFixRecent()) {
        canvas.DrawText("Широта: " + globals.gpsReader->LatitudeText(), layout.latitudeLine,
                        lineFlags);
        canvas.DrawText("Долгота: " + globals.gpsReader->LongitudeText(), layout.longitudeLine,
                        lineFlags);
    }
    if (gpsStatus == StatusCode::Busy || gpsStatus == StatusCode::Done) {
        canvas.DrawText(std::to_string(globals.gpsReader->GetSatelliteCount()),
                        layout.satellitesLine, lineFlags);
    }
}

void StatusScreen::RefreshScreen() {
    animationStep = (animationStep + 1) % AnimationSteps;
    bool fullRefresh = false;
    if (globals.gpsReader->TakeChanged()) {
        fullRefresh = true;
    } else {
        display.Invalidate(layout.gpsSquare, false);
    }
    StatusCode code = globals.sender->GetStatusCode();
    if (code != globals.previousStatusCode) {
        fullRefresh = true;
    } else if (code == StatusCode::Busy) {
        display.Invalidate(layout.deliverySquare, false);
    }
    globals.previousStatusCode = code;
    std::string text = globals.sender->GetStatusText();
    if (!fullRefresh && text != globals.previousStatusText) {
        display.Invalidate(layout.deliveryText, true);
    }
    globals.previousStatusText = std::move(text);
    if (fullRefresh) {
        display.SetCommandEnabled(CmdTest, code != StatusCode::Busy);
        display.Invalidate(layout.modePicture, true);
        display.Invalidate(layout.textArea, true);
    }
    display.UpdateWindow();
}

bool StatusScreen::RedrawPending() const {
    return globals.gpsReader->HasChanged() ||
           globals.sender->GetStatusCode() != globals.previousStatusCode ||
           globals.sender->GetStatusText() != globals.previousStatusText;
}

void StatusScreen::SkipAnimation(std::int32_t count) {
    animationStep = static_cast<std::int32_t>((static_cast<std::int64_t>(animationStep) + count) %
                                              AnimationSteps);
}

void StatusScreen::ToggleLog() {
    if (globals.reportList) {
        if (globals.logShown) {
            globals.reportList->Hide();
        } else {
            globals.reportList->Show();
        }
    }
    globals.logShown = !globals.logShown;
}

void StatusScreen::ShowAlarmPopup(bool show) {
    if (!show) {
        shell.StopTimer(AlarmPopupTimerId);
        if (alarmPopupShown) {
            display.RemoveAlarmPopup();
            alarmPopupShown = false;
        }
        return;
    }
    if (alarmPopupShown) {
        return;
    }
    Size screen = display.ScreenSize();
    Rect area{screen.width / 2 - 100, screen.height / 2 - 125, 0, 0};
    area.right = area.left + 200;
    area.bottom = area.top + 250;
    if (!display.ShowAlarmPopup(area, PictureAlarmPopup, AlarmPopupTitle)) {
        return;
    }
    alarmPopupShown = true;
    shell.StartTimer(AlarmPopupTimerId, AlarmPopupPeriodMs);
}

void StatusScreen::AddLogLine(const std::string& text) {
    if (globals.reportList) {
        globals.reportList->AddLine(text);
    }
}
