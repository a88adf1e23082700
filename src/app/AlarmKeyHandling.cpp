#include <algorithm>
#include <climits>

#include "app/MainWindow.h"
#include "platform/Shell.h"

void CMainWindow::OnAlarmKeyDown(std::uint32_t timeStamp, std::uint32_t scanCode,
                                 std::uint32_t keyCode) {
    if (!keyTable.KeyDown(timeStamp, scanCode, keyCode)) {
        return;
    }
    scheduler.SetKeyHeld(true);
    shell.StartTimer(static_cast<int>(keyCode), HoldPeriodMs());
}

void CMainWindow::OnAlarmKeyUp(std::uint32_t timeStamp, std::uint32_t /*scanCode*/,
                               std::uint32_t keyCode) {
    keyTable.KeyUp(timeStamp, keyCode);
    // Only codes 0..255 ever name a hold timer; a larger code must not stop the tick.
    if (keyCode < CAlarmKeys::KeyCount) {
        shell.StopTimer(static_cast<int>(keyCode));
    }
    if (keyTable.NoneHeld()) {
        scheduler.SetKeyHeld(false);
    }
}

void CMainWindow::OnAlarmKeyTimer(int timerId) {
    if (!keyTable.IsHeld(timerId)) {
        return;
    }
    shell.StopTimer(timerId);
    scheduler.OnKeyHoldComplete();
}

int CMainWindow::HoldPeriodMs() const {
    // A zero or negative hold would turn every tap into an alarm; a huge one must not
    // overflow into a short one.
    std::int64_t seconds = globals.settings->AlertPressTime;
    if (seconds <= 0) {
        seconds = 1;
    }
    return static_cast<int>(std::min<std::int64_t>(seconds * 1000, INT_MAX));
}
