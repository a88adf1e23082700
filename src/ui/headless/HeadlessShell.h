#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "platform/Shell.h"

// The window services on a device without a display: timers are timerfds for the
// owner's poll loop, message boxes go to the journal (standard error) and take their
// first button, and the rest has nothing to show.
class HeadlessShell final : public Shell {
public:
    explicit HeadlessShell(std::FILE* journal);
    ~HeadlessShell() override;

    void StartTimer(int timerId, int periodMs) override;
    void StopTimer(int timerId) override;
    void Invalidate(const Rect&, bool) override {}
    void UpdateWindow() override {}
    void ShowMainWindow() override {}
    void HideMainWindow() override {}
    void BringToFront() override {}
    Size WindowSize() const override { return {240, 320}; }
    Size ScreenSize() const override { return {240, 320}; }
    int MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                   Icon icon) override;
    void SetTrayIcon(int, const std::string&) override {}
    void RemoveTrayIcon() override {}
    void SetCommandEnabled(int, bool) override {}
    bool ShowAlarmPopup(const Rect&, int, const std::string&) override { return true; }
    void RemoveAlarmPopup() override {}
    ListBox* ReportListBox() override { return nullptr; }
    void MoveReportListBox(const Rect&) override {}
    int RunOptionsDialog() override;
    void EndProgram(int exitCode) override;

    // Re-arms a running timer to expire first at firstMs of the monotonic clock, then
    // every periodMs; the loop uses it to sleep through quiet ticks.
    void ArmTimerAt(int timerId, std::int64_t firstMs, int periodMs);
    // Timer id to its timerfd, for poll().
    const std::map<int, int>& Timers() const { return timers; }
    // Reads a timer's expirations; true when it expired at least once. Missed
    // expirations count as one, as window timers do.
    bool TakeExpiry(int timerId, int fd);
    bool Ended() const { return ended; }
    int ExitCode() const { return exitCode; }

private:
    std::FILE* journal;
    std::map<int, int> timers;
    bool ended = false;
    int exitCode = 0;
};
