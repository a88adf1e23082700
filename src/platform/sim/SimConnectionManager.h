#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ConnectionManager.h"

// A data link that answers from a script: every new connection reads connectSequence
// from its start, one status per read, and the last status repeats. forcedStatus,
// while set, overrides the script for every held connection (a link going down).
class SimConnectionManager final : public ConnectionManager {
public:
    bool MapDestination(const std::string& address, DestinationId& destination) override;
    bool RequestConnection(const DestinationId& destination, std::uint32_t& connection) override;
    std::uint32_t ReadStatus(std::uint32_t connection) override;
    void Release(std::uint32_t connection) override;
    std::uint64_t NetworkChanges() const override { return networkChanges; }

    std::vector<std::uint32_t> connectSequence = {16};
    std::optional<std::uint32_t> forcedStatus;
    int refuseRequests = 0;  // the next so many requests are refused
    bool mapFails = false;
    std::uint64_t networkChanges = 0;  // a test counts a change up as the network announces it

    std::vector<std::string> mappedAddresses;
    DestinationId lastDestination{};
    int requestCount = 0;
    int releaseCount = 0;
    int statusReads = 0;
    std::uint32_t heldConnection = 0;

private:
    std::uint32_t nextHandle_ = 1;
    std::size_t position_ = 0;
};
