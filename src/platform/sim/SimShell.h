#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/DisplayPort.h"
#include "platform/Shell.h"
#include "platform/sim/SimListBox.h"

// A window system in simulated time that records what the core asked of it, as its
// shell and its display. Timers become due as the owner advances NowMs; message boxes
// take scripted answers, else the first button.
class SimShell final : public Shell, public DisplayPort {
public:
    struct Box {
        std::string text;
        std::string caption;
        Buttons buttons;
        Icon icon;
    };
    struct Invalidation {
        Rect area;
        bool erase;
    };

    void StartTimer(int timerId, int periodMs) override;
    void StopTimer(int timerId) override { timers.erase(timerId); }
    void Invalidate(const Rect& area, bool erase) override {
        invalidations.push_back({area, erase});
        if (erase) {
            erased.push_back(area);
        }
    }
    void UpdateWindow() override;
    void ShowMainWindow() override { windowShown = true; }
    void HideMainWindow() override { windowShown = false; }
    void BringToFront() override { ++frontRequests; }
    Size WindowSize() const override { return windowSize; }
    Size ScreenSize() const override { return screenSize; }
    int MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                   Icon icon) override;
    void SetTrayIcon(int iconId, const std::string& tip) override;
    void RemoveTrayIcon() override { trayIcon = 0; }
    void SetCommandEnabled(int commandId, bool enabled) override {
        commandEnabled[commandId] = enabled;
    }
    bool ShowAlarmPopup(const Rect& area, int pictureId, const std::string& title) override;
    void RemoveAlarmPopup() override { popupShown = false; }
    ListBox* ReportListBox() override { return noListBox ? nullptr : &listBox; }
    void MoveReportListBox(const Rect& area) override { listBoxArea = area; }
    int RunOptionsDialog() override;
    void EndProgram(int exitCode) override { endedWith = exitCode; }

    // Timers whose expiry is due at nowMs, in order of expiry; each is rescheduled.
    std::vector<int> TakeDueTimers(std::int64_t nowMs);
    bool IsTimerRunning(int timerId) const { return timers.count(timerId) != 0; }
    std::vector<int> RunningTimers() const {
        std::vector<int> ids;
        for (const auto& [id, timer] : timers) {
            ids.push_back(id);
        }
        return ids;
    }
    int TimerPeriod(int timerId) const;
    // When the earliest timer other than exceptId is due, if any runs.
    std::optional<std::int64_t> NextDueMs(int exceptId) const;
    // Moves the time on to now, where no timer other than skippedId falls due;
    // skippedId's expiries in between are passed over, as a sleeping loop does.
    void SkipTo(std::int64_t now, int skippedId);

    std::int64_t nowMs = 0;
    Size windowSize{240, 320};
    Size screenSize{240, 320};
    std::function<void()> paint;  // UpdateWindow calls it when marked areas exist
    std::function<int()> optionsDialog;

    std::vector<Invalidation> invalidations;
    // Every area marked to be erased and redrawn (a change of what the window shows).
    std::vector<Rect> erased;
    int updates = 0;
    bool windowShown = true;
    int frontRequests = 0;
    std::vector<Box> boxes;
    std::deque<int> answers;
    int trayIcon = 0;
    std::string trayTip;
    std::vector<int> trayIcons;  // every picture set, in order
    std::map<int, bool> commandEnabled;
    bool popupShown = false;
    bool popupFails = false;
    int popupsShown = 0;
    Rect popupArea;
    int popupPicture = 0;
    std::string popupTitle;
    SimListBox listBox;
    bool noListBox = false;
    Rect listBoxArea;
    int optionsDialogRuns = 0;
    std::optional<int> endedWith;

private:
    struct Timer {
        int periodMs;
        std::int64_t dueMs;
    };
    std::map<int, Timer> timers;
};
