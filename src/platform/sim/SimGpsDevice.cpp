#include "platform/sim/SimGpsDevice.h"

#include <cerrno>

int SimGpsDevice::Open() {
    ++openCount;
    isOpen = openResult == 0;
    return openResult;
}

int SimGpsDevice::GetPosition(GpsPosition& position, std::uint32_t maximumAgeMs) {
    ++pollCount;
    lastMaximumAgeMs = maximumAgeMs;
    if (!isOpen) {
        return EBADF;
    }
    if (steps.empty()) {
        position.dwValidFields = 0;
        return 0;
    }
    const Step step = steps.front();
    steps.pop_front();
    if (step.result == 0) {
        position = step.record;
    }
    return step.result;
}

void SimGpsDevice::Close() {
    ++closeCount;
    isOpen = false;
}

void SimGpsDevice::PushFix(double latitude, double longitude) {
    GpsPosition record;
    record.dwValidFields = GPS_VALID_LATITUDE | GPS_VALID_LONGITUDE;
    record.dblLatitude = latitude;
    record.dblLongitude = longitude;
    PushRecord(record);
}
