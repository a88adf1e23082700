#pragma once

#include <functional>
#include <memory>
#include <string>

#include "support/ChildProcess.h"

struct sd_bus_message;

// A dbus-daemon of the test's own, standing in for the system bus (pass Environment() to
// the programs under test), and services on it from python3-dbusmock. Every wait is
// bounded, so a bus that dies never hangs a test.
class PrivateBus {
public:
    explicit PrivateBus(const TempFolder& home);

    std::string Environment() const { return "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + socket_; }
    // True once the bus answers; false when it did not come up within the deadline.
    bool Start();
    // Kills the bus daemon at once, as a crash would.
    void Kill() { daemon_.reset(); }
    // Stops (SIGSTOP) or resumes (SIGCONT) the bus daemon: a bus that hangs.
    void Signal(int signal);

    // A mock service from a template (a dbusmock template name or a path), running until
    // the returned process goes; null when its name did not appear on the bus.
    std::unique_ptr<ChildProcess> StartMock(const std::string& templateName,
                                            const std::string& busName,
                                            const std::string& parameters = "{}");
    bool HasOwner(const std::string& busName);
    // Calls a method and waits at most 5 s for the answer, which read may look at; false
    // on any error.
    bool Call(const std::string& service, const std::string& path, const std::string& interface,
              const std::string& method,
              const std::function<int(sd_bus_message*)>& append = nullptr,
              const std::function<void(sd_bus_message*)>& read = nullptr);

private:
    const TempFolder& home_;
    std::string socket_;
    std::unique_ptr<ChildProcess> daemon_;
    int mocks_ = 0;
};

// dbusmock's log of the calls a mock received.
std::string MockLog(const TempFolder& home, const std::string& busName);
