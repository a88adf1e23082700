#include <gtest/gtest.h>

#include "platform/linux/RouteLink.h"

namespace {

std::uint32_t Connect(ConnectionManager& link, const std::string& address) {
    DestinationId destination{};
    link.MapDestination(address, destination);
    std::uint32_t connection = 0;
    EXPECT_TRUE(link.RequestConnection(destination, connection));
    return connection;
}

TEST(RouteLink, ProbesTheKernelForLoopbackAndWaitsWithoutAnAddress) {
    RouteLink link;
    EXPECT_EQ(link.ReadStatus(Connect(link, "http://127.0.0.1")), 0x10u);
    // Waiting, not failing: a failure would reconnect and log on every tick.
    EXPECT_EQ(link.ReadStatus(Connect(link, "http://pult.example")), 0x25u);
}

TEST(RouteLink, WaitsForARouteAndReportsItsLossOnce) {
    bool routed = false;
    RouteLink link([&](std::uint32_t address) { return address == 0x0A010203u && routed; });
    const std::uint32_t connection = Connect(link, "http://10.1.2.3");
    std::vector<std::uint32_t> statuses;
    for (bool route : {false, true, true, false}) {
        routed = route;
        statuses.push_back(link.ReadStatus(connection));
    }
    EXPECT_EQ(statuses, (std::vector<std::uint32_t>{0x25, 0x10, 0x10, 0x20}));
    link.Release(connection);
    routed = true;
    EXPECT_EQ(link.ReadStatus(connection), 0x20u);
    EXPECT_EQ(link.ReadStatus(Connect(link, "http://10.1.2.3")), 0x10u);
}

}  // namespace
