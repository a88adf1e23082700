#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

// A real gpsd on a free loopback port, reading one end of a socat pseudo-terminal pair
// into whose other end the test writes what a receiver would send.
class GpsdOnPty {
public:
    ~GpsdOnPty();  // not copied: it owns its folder and programs

    // "" when gpsd and socat are installed, else the first one missing.
    static std::string MissingPrograms();
    // Starts both and waits until gpsd has the device open; "" or what failed.
    std::string Start();
    // Ends gpsd under its clients' feet.
    void StopGpsd();
    // Writes the sentences, each ended with CR LF.
    bool Send(const std::vector<std::string>& sentences);
    const std::string& Port() const { return port; }

private:
    TempFolder folder;
    std::unique_ptr<ChildProcess> socat, gpsd;
    int input = -1;
    std::string port;
};

// The lines of a capture or its record, without line ends, blank lines and # comments.
std::vector<std::string> CaptureLines(const std::string& path);
