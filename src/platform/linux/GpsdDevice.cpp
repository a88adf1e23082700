#include "platform/linux/GpsdDevice.h"

#include <cerrno>
#include <ctime>

#include "platform/linux/GpsdReport.h"

namespace {

// After gpsd went away, a poll tries to reconnect no more often than this.
constexpr std::chrono::seconds ReconnectInterval{5};
// A connect (with its name lookup) not made by then has failed.
constexpr std::chrono::seconds ConnectDeadline{3};
// gpsd's longest report (a sky view of every channel) fits with room to spare.
constexpr std::size_t MaxLineLength = 16384;
// Bounds one poll's reading when gpsd sends faster than it is polled.
constexpr std::size_t MaxBytesPerPoll = 256 * 1024;
constexpr std::string_view WatchRequest = "?WATCH={\"enable\":true,\"json\":true}\n";

}  // namespace

std::chrono::nanoseconds GpsdDevice::BootTime() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

GpsdDevice::GpsdDevice(std::string host, std::string port, BootClock now)
    : host_(std::move(host)),
      port_(std::move(port)),
      now_(std::move(now)),
      lines_(MaxLineLength),
      lastAttempt_(now_() - ReconnectInterval) {}

GpsdDevice::~GpsdDevice() {
    Close();
}

int GpsdDevice::Open() {
    Close();
    wanted_ = true;
    fix_ = {};
    sky_ = {};
    lastError_ = Connect();
    return lastError_;
}

void GpsdDevice::Close() {
    wanted_ = false;
    Disconnect();
}

int GpsdDevice::Connect() {
    lastAttempt_ = now_();
    lines_.Clear();
    watching_ = false;
    int error = stream_.Start(host_, port_);
    // On loopback a connect is made or refused at once, so a missing gpsd shows here.
    if (error == 0) {
        error = Advance();
    }
    if (error != 0) {
        Disconnect();
    }
    return error;
}

void GpsdDevice::Disconnect() {
    stream_.Close();
    watching_ = false;
}

int GpsdDevice::Advance() {
    if (!watching_) {
        const int state = stream_.Finish();
        if (state == EINPROGRESS) {
            return now_() - lastAttempt_ > ConnectDeadline ? ETIMEDOUT : 0;
        }
        if (state != 0) {
            return state;
        }
        if (const int error = stream_.Send(WatchRequest); error != 0) {
            return error;
        }
        watching_ = true;
    }
    return Drain();
}

int GpsdDevice::Drain() {
    char buffer[16384];
    for (std::size_t total = 0; total < MaxBytesPerPoll;) {
        std::size_t received = 0;
        if (const int error = stream_.Receive(buffer, received); error != 0) {
            return error;
        }
        if (received == 0) {
            break;
        }
        lines_.Feed({buffer, received}, [this](std::string_view line) { Take(line); });
        total += received;
    }
    return 0;
}

void GpsdDevice::Take(std::string_view line) {
    const GpsdReport report = ReadGpsdReport(line);
    switch (report.kind) {
        case GpsdReport::Kind::Fix:
            fix_ = report.position;
            fixReceived_ = now_();
            return;
        case GpsdReport::Kind::Sky:
            sky_ = report.position;
            skyReceived_ = now_();
            return;
        case GpsdReport::Kind::Other:
        case GpsdReport::Kind::Unreadable:
            return;
    }
}

int GpsdDevice::GetPosition(GpsPosition& position, std::uint32_t maximumAgeMs) {
    if (!wanted_) {
        return EBADF;
    }
    if (!stream_.IsStarted()) {
        if (now_() - lastAttempt_ < ReconnectInterval) {
            return lastError_;
        }
        lastError_ = Connect();
        if (lastError_ != 0) {
            return lastError_;
        }
    } else if (const int error = Advance(); error != 0) {
        Disconnect();
        lastError_ = error;
        return lastError_;
    }

    const auto now = now_();
    const std::chrono::milliseconds maximumAge{maximumAgeMs};
    const std::uint32_t version = position.dwVersion;
    const std::uint32_t size = position.dwSize;
    position = {};
    position.dwVersion = version;
    position.dwSize = size;
    if (fix_.dwValidFields != 0 && now - fixReceived_ <= maximumAge) {
        position.dwValidFields |= fix_.dwValidFields;
        position.stUTCTime = fix_.stUTCTime;
        position.dblLatitude = fix_.dblLatitude;
        position.dblLongitude = fix_.dblLongitude;
        position.flSpeed = fix_.flSpeed;
        position.flHeading = fix_.flHeading;
        position.flAltitudeWRTSeaLevel = fix_.flAltitudeWRTSeaLevel;
    }
    if (sky_.dwValidFields != 0 && now - skyReceived_ <= maximumAge) {
        position.dwValidFields |= sky_.dwValidFields;
        position.dwSatelliteCount = sky_.dwSatelliteCount;
        position.dwSatellitesInView = sky_.dwSatellitesInView;
        for (int i = 0; i < GPS_MAX_SATELLITES; ++i) {
            position.rgdwSatellitesUsedPRNs[i] = sky_.rgdwSatellitesUsedPRNs[i];
            position.rgdwSatellitesInViewPRNs[i] = sky_.rgdwSatellitesInViewPRNs[i];
            position.rgdwSatellitesInViewElevation[i] = sky_.rgdwSatellitesInViewElevation[i];
            position.rgdwSatellitesInViewAzimuth[i] = sky_.rgdwSatellitesInViewAzimuth[i];
            position.rgdwSatellitesInViewSignalToNoiseRatio[i] =
                sky_.rgdwSatellitesInViewSignalToNoiseRatio[i];
        }
    }
    return 0;
}
