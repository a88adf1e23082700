#include "platform/linux/NmStatus.h"

#include "platform/ConnectionManager.h"

namespace {

enum NmState : std::uint32_t {
    NmAsleep = 10,
    NmDisconnected = 20,
    NmDisconnecting = 30,
    NmConnecting = 40,
    NmConnectedLocal = 50,
    NmConnectedSite = 60,
    NmConnectedGlobal = 70,
};
constexpr std::uint32_t NmConnectivityPortal = 2;

constexpr std::uint32_t Connected = ConnectionStatusConnected;
constexpr std::uint32_t Lost = ConnectionStatusDisconnected;
constexpr std::uint32_t ActivationFailed = ConnectionStatusConnectionFailed;
constexpr std::uint32_t Disabled = ConnectionStatusConnectionDisabled;
constexpr std::uint32_t WaitingForPath = ConnectionStatusWaitingForPath;
constexpr std::uint32_t RadioOff = ConnectionStatusPhoneOff;
constexpr std::uint32_t WaitingForConnection = ConnectionStatusWaitingConnection;
constexpr std::uint32_t WaitingForDisconnection = ConnectionStatusWaitingDisconnection;

bool IsFailure(std::uint32_t status) {
    return status == Lost || status == ActivationFailed || status == Disabled || status == RadioOff;
}

}  // namespace

std::uint32_t MapNmStatus(const NmSnapshot& nm) {
    // Just after the bus came (back), nothing can be vouched for yet.
    if (!nm.known) {
        return WaitingForConnection;
    }
    // Without NetworkManager (restarting, say) the kernel's routes still tell the truth.
    if (!nm.present) {
        return nm.routeToServer ? Connected : WaitingForPath;
    }
    const bool connected = nm.state == NmConnectedLocal || nm.state == NmConnectedSite ||
                           nm.state == NmConnectedGlobal;
    if (connected) {
        // A captive portal swallows datagrams until someone signs in.
        return nm.routeToServer && nm.connectivity != NmConnectivityPortal ? Connected
                                                                           : WaitingForPath;
    }
    if (!nm.networkingEnabled || nm.state == NmAsleep) {
        return Disabled;
    }
    if (!nm.wwanEnabled) {
        return RadioOff;
    }
    if (nm.activationFailed && !nm.activating) {
        return ActivationFailed;
    }
    if (nm.state == NmDisconnecting) {
        return WaitingForDisconnection;
    }
    // Connecting, activating, or disconnected while NetworkManager may still connect (out
    // of coverage, looking for a network): the report waits for it.
    return WaitingForConnection;
}

std::uint32_t HeldLinkStatus::Next(std::uint32_t network, bool& wasConnected) {
    if (network == Connected) {
        wasConnected = true;
        toldFailure_ = 0;
        return Connected;
    }
    std::uint32_t status = network;
    if (wasConnected && !IsFailure(network)) {
        status = Lost;
    }
    wasConnected = false;
    if (!IsFailure(status)) {
        toldFailure_ = 0;
        return status;
    }
    if (status == toldFailure_) {
        return 0;
    }
    // A lost link is news each time; the standing failures are told once.
    toldFailure_ = status == Lost ? 0 : status;
    return status;
}
