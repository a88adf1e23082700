#include "ui/headless/HeadlessShell.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "common/LastErrorText.h"
#include "platform/linux/NonBlockingOutput.h"

HeadlessShell::HeadlessShell(NonBlockingOutput& journalFile) : journal(journalFile) {}

HeadlessShell::~HeadlessShell() {
    for (const auto& [id, fd] : timers) {
        close(fd);
    }
}

void HeadlessShell::StartTimer(int timerId, int periodMs) {
    auto found = timers.find(timerId);
    int fd = found == timers.end() ? -1 : found->second;
    if (fd < 0) {
        // The monotonic clock stands still while the machine sleeps, so a suspend
        // pauses the schedule instead of firing a burst of stale ticks on resume.
        fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd < 0) {
            journal.Line("timer " + std::to_string(timerId) + ": " + LastErrorText(errno));
            return;
        }
        timers[timerId] = fd;
    }
    long period = periodMs > 0 ? periodMs : 1;
    itimerspec timing{};
    timing.it_interval.tv_sec = period / 1000;
    timing.it_interval.tv_nsec = (period % 1000) * 1000000L;
    timing.it_value = timing.it_interval;
    timerfd_settime(fd, 0, &timing, nullptr);
}

void HeadlessShell::ArmTimerAt(int timerId, std::int64_t firstMs, int periodMs) {
    auto found = timers.find(timerId);
    if (found == timers.end()) {
        return;
    }
    const long period = periodMs > 0 ? periodMs : 1;
    itimerspec timing{};
    timing.it_interval.tv_sec = period / 1000;
    timing.it_interval.tv_nsec = (period % 1000) * 1000000L;
    timing.it_value.tv_sec = static_cast<time_t>(firstMs / 1000);
    timing.it_value.tv_nsec = static_cast<long>(firstMs % 1000) * 1000000L;
    if (firstMs <= 0) {
        timing.it_value.tv_nsec = 1;  // zero would disarm it; the past fires at once
    }
    timerfd_settime(found->second, TFD_TIMER_ABSTIME, &timing, nullptr);
}

void HeadlessShell::StopTimer(int timerId) {
    auto found = timers.find(timerId);
    if (found != timers.end()) {
        close(found->second);
        timers.erase(found);
    }
}

bool HeadlessShell::TakeExpiry(int timerId, int fd) {
    auto found = timers.find(timerId);
    if (found == timers.end() || found->second != fd) {
        return false;  // stopped (or restarted) by an earlier event of this round
    }
    std::uint64_t expirations = 0;
    return read(fd, &expirations, sizeof(expirations)) == sizeof(expirations) && expirations > 0;
}

int HeadlessShell::MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                              Icon) {
    std::string title = caption.substr(std::min(caption.find_first_not_of(' '), caption.size()));
    journal.Line(title + ": " + text);
    return buttons == Buttons::YesNo ? AnswerYes : AnswerOk;
}

int HeadlessShell::RunOptionsDialog() {
    journal.Line("There is no options dialog without a display; edit params.ini.");
    return 0;
}

void HeadlessShell::EndProgram(int code) {
    ended = true;
    exitCode = code;
}
