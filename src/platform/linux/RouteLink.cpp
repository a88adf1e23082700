#include "platform/linux/RouteLink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/linux/LinkDestination.h"

namespace {
constexpr std::uint16_t ProbePort = 9;
}  // namespace

bool RouteLink::HasRouteTo(std::uint32_t address) {
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (probe < 0) {
        return false;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(ProbePort);
    target.sin_addr.s_addr = htonl(address);
    const bool routed =
        ::connect(probe, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
    ::close(probe);
    return routed;
}

bool RouteLink::MapDestination(const std::string& address, DestinationId& destination) {
    return MapHttpAddress(address, destination);
}

bool RouteLink::RequestConnection(const DestinationId& destination, std::uint32_t& connection) {
    connection = held_.Hold(destination);
    return true;
}

std::uint32_t RouteLink::ReadStatus(std::uint32_t connection) {
    HeldLinks::Link* link = held_.Find(connection);
    if (link == nullptr) {
        return ConnectionStatusDisconnected;
    }
    // Without a usable server address there is no route to wait for but none to lose.
    if (link->address != 0 && probe_(link->address)) {
        link->wasConnected = true;
        return ConnectionStatusConnected;
    }
    return link->wasConnected ? ConnectionStatusDisconnected : ConnectionStatusWaitingForPath;
}

void RouteLink::Release(std::uint32_t connection) {
    held_.Release(connection);
}
