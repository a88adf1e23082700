#pragma once

#include "platform/ConnectionManager.h"

// For a device whose network is simply there: every connection is connected at once.
class DirectLink final : public ConnectionManager {
public:
    bool MapDestination(const std::string& address, DestinationId& destination) override;
    bool RequestConnection(const DestinationId& destination, std::uint32_t& connection) override;
    std::uint32_t ReadStatus(std::uint32_t connection) override;
    void Release(std::uint32_t connection) override;

private:
    std::uint32_t nextHandle_ = 1;
};
