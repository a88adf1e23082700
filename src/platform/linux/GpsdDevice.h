#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "gps/GpsPosition.h"
#include "platform/GpsDevice.h"
#include "platform/linux/BoundedLines.h"
#include "platform/linux/TcpStream.h"

// The receiver as the gpsd daemon reports it, over gpsd's JSON protocol on TCP. Polling
// never waits: it takes in whatever gpsd has sent since the last poll (a bounded amount)
// and answers from the newest reports.
class GpsdDevice final : public GpsDevice {
public:
    // A clock that runs on while the machine is suspended, so a fix from before a sleep
    // is as old as it really is.
    using BootClock = std::function<std::chrono::nanoseconds()>;
    static std::chrono::nanoseconds BootTime();

    explicit GpsdDevice(std::string host = "localhost", std::string port = "2947",
                        BootClock now = BootTime);
    ~GpsdDevice() override;

    int Open() override;
    int GetPosition(GpsPosition& position, std::uint32_t maximumAgeMs) override;
    void Close() override;

private:
    int Connect();
    void Disconnect();
    // Moves the connection along and reads what is pending: 0, or why gpsd is lost.
    int Advance();
    int Drain();
    void Take(std::string_view line);

    std::string host_;
    std::string port_;
    BootClock now_;
    TcpStream stream_;
    BoundedLines lines_;
    bool wanted_ = false;    // opened by the caller and not closed since
    bool watching_ = false;  // connected, and the reports asked for
    int lastError_ = 0;
    std::chrono::nanoseconds lastAttempt_{};

    // The newest position report and the newest sky view, as record fields.
    GpsPosition fix_;
    std::chrono::nanoseconds fixReceived_{};
    GpsPosition sky_;
    std::chrono::nanoseconds skyReceived_{};
};
