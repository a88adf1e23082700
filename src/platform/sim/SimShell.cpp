#include "platform/sim/SimShell.h"

#include <algorithm>
#include <utility>

void SimShell::StartTimer(int timerId, int periodMs) {
    // A zero period still waits for the next round, as a window timer does.
    int period = std::max(periodMs, 1);
    timers[timerId] = Timer{period, nowMs + period};
}

int SimShell::TimerPeriod(int timerId) const {
    auto found = timers.find(timerId);
    return found == timers.end() ? 0 : found->second.periodMs;
}

void SimShell::UpdateWindow() {
    ++updates;
    if (paint && !invalidations.empty()) {
        paint();
    }
    invalidations.clear();
}

int SimShell::MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                         Icon icon) {
    boxes.push_back({text, caption, buttons, icon});
    if (!answers.empty()) {
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == Buttons::YesNo ? AnswerYes : AnswerOk;
}

void SimShell::SetTrayIcon(int iconId, const std::string& tip) {
    trayIcon = iconId;
    trayTip = tip;
    trayIcons.push_back(iconId);
}

bool SimShell::ShowAlarmPopup(const Rect& area, int pictureId, const std::string& title) {
    if (popupFails) {
        return false;
    }
    popupShown = true;
    ++popupsShown;
    popupArea = area;
    popupPicture = pictureId;
    popupTitle = title;
    return true;
}

int SimShell::RunOptionsDialog() {
    ++optionsDialogRuns;
    return optionsDialog ? optionsDialog() : 0;
}

std::vector<int> SimShell::TakeDueTimers(std::int64_t now) {
    nowMs = now;
    std::vector<std::pair<std::int64_t, int>> due;
    for (auto& [id, timer] : timers) {
        if (timer.dueMs <= now) {
            due.emplace_back(timer.dueMs, id);
            // Missed expiries collapse into one, as window timers do.
            while (timer.dueMs <= now) {
                timer.dueMs += timer.periodMs;
            }
        }
    }
    std::sort(due.begin(), due.end());
    std::vector<int> ids;
    for (const auto& entry : due) {
        ids.push_back(entry.second);
    }
    return ids;
}

std::optional<std::int64_t> SimShell::NextDueMs(int exceptId) const {
    std::optional<std::int64_t> next;
    for (const auto& [id, timer] : timers) {
        if (id != exceptId && (!next || timer.dueMs < *next)) {
            next = timer.dueMs;
        }
    }
    return next;
}

void SimShell::SkipTo(std::int64_t now, int skippedId) {
    nowMs = now;
    auto found = timers.find(skippedId);
    if (found != timers.end()) {
        while (found->second.dueMs <= now) {
            found->second.dueMs += found->second.periodMs;
        }
    }
}
