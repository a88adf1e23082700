#include "ui/headless/ServiceNotifier.h"

#include <systemd/sd-daemon.h>

#include <algorithm>

namespace {

// A line break would start another assignment in the message.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

}  // namespace

ServiceNotifier::ServiceNotifier() {
    std::uint64_t watchdogUs = 0;
    if (sd_watchdog_enabled(0, &watchdogUs) > 0 && watchdogUs > 0) {
        pingPeriod = std::max(std::chrono::milliseconds(1),
                              std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::microseconds(watchdogUs / 4)));
    }
}

void ServiceNotifier::Send(const std::string& state) {
    // Failures are left unreported: the tracker's work does not depend on systemd.
    sd_notify(0, state.c_str());
}

void ServiceNotifier::Ready(const std::string& status) {
    Send("READY=1\nSTATUS=" + OneLine(status));
    lastPing = Clock::now();
}

void ServiceNotifier::Status(const std::string& status) {
    Send("STATUS=" + OneLine(status));
}

void ServiceNotifier::Stopping() {
    Send("STOPPING=1");
}

void ServiceNotifier::Alive() {
    if (pingPeriod.count() == 0) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now - lastPing >= pingPeriod) {
        Send("WATCHDOG=1");
        lastPing = now;
    }
}

int ServiceNotifier::SleepLimitMs(int wantedMs) const {
    if (pingPeriod.count() == 0) {
        return wantedMs;
    }
    const int period = static_cast<int>(std::min<std::int64_t>(pingPeriod.count(), 60'000));
    return wantedMs < 0 ? period : std::min(wantedMs, period);
}
