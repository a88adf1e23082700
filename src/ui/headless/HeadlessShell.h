#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/Shell.h"

class NonBlockingOutput;

// The shell of a device without a display: timers are timerfds for the owner's poll
// loop, message boxes go to the journal (standard error) and take their first button.
// What a display would show goes to a NullDisplay.
class HeadlessShell final : public Shell {
public:
    explicit HeadlessShell(NonBlockingOutput& journal);
    ~HeadlessShell() override;

    void StartTimer(int timerId, int periodMs) override;
    void StopTimer(int timerId) override;
    int MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                   Icon icon) override;
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
    NonBlockingOutput& journal;
    std::map<int, int> timers;
    bool ended = false;
    int exitCode = 0;
};
