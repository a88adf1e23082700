#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "gps/GpsPosition.h"
#include "platform/GpsDevice.h"

struct gps_data_t;

// The receiver as the gpsd daemon reports it. Polling never waits: it takes in whatever
// gpsd has sent since the last poll and answers from the newest reports.
class GpsdDevice final : public GpsDevice {
public:
    explicit GpsdDevice(std::string host = "localhost", std::string port = "2947");
    ~GpsdDevice() override;

    int Open() override;
    int GetPosition(GpsPosition& position, std::uint32_t maximumAgeMs) override;
    void Close() override;

private:
    using Instant = std::chrono::steady_clock::time_point;

    int Connect();
    void Disconnect();
    // Reads everything pending; false when gpsd has gone away.
    bool Drain();
    void TakeFix();
    void TakeSky();

    std::string host_;
    std::string port_;
    std::unique_ptr<gps_data_t> data_;
    bool wanted_ = false;     // opened by the caller and not closed since
    bool connected_ = false;  // a live connection to gpsd
    int lastError_ = 0;
    Instant lastAttempt_{};

    // The newest position report and the newest sky view, as record fields.
    GpsPosition fix_;
    Instant fixReceived_{};
    GpsPosition sky_;
    Instant skyReceived_{};
};
