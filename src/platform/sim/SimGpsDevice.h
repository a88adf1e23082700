#pragma once

#include <cstdint>
#include <deque>

#include "gps/GpsPosition.h"
#include "platform/GpsDevice.h"

// A GPS device that answers from a script: each poll takes the next step; with the
// script used up it answers with an empty record (no position, no error).
class SimGpsDevice final : public GpsDevice {
public:
    struct Step {
        int result = 0;
        GpsPosition record;
    };

    int Open() override;
    int GetPosition(GpsPosition& position, std::uint32_t maximumAgeMs) override;
    void Close() override;

    void PushFix(double latitude, double longitude);
    void PushRecord(const GpsPosition& record) { steps.push_back({0, record}); }
    void PushError(int errorCode) { steps.push_back({errorCode, {}}); }

    // The error Open gives; 0 opens.
    int openResult = 0;
    std::deque<Step> steps;

    bool isOpen = false;
    int openCount = 0;
    int closeCount = 0;
    int pollCount = 0;
    std::uint32_t lastMaximumAgeMs = 0;
};
