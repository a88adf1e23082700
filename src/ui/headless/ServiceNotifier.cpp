#include "ui/headless/ServiceNotifier.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

// A line break would start another assignment in the message.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

}  // namespace

ServiceNotifier::ServiceNotifier() {
    const char* path = std::getenv("NOTIFY_SOCKET");
    if (path != nullptr && (path[0] == '/' || path[0] == '@') &&
        std::strlen(path) < sizeof(sockaddr_un::sun_path)) {
        socketPath = path;
        fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    }
    std::uint64_t watchdogUs = 0;
    if (sd_watchdog_enabled(0, &watchdogUs) > 0 && watchdogUs > 0) {
        pingPeriod = std::max(std::chrono::milliseconds(1),
                              std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::microseconds(watchdogUs / 4)));
    }
}

ServiceNotifier::~ServiceNotifier() {
    if (fd >= 0) {
        close(fd);
    }
}

void ServiceNotifier::Send(const std::string& state) {
    if (fd < 0) {
        return;
    }
    // sd_notify() would wait while the service manager's queue is full; a status line
    // is not worth a stopped loop. Failures are left unreported: the tracker's work does
    // not depend on systemd.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    if (address.sun_path[0] == '@') {
        address.sun_path[0] = '\0';
    }
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socketPath.size());
    ssize_t ignored = sendto(fd, state.data(), state.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                             reinterpret_cast<const sockaddr*>(&address), length);
    (void)ignored;
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
