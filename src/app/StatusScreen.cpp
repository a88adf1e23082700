#include "app/MainWindow.h"
#include "app/Resources.h"
#include "app/StatusPicture.h"
#include "platform/Canvas.h"
#include "platform/Shell.h"

void CMainWindow::ComputeLayout(Canvas* canvas) {
    if (canvas == nullptr) {
        return;
    }
    layout = ComputeScreenLayout(shell.WindowSize());
    fontMade = true;
    shell.MoveReportListBox(layout.reportList);
    pictureContextMade = true;
    layoutDirty = false;
}

void CMainWindow::Paint(Canvas& canvas) {
    if (layoutDirty) {
        ComputeLayout(&canvas);
    }
    if (fontMade) {
        canvas.SelectFont(layout.unit);
    }
    StatusCode gpsStatus = globals.gpsReader->GetStatusCode();
    if (pictureContextMade) {
        PaintPictures(canvas, gpsStatus);
    }
    PaintTexts(canvas, gpsStatus);
}

void CMainWindow::PaintPictures(Canvas& canvas, StatusCode gpsStatus) {
    canvas.DrawPicture(PictureForState(globals.sender->GetStatusCode(), animationStep),
                       layout.deliverySquare, false);
    canvas.DrawPicture(PictureForState(gpsStatus, animationStep), layout.gpsSquare, false);
    if (mode == ModeIntimate) {
        canvas.DrawPicture(PictureModeIntimate, layout.modePicture, true);
    } else if (mode == ModeAlarm) {
        canvas.DrawPicture(PictureModeAlarm, layout.modePicture, true);
    }
}

void CMainWindow::PaintTexts(Canvas& canvas, StatusCode gpsStatus) {
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

void CMainWindow::RefreshScreen() {
    animationStep = (animationStep + 1) % AnimationSteps;
    bool fullRefresh = false;
    if (globals.gpsReader->TakeChanged()) {
        fullRefresh = true;
    } else {
        shell.Invalidate(layout.gpsSquare, false);
    }
    StatusCode code = globals.sender->GetStatusCode();
    if (code != globals.previousStatusCode) {
        fullRefresh = true;
    } else if (code == StatusCode::Busy) {
        shell.Invalidate(layout.deliverySquare, false);
    }
    globals.previousStatusCode = code;
    std::string text = globals.sender->GetStatusText();
    if (!fullRefresh && text != globals.previousStatusText) {
        shell.Invalidate(layout.deliveryText, true);
    }
    globals.previousStatusText = std::move(text);
    if (fullRefresh) {
        shell.SetCommandEnabled(CmdTest, code != StatusCode::Busy);
        shell.Invalidate(layout.modePicture, true);
        shell.Invalidate(layout.textArea, true);
    }
    shell.UpdateWindow();
}

void CMainWindow::ToggleLog() {
    if (globals.reportList) {
        if (globals.logShown) {
            globals.reportList->Hide();
        } else {
            globals.reportList->Show();
        }
    }
    globals.logShown = !globals.logShown;
}

void CMainWindow::ShowAlarmPopup(bool show) {
    if (!show) {
        shell.StopTimer(AlarmPopupTimerId);
        if (alarmPopupShown) {
            shell.RemoveAlarmPopup();
            alarmPopupShown = false;
        }
        return;
    }
    if (alarmPopupShown) {
        return;
    }
    Size screen = shell.ScreenSize();
    Rect area{screen.width / 2 - 100, screen.height / 2 - 125, 0, 0};
    area.right = area.left + 200;
    area.bottom = area.top + 250;
    if (!shell.ShowAlarmPopup(area, PictureAlarmPopup, AlarmPopupTitle)) {
        return;
    }
    alarmPopupShown = true;
    shell.StartTimer(AlarmPopupTimerId, AlarmPopupPeriodMs);
}

void CMainWindow::OnLogLine(const std::string& text) {
    if (logTap) {
        logTap(text);
    }
    if (globals.reportList) {
        globals.reportList->AddLine(text);
    }
}
