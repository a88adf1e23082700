#include "platform/linux/DirectLink.h"

#include "platform/linux/LinkDestination.h"

bool DirectLink::MapDestination(const std::string& address, DestinationId& destination) {
    return MapHttpAddress(address, destination);
}

bool DirectLink::RequestConnection(const DestinationId&, std::uint32_t& connection) {
    connection = nextHandle_++;
    if (nextHandle_ == 0) {
        nextHandle_ = 1;
    }
    return true;
}

std::uint32_t DirectLink::ReadStatus(std::uint32_t) {
    return ConnectionStatusConnected;
}

void DirectLink::Release(std::uint32_t) {}
