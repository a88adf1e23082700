#pragma once

#include <cstdint>

// The position record the reader gets from a GPS device: the validity flags say which
// fields hold data. Field names and flag values are those of the handset platform's
// published record, so position logic reads the same on every backend.

constexpr std::uint32_t GPS_VALID_UTC_TIME = 0x00000001;
constexpr std::uint32_t GPS_VALID_LATITUDE = 0x00000002;
constexpr std::uint32_t GPS_VALID_LONGITUDE = 0x00000004;
constexpr std::uint32_t GPS_VALID_SPEED = 0x00000008;
constexpr std::uint32_t GPS_VALID_HEADING = 0x00000010;
constexpr std::uint32_t GPS_VALID_ALTITUDE_WRT_SEA_LEVEL = 0x00000040;
constexpr std::uint32_t GPS_VALID_SATELLITE_COUNT = 0x00000800;

constexpr int GPS_MAX_SATELLITES = 12;
constexpr std::uint32_t GPS_VERSION_1 = 1;
constexpr std::uint32_t GPS_POSITION_SIZE = 344;

// A UTC date and time broken down the way the record carries it.
struct GpsSystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

struct GpsPosition {
    std::uint32_t dwVersion = GPS_VERSION_1;
    std::uint32_t dwSize = GPS_POSITION_SIZE;
    std::uint32_t dwValidFields = 0;
    GpsSystemTime stUTCTime;
    double dblLatitude = 0.0;            // degrees, north positive
    double dblLongitude = 0.0;           // degrees, east positive
    float flSpeed = 0.0F;                // knots
    float flHeading = 0.0F;              // degrees from true north
    float flAltitudeWRTSeaLevel = 0.0F;  // metres
    std::uint32_t dwSatelliteCount = 0;  // satellites used in the fix
    std::uint32_t rgdwSatellitesUsedPRNs[GPS_MAX_SATELLITES] = {};
    std::uint32_t dwSatellitesInView = 0;
    std::uint32_t rgdwSatellitesInViewPRNs[GPS_MAX_SATELLITES] = {};
    std::uint32_t rgdwSatellitesInViewElevation[GPS_MAX_SATELLITES] = {};
    std::uint32_t rgdwSatellitesInViewAzimuth[GPS_MAX_SATELLITES] = {};
    std::uint32_t rgdwSatellitesInViewSignalToNoiseRatio[GPS_MAX_SATELLITES] = {};
};
