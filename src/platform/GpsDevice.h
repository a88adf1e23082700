#pragma once

#include <cstdint>

struct GpsPosition;

// A GPS receiver that can be opened, asked for what it already knows, and closed.
// Error codes are errno values, so LastErrorText can describe them.
class GpsDevice {
public:
    GpsDevice() = default;
    GpsDevice(const GpsDevice&) = delete;
    GpsDevice& operator=(const GpsDevice&) = delete;
    virtual ~GpsDevice() = default;

    // 0 when the device is open, otherwise an error code. Opening an open device reopens it.
    virtual int Open() = 0;
    // Never waits. Fills the record with data no older than maximumAgeMs and returns 0,
    // or returns an error code. A record without a position (no valid flags) is a success.
    virtual int GetPosition(GpsPosition& position, std::uint32_t maximumAgeMs) = 0;
    virtual void Close() = 0;
};
