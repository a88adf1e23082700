#pragma once

#include <cstdint>
#include <functional>

#include "platform/ConnectionManager.h"
#include "platform/linux/HeldLinks.h"

// Connected while the kernel has a route to the server (a UDP connect() probe, which
// sends nothing): "waiting for a path" until there is one, "disconnected" when a
// connection that had its route loses it.
class RouteLink final : public ConnectionManager {
public:
    using RouteProbe = std::function<bool(std::uint32_t address)>;

    explicit RouteLink(RouteProbe probe = HasRouteTo) : probe_(std::move(probe)) {}

    bool MapDestination(const std::string& address, DestinationId& destination) override;
    bool RequestConnection(const DestinationId& destination, std::uint32_t& connection) override;
    std::uint32_t ReadStatus(std::uint32_t connection) override;
    void Release(std::uint32_t connection) override;

    // True when a datagram to the address would find a route now.
    static bool HasRouteTo(std::uint32_t address);

private:
    RouteProbe probe_;
    HeldLinks held_;
};
