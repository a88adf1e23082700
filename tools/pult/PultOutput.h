#pragma once

#include <cstddef>
#include <string>

#include "delivery/ReportDatagram.h"
#include "platform/DatagramSocket.h"

struct PultEntry {
    Ipv4Endpoint from;
    std::size_t size = 0;
    DecodedReport report;  // report.error non-empty for a malformed datagram
    bool acknowledged = false;
};

// One output line, without its line end.
std::string FormatPultLine(const PultEntry& entry, bool json);
