#include "platform/linux/NmStatus.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

NmSnapshot Up(std::uint32_t state) {
    NmSnapshot nm;
    nm.present = true;
    nm.state = state;
    nm.connectivity = 4;
    nm.routeToServer = true;
    return nm;
}

template <typename Change>
NmSnapshot With(NmSnapshot nm, Change change) {
    change(nm);
    return nm;
}

struct MappingCase {
    const char* name;
    NmSnapshot nm;
    std::uint32_t status;
};

TEST(NmStatus, StatesMapOntoConnectionStatuses) {
    const MappingCase cases[] = {
        {"connected (global)", Up(70), 0x10},
        {"connected (site) with a route to the server", Up(60), 0x10},
        {"connected (local) without a route to the server",
         With(Up(50), [](NmSnapshot& n) { n.routeToServer = false; }), 0x25},
        {"behind a captive portal", With(Up(60), [](NmSnapshot& n) { n.connectivity = 2; }), 0x25},
        {"connecting", Up(40), 0x40},
        {"disconnected, may still connect", Up(20), 0x40},
        {"state not known", Up(0), 0x40},
        {"disconnecting", Up(30), 0x80},
        {"asleep", Up(10), 0x23},
        {"networking switched off",
         With(Up(20), [](NmSnapshot& n) { n.networkingEnabled = false; }), 0x23},
        {"mobile radio off (flight mode)",
         With(Up(20), [](NmSnapshot& n) { n.wwanEnabled = false; }), 0x27},
        {"mobile radio off but connected otherwise",
         With(Up(70), [](NmSnapshot& n) { n.wwanEnabled = false; }), 0x10},
        {"profile refused", With(Up(20), [](NmSnapshot& n) { n.activationFailed = true; }), 0x21},
        {"profile being activated", With(Up(20), [](NmSnapshot& n) { n.activating = true; }), 0x40},
        {"NetworkManager absent, route", With(Up(0), [](NmSnapshot& n) { n.present = false; }),
         0x10},
        {"NetworkManager absent, no route", NmSnapshot{}, 0x25},
        {"bus not answered yet", With(Up(70), [](NmSnapshot& n) { n.known = false; }), 0x40},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MapNmStatus(c.nm), c.status) << c.name;
    }
}

// The network's status at one read, and whether a new connection was requested before it.
struct NmRead {
    std::uint32_t network;
    bool renewed;
};

struct HeldCase {
    const char* name;
    std::vector<NmRead> reads;
    std::vector<std::uint32_t> reported;
};

TEST(NmStatus, HeldConnectionsTellAStandingFailureOnce) {
    const HeldCase cases[] = {
        {"waiting then connected",
         {{0x40, true}, {0x40, false}, {0x10, false}},
         {0x40, 0x40, 0x10}},
        {"lost once it was up, then waiting on a new one",
         {{0x10, true}, {0x40, false}, {0x40, true}},
         {0x10, 0x20, 0x40}},
        {"flight mode: told, then quiet on every new request",
         {{0x27, true}, {0x27, true}, {0x27, false}, {0x27, true}},
         {0x27, 0, 0, 0}},
        {"flight mode ends and starts again: told again",
         {{0x27, true}, {0x27, true}, {0x40, false}, {0x27, false}, {0x27, true}},
         {0x27, 0, 0x40, 0x27, 0}},
        {"up, then radio off: the reason, not just lost",
         {{0x10, true}, {0x27, false}, {0x27, true}},
         {0x10, 0x27, 0}},
        {"lost twice is news twice",
         {{0x10, true}, {0x40, false}, {0x10, true}, {0x40, false}},
         {0x10, 0x20, 0x10, 0x20}},
    };
    for (const auto& c : cases) {
        HeldLinkStatus link;
        bool wasConnected = false;
        std::vector<std::uint32_t> reported;
        for (const NmRead& read : c.reads) {
            if (read.renewed) {
                wasConnected = false;
            }
            reported.push_back(link.Next(read.network, wasConnected));
        }
        EXPECT_EQ(reported, c.reported) << c.name;
    }
}

}  // namespace
