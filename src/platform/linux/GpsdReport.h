#pragma once

#include <string_view>

#include "gps/GpsPosition.h"

// What one line of gpsd's JSON protocol tells the tracker. Only position reports (TPV)
// and sky views (SKY) matter; every other class is read past.
struct GpsdReport {
    enum class Kind {
        Unreadable,  // not one well-formed JSON object
        Other,       // a class the tracker does not use (VERSION, DEVICES, WATCH, ...)
        Fix,         // a TPV report with a mode: position holds its fix fields
        Sky,         // a SKY report with a satellite list: position holds the sky view
    };
    Kind kind = Kind::Unreadable;
    GpsPosition position;
};

// Reads one line in a single pass: no recursion, and no step that does not move forward
// through the line, so any bytes take time in proportion to their length.
GpsdReport ReadGpsdReport(std::string_view line);
