#include "platform/linux/NmStatus.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

#include "platform/ConnectionManager.h"

namespace {

NmSnapshot Up(std::uint32_t state) {
    return {.present = true, .state = state, .connectivity = 4, .routeToServer = true};
}

template <typename T>
NmSnapshot With(NmSnapshot nm, T NmSnapshot::*field, std::type_identity_t<T> value) {
    nm.*field = value;
    return nm;
}

TEST(NmStatus, StatesMapOntoConnectionStatuses) {
    using N = NmSnapshot;
    // clang-format off
    const std::tuple<const char*, NmSnapshot, std::uint32_t> cases[] = {
        {"connected (global)", Up(70), ConnectionStatusConnected},
        {"connected (site) with a route to the server", Up(60), ConnectionStatusConnected},
        {"connected (local) without a route to the server", With(Up(50), &N::routeToServer, false), ConnectionStatusWaitingForPath},
        {"behind a captive portal", With(Up(60), &N::connectivity, 2), ConnectionStatusWaitingForPath},
        {"connecting", Up(40), ConnectionStatusWaitingConnection},
        {"disconnected, may still connect", Up(20), ConnectionStatusWaitingConnection},
        {"state not known", Up(0), ConnectionStatusWaitingConnection},
        {"disconnecting", Up(30), ConnectionStatusWaitingDisconnection},
        {"asleep", Up(10), ConnectionStatusConnectionDisabled},
        {"networking switched off", With(Up(20), &N::networkingEnabled, false), ConnectionStatusConnectionDisabled},
        {"mobile radio off (flight mode)", With(Up(20), &N::wwanEnabled, false), ConnectionStatusPhoneOff},
        {"mobile radio off but connected otherwise", With(Up(70), &N::wwanEnabled, false), ConnectionStatusConnected},
        {"profile refused", With(Up(20), &N::activationFailed, true), ConnectionStatusConnectionFailed},
        {"profile being activated", With(Up(20), &N::activating, true), ConnectionStatusWaitingConnection},
        {"NetworkManager absent, route", With(Up(0), &N::present, false), ConnectionStatusConnected},
        {"NetworkManager absent, no route", NmSnapshot{}, ConnectionStatusWaitingForPath},
        {"bus not answered yet", With(Up(70), &N::known, false), ConnectionStatusWaitingConnection},
    };
    // clang-format on
    for (const auto& [name, nm, status] : cases) {
        EXPECT_EQ(MapNmStatus(nm), status) << name;
    }
}

TEST(NmStatus, HeldConnectionsTellAStandingFailureOnce) {
    constexpr std::uint32_t W = ConnectionStatusWaitingConnection, C = ConnectionStatusConnected,
                            L = ConnectionStatusDisconnected, P = ConnectionStatusPhoneOff,
                            U = ConnectionStatusUnknown;
    // clang-format off
    // The network's status at each read and whether a new connection was asked for before it.
    using Reads = std::vector<std::pair<std::uint32_t, bool>>;
    const std::tuple<const char*, Reads, std::vector<std::uint32_t>> cases[] = {
        {"waiting then connected", {{W, true}, {W, false}, {C, false}}, {W, W, C}},
        {"lost once it was up, then waiting on a new one", {{C, true}, {W, false}, {W, true}}, {C, L, W}},
        {"flight mode: told, then quiet on every new request", {{P, true}, {P, true}, {P, false}, {P, true}}, {P, U, U, U}},
        {"flight mode ends and starts again: told again", {{P, true}, {P, true}, {W, false}, {P, false}, {P, true}}, {P, U, W, P, U}},
        {"up, then radio off: the reason, not just lost", {{C, true}, {P, false}, {P, true}}, {C, P, U}},
        {"lost twice is news twice", {{C, true}, {W, false}, {C, true}, {W, false}}, {C, L, C, L}},
    };
    // clang-format on
    for (const auto& [name, reads, expected] : cases) {
        HeldLinkStatus link;
        bool wasConnected = false;
        std::vector<std::uint32_t> reported;
        for (const auto& [network, renewed] : reads) {
            wasConnected = wasConnected && !renewed;
            reported.push_back(link.Next(network, wasConnected));
        }
        EXPECT_EQ(reported, expected) << name;
    }
}

}  // namespace
