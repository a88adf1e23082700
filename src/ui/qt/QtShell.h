#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <map>
#include <memory>

#include "app/TickPacer.h"
#include "platform/DisplayPort.h"
#include "platform/Shell.h"
#include "ui/qt/KeyHolds.h"
#include "ui/qt/Pictures.h"

class CMainWindow;
class LoopPower;
class MainWidget;
class QKeyEvent;
struct KeyEvent;
class QLabel;
class QListWidget;
class QSystemTrayIcon;
class QTimer;
class QtListBox;
class SoftKeyBar;
class QSocketNotifier;

// The window-system services of the tracker on Qt Widgets: the status window with its
// soft-key bar, the tray icon, timers, boxes, the alarm popup, the report list and the
// options dialog. Events from all of them go to the CMainWindow given by Attach.
class QtShell final : public QObject, public Shell, public DisplayPort {
public:
    explicit QtShell(bool english);
    ~QtShell() override;

    // Events reach the window from now on; until then they are dropped.
    void Attach(CMainWindow* window) { main_ = window; }
    // Lets go of the window: its timers stop and no event reaches it any more, so it can
    // be destroyed while a modal loop (an error box) still runs.
    void Detach();
    CMainWindow* Attached() const { return main_; }
    // The machine's power management, for the real front end (null for none): the time
    // suspended or stopped counts toward the next report and the alarm period, the locks
    // are held while a report runs, and a wake alarm is set for what falls due. It must
    // outlive the attached window's run.
    void UsePower(LoopPower* power);
    // Shows the window when no tray icon can be shown, so the owner can always reach it.
    void ShowIfNoTray();

    void StartTimer(int timerId, int periodMs) override;
    void StopTimer(int timerId) override;
    void Invalidate(const Rect& area, bool erase) override;
    void UpdateWindow() override;
    void ShowMainWindow() override;
    void HideMainWindow() override;
    void BringToFront() override;
    Size WindowSize() const override;
    Size ScreenSize() const override;
    int MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                   Icon icon) override;
    void SetTrayIcon(int iconId, const std::string& tip) override;
    void RemoveTrayIcon() override;
    void SetCommandEnabled(int commandId, bool enabled) override;
    bool ShowAlarmPopup(const Rect& area, int pictureId, const std::string& title) override;
    void RemoveAlarmPopup() override;
    ListBox* ReportListBox() override;
    void MoveReportListBox(const Rect& area) override;
    int RunOptionsDialog() override;
    void EndProgram(int exitCode) override;

    // Key-downs typed into the program's own windows go to the core while this is on.
    void SetKeyboardCapture(bool on);
    // A key event of a key device.
    void OnDeviceKey(const KeyEvent& event);

    MainWidget& Window() { return *window_; }
    SoftKeyBar& SoftKeys() { return *softKeys_; }
    QLabel* AlarmPopup() const { return popup_; }
    QListWidget* ReportListWidget() const { return reportList_; }
    QSystemTrayIcon* Tray() const { return tray_; }
    int TrayIconId() const { return trayIconId_; }
    bool IsTimerRunning(int timerId) const;
    // The period a timer runs with now; the tick's grows while it sleeps.
    int TimerInterval(int timerId) const;
    Pictures& Images() { return pictures_; }
    bool IsEnding() const { return ending_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCommand(int commandId);
    void OnWindowKey(const QKeyEvent& event, bool down);
    void PassKey(KeyHolds::Source source, const KeyEvent& event);
    // The window no longer gets the keyboard, so it will not see the key-ups either.
    void ReleaseWindowKeys();
    // While the status window is hidden the event loop sleeps through quiet ticks, as
    // the daemon's does: before it blocks the tick timer is set for the first tick that
    // can do something, and when anything wakes it the core first counts the quiet ticks
    // that passed.
    void WatchEventLoop();
    void SleepThroughQuietTicks();
    void CatchUpQuietTicks();
    // Sets the tick timer for the first tick that can do something.
    void ArmTick(QTimer& timer, std::int64_t now);
    void TickRan();

    bool english_;
    CMainWindow* main_ = nullptr;
    std::unique_ptr<MainWidget> window_;
    SoftKeyBar* softKeys_ = nullptr;
    QListWidget* reportList_ = nullptr;
    std::unique_ptr<QtListBox> reportListBox_;
    QSystemTrayIcon* tray_ = nullptr;
    int trayIconId_ = 0;
    QPointer<QLabel> popup_;
    std::map<int, QTimer*> timers_;
    TickPacer pacer_;
    LoopPower* power_ = nullptr;
    QSocketNotifier* wakeAlarm_ = nullptr;
    std::int64_t tickArmedForMs_ = -1;
    Pictures pictures_;
    bool ending_ = false;
    bool capturing_ = false;
    KeyHolds holds_;
};
