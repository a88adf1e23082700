#pragma once

#include <cstdint>

// What NetworkManager says about the network, as far as the data link's status needs it.
struct NmSnapshot {
    bool known = true;               // false until the bus has answered after (re)connecting
    bool present = false;            // NetworkManager owns its name on the bus
    std::uint32_t state = 0;         // NMState: 10 asleep … 70 connected (global)
    std::uint32_t connectivity = 0;  // NMConnectivityState: 2 portal, 4 full
    bool networkingEnabled = true;
    bool wwanEnabled = true;
    bool routeToServer = false;     // the kernel has a route to the main server
    bool activating = false;        // the profile we asked for is being activated
    bool activationFailed = false;  // NetworkManager refused to activate it
};

// NetworkManager's states as connection status values, so that the screen and the log say
// what the phone is doing. A phone in flight mode or out of coverage gets a status that
// lets a queued report wait without using up its attempts.
std::uint32_t MapNmStatus(const NmSnapshot& nm);

// What a held connection reports, given the status of the network now. A connection that
// was up and is lost says so once (32). A standing failure (flight mode, NetworkManager
// off, a refused activation) is told once; the connection requested again while it lasts
// reads 0, "no status yet", so the request waits instead of being renewed every tick.
class HeldLinkStatus {
public:
    std::uint32_t Next(std::uint32_t network, bool& wasConnected);

private:
    std::uint32_t toldFailure_ = 0;
};
