#include "platform/linux/GpsdDevice.h"

#include <gps.h>

#include <cerrno>
#include <cmath>
#include <ctime>

namespace {

constexpr double KnotsPerMetrePerSecond = 3600.0 / 1852.0;
// After gpsd went away, a poll tries to reconnect no more often than this.
constexpr std::chrono::seconds ReconnectInterval{5};
// Bounds one poll's reading when gpsd sends faster than it is polled.
constexpr int MaxMessagesPerPoll = 1000;

// libgps reports its own negative codes where a connection could not be made.
int ConnectError(int code) {
    switch (code) {
        case NL_NOHOST:
            return EHOSTUNREACH;
        case NL_NOSERVICE:
            return EADDRNOTAVAIL;
        case NL_NOCONNECT:
            return ECONNREFUSED;
        default:
            return code > 0 ? code : ECONNREFUSED;
    }
}

// Receivers just past a week rollover or before lock report dates decades off.
bool PlausibleYear(int year) {
    std::time_t now = std::time(nullptr);
    std::tm today{};
    gmtime_r(&now, &today);
    return year >= 2000 && year <= today.tm_year + 1900 + 1;
}

std::uint32_t Clamped(double value, double low, double high) {
    if (!std::isfinite(value) || value < low) {
        return 0;
    }
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(value > high ? high : value));
}

}  // namespace

GpsdDevice::GpsdDevice(std::string host, std::string port)
    : host_(std::move(host)), port_(std::move(port)), data_(std::make_unique<gps_data_t>()) {}

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
    lastAttempt_ = std::chrono::steady_clock::now();
    *data_ = gps_data_t{};
    errno = 0;
    const int opened = gps_open(host_.c_str(), port_.c_str(), data_.get());
    if (opened != 0) {
        return ConnectError(errno);
    }
    connected_ = true;
    errno = 0;
    if (gps_stream(data_.get(), WATCH_ENABLE | WATCH_JSON, nullptr) != 0) {
        const int error = errno > 0 ? errno : EIO;
        Disconnect();
        return error;
    }
    return 0;
}

void GpsdDevice::Disconnect() {
    if (connected_) {
        gps_close(data_.get());
        connected_ = false;
    }
}

bool GpsdDevice::Drain() {
    for (int i = 0; i < MaxMessagesPerPoll && gps_waiting(data_.get(), 0); ++i) {
        data_->set = 0;
        if (gps_read(data_.get(), nullptr, 0) < 0) {
            return false;
        }
        if ((data_->set & MODE_SET) != 0) {
            TakeFix();
        }
        if ((data_->set & SATELLITE_SET) != 0) {
            TakeSky();
        }
    }
    return true;
}

void GpsdDevice::TakeFix() {
    const gps_fix_t& fix = data_->fix;
    fixReceived_ = std::chrono::steady_clock::now();
    fix_ = {};
    // fix.status stays 0 on many receivers; the mode and the numbers tell the truth.
    if (fix.mode >= MODE_2D && std::isfinite(fix.latitude) && std::isfinite(fix.longitude) &&
        std::fabs(fix.latitude) <= 90 && std::fabs(fix.longitude) <= 180) {
        fix_.dwValidFields |= GPS_VALID_LATITUDE | GPS_VALID_LONGITUDE;
        fix_.dblLatitude = fix.latitude;
        fix_.dblLongitude = fix.longitude;
    }
    if (fix.mode >= MODE_3D && std::isfinite(fix.altMSL)) {
        fix_.dwValidFields |= GPS_VALID_ALTITUDE_WRT_SEA_LEVEL;
        fix_.flAltitudeWRTSeaLevel = static_cast<float>(fix.altMSL);
    }
    if (std::isfinite(fix.speed) && fix.speed >= 0) {
        fix_.dwValidFields |= GPS_VALID_SPEED;
        fix_.flSpeed = static_cast<float>(fix.speed * KnotsPerMetrePerSecond);
    }
    if (std::isfinite(fix.track)) {
        fix_.dwValidFields |= GPS_VALID_HEADING;
        fix_.flHeading = static_cast<float>(fix.track);
    }
    if (fix.time.tv_sec > 0) {
        const std::time_t seconds = fix.time.tv_sec;
        std::tm utc{};
        if (gmtime_r(&seconds, &utc) != nullptr && PlausibleYear(utc.tm_year + 1900)) {
            fix_.dwValidFields |= GPS_VALID_UTC_TIME;
            GpsSystemTime& t = fix_.stUTCTime;
            t.wYear = static_cast<std::uint16_t>(utc.tm_year + 1900);
            t.wMonth = static_cast<std::uint16_t>(utc.tm_mon + 1);
            t.wDayOfWeek = static_cast<std::uint16_t>(utc.tm_wday);
            t.wDay = static_cast<std::uint16_t>(utc.tm_mday);
            t.wHour = static_cast<std::uint16_t>(utc.tm_hour);
            t.wMinute = static_cast<std::uint16_t>(utc.tm_min);
            t.wSecond = static_cast<std::uint16_t>(utc.tm_sec);
            t.wMilliseconds = static_cast<std::uint16_t>(fix.time.tv_nsec / 1000000);
        }
    }
}

void GpsdDevice::TakeSky() {
    skyReceived_ = std::chrono::steady_clock::now();
    sky_ = {};
    const int visible = data_->satellites_visible;
    for (int i = 0; i < visible && i < MAXCHANNELS; ++i) {
        const satellite_t& s = data_->skyview[i];
        if (s.PRN <= 0) {
            continue;
        }
        if (sky_.dwSatellitesInView < GPS_MAX_SATELLITES) {
            const std::uint32_t n = sky_.dwSatellitesInView++;
            sky_.rgdwSatellitesInViewPRNs[n] = static_cast<std::uint32_t>(s.PRN);
            sky_.rgdwSatellitesInViewElevation[n] = Clamped(s.elevation, 0, 90);
            sky_.rgdwSatellitesInViewAzimuth[n] = Clamped(s.azimuth, 0, 359);
            sky_.rgdwSatellitesInViewSignalToNoiseRatio[n] = Clamped(s.ss, 0, 99);
        }
        if (s.used && sky_.dwSatelliteCount < GPS_MAX_SATELLITES) {
            sky_.rgdwSatellitesUsedPRNs[sky_.dwSatelliteCount++] =
                static_cast<std::uint32_t>(s.PRN);
        }
    }
    sky_.dwValidFields = GPS_VALID_SATELLITE_COUNT;
}

int GpsdDevice::GetPosition(GpsPosition& position, std::uint32_t maximumAgeMs) {
    if (!wanted_) {
        return EBADF;
    }
    if (!connected_) {
        if (std::chrono::steady_clock::now() - lastAttempt_ < ReconnectInterval) {
            return lastError_;
        }
        lastError_ = Connect();
        if (lastError_ != 0) {
            return lastError_;
        }
    }
    if (!Drain()) {
        Disconnect();
        lastError_ = ECONNRESET;
        return lastError_;
    }

    const auto now = std::chrono::steady_clock::now();
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
