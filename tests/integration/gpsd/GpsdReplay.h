#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

// A real gpsd reading a pseudo-terminal that the test writes a receiver's sentences into.
class GpsdOnPty {
public:
    GpsdOnPty() = default;
    GpsdOnPty(const GpsdOnPty&) = delete;
    GpsdOnPty& operator=(const GpsdOnPty&) = delete;
    ~GpsdOnPty() { Stop(); }

    // "" when gpsd and socat are installed, else what is missing.
    static std::string MissingPrograms();
    // Starts socat and gpsd and waits until gpsd has the device open; "" or what failed.
    std::string Start();
    void Stop();
    // Writes sentences as a receiver does, each ended with CR LF.
    bool Send(const std::vector<std::string>& sentences);
    std::string Port() const { return port_; }

private:
    std::string dir_, port_;
    pid_t socat_ = -1, gpsd_ = -1;
    int input_ = -1;
};

// The sentences of a capture in the test data, without its comment lines.
std::vector<std::string> CaptureSentences(const std::string& name);

// What gpsd itself decoded from a capture: its reports of a 2D or 3D fix.
struct CheckedFix {
    double latitude = 0, longitude = 0;
    std::optional<double> altitude;  // above sea level, 3D fixes only
    std::string time;                // e.g. 2022-10-18T11:32:58.000Z, or ""
};
std::vector<CheckedFix> CheckedFixes(const std::string& name);
