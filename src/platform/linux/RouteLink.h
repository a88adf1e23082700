#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/ConnectionManager.h"
#include "platform/linux/HeldLinks.h"
#include "platform/linux/RouteWatch.h"

// Connected while the kernel has a route to the server (a UDP connect() probe, which
// sends nothing): "waiting for a path" until there is one, "disconnected" when a
// connection that had its route loses it. The watch, when given, tells of the kernel's
// changes, so a link waiting for its route is looked at again when one may have come.
class RouteLink final : public ConnectionManager {
public:
    using RouteProbe = std::function<bool(std::uint32_t address)>;

    explicit RouteLink(RouteProbe probe = HasRouteTo, std::shared_ptr<const RouteWatch> watch = {})
        : probe_(std::move(probe)), watch_(std::move(watch)) {}

    bool MapDestination(const std::string& address, DestinationId& destination) override;
    bool RequestConnection(const DestinationId& destination, std::uint32_t& connection) override;
    std::uint32_t ReadStatus(std::uint32_t connection) override;
    void Release(std::uint32_t connection) override;
    std::uint64_t NetworkChanges() const override { return watch_ ? watch_->Changes() : 0; }

    // True when a datagram to the address would find a route now.
    static bool HasRouteTo(std::uint32_t address);

private:
    RouteProbe probe_;
    std::shared_ptr<const RouteWatch> watch_;
    HeldLinks held_;
};
