#pragma once

#include <cstdint>
#include <string>

#include "gps/GpsPosition.h"

// The lines the control room receives: longitude, latitude, altitude, speed, heading,
// UTC time and, when wanted, one line per satellite in view; each ends with CR LF.
// A field that is flagged valid but holds no usable number (not finite, or a coordinate
// beyond the poles or the date line) leaves its line out. Never longer than
// MaxReportTextBytes.
std::string ReportTextOf(const GpsPosition& position, bool withSatellites);

constexpr std::size_t MaxReportTextBytes = 985;

// Degrees, minutes and seconds for the screen, e.g. 55° 45' 20.88" N; empty when the
// coordinate is not valid or not a usable number.
std::string LatitudeTextOf(const GpsPosition& position);
std::string LongitudeTextOf(const GpsPosition& position);
