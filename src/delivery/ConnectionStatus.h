#pragma once

#include <cstdint>
#include <string>

#include "platform/ConnectionManager.h"

enum class ConnectionOutcome { NotConnected, Connected, Waiting, Failure };

struct ConnectionStatusInfo {
    ConnectionOutcome outcome;
    std::string text;  // empty for status 0, which leaves the shown text as it was
};

ConnectionStatusInfo LookUpConnectionStatus(std::uint32_t status);
