#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

// A real gpsd reading a pseudo-terminal that the test writes NMEA sentences into.
class GpsdHarness {
public:
    GpsdHarness() = default;
    GpsdHarness(const GpsdHarness&) = delete;
    GpsdHarness& operator=(const GpsdHarness&) = delete;
    ~GpsdHarness();

    // Why gpsd cannot run here (a program is missing), or "" when it can.
    static std::string MissingPrograms();

    // Starts socat and gpsd and waits until gpsd has the device open; "" or what failed.
    std::string Start();
    void Stop();

    // Writes sentences as the receiver would, each ended with CR LF.
    bool Send(const std::vector<std::string>& lines);

    const std::string& Port() const { return port_; }

private:
    std::string dir_;
    std::string port_;
    std::string devicePath_;
    pid_t socat_ = -1;
    pid_t gpsd_ = -1;
    int input_ = -1;
};
