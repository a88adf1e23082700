#include "platform/sim/SimConnectionManager.h"

#include <algorithm>

bool SimConnectionManager::MapDestination(const std::string& address, DestinationId& destination) {
    mappedAddresses.push_back(address);
    if (mapFails) {
        return false;
    }
    destination.fill(0);
    std::copy_n(address.begin(), std::min(address.size(), destination.size()), destination.begin());
    return true;
}

bool SimConnectionManager::RequestConnection(const DestinationId& destination,
                                             std::uint32_t& connection) {
    ++requestCount;
    lastDestination = destination;
    if (refuseRequests > 0) {
        --refuseRequests;
        return false;
    }
    heldConnection = nextHandle_++;
    position_ = 0;
    connection = heldConnection;
    return true;
}

std::uint32_t SimConnectionManager::ReadStatus(std::uint32_t connection) {
    ++statusReads;
    if (connection != heldConnection || connection == 0) {
        return ConnectionStatusDisconnected;
    }
    if (forcedStatus) {
        return *forcedStatus;
    }
    if (connectSequence.empty()) {
        return 0;
    }
    const std::uint32_t status = connectSequence[std::min(position_, connectSequence.size() - 1)];
    ++position_;
    return status;
}

void SimConnectionManager::Release(std::uint32_t connection) {
    ++releaseCount;
    if (connection == heldConnection) {
        heldConnection = 0;
    }
}
