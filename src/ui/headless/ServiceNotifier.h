#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// Tells systemd (a Type=notify service) that the tracker is ready, what it last did, and
// that its loop still turns. Outside systemd (no NOTIFY_SOCKET) every call does nothing.
// A message the service manager's queue has no room for is dropped, not waited for.
class ServiceNotifier {
public:
    ServiceNotifier();
    ~ServiceNotifier();
    ServiceNotifier(const ServiceNotifier&) = delete;
    ServiceNotifier& operator=(const ServiceNotifier&) = delete;

    void Ready(const std::string& status);
    void Status(const std::string& status);
    void Stopping();

    // Called on every turn of the loop; pings the watchdog when a quarter of its time has
    // passed since the last ping, so one late turn does not get the tracker killed.
    void Alive();
    // The longest the loop may sleep and still ping in time: the smaller of wantedMs and
    // the ping period; wantedMs (−1: for ever) without a watchdog.
    int SleepLimitMs(int wantedMs) const;

private:
    using Clock = std::chrono::steady_clock;
    void Send(const std::string& state);

    int fd = -1;
    std::string socketPath;  // '@' for an abstract name, as in NOTIFY_SOCKET
    std::chrono::milliseconds pingPeriod{0};
    Clock::time_point lastPing;
};
