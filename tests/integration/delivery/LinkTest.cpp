#include <gtest/gtest.h>

#include "platform/linux/DirectLink.h"
#include "platform/linux/RouteLink.h"

namespace {

std::uint32_t Connect(ConnectionManager& link, const std::string& address) {
    DestinationId destination{};
    link.MapDestination(address, destination);
    std::uint32_t connection = 0;
    EXPECT_TRUE(link.RequestConnection(destination, connection));
    return connection;
}

TEST(Links, DirectIsConnectedAtOnceWhateverTheAddress) {
    DirectLink link;
    DestinationId destination{};
    EXPECT_FALSE(link.MapDestination("http://pult.example", destination));
    EXPECT_EQ(link.ReadStatus(Connect(link, "http://pult.example")), 0x10u);
}

TEST(Links, RouteProbeFindsLoopback) {
    RouteLink link;
    EXPECT_EQ(link.ReadStatus(Connect(link, "http://127.0.0.1")), 0x10u);
    // No usable address: nothing to route to, so it waits rather than failing and
    // reconnecting every tick.
    EXPECT_EQ(link.ReadStatus(Connect(link, "http://pult.example")), 0x25u);
    EXPECT_EQ(link.ReadStatus(12345), 0x20u);
}

TEST(Links, RouteStatusFollowsTheKernelsRoutes) {
    bool routed = false;
    std::vector<std::uint32_t> probed;
    RouteLink link([&](std::uint32_t address) {
        probed.push_back(address);
        return routed;
    });
    const std::uint32_t connection = Connect(link, "http://10.1.2.3");
    std::vector<std::uint32_t> statuses;
    for (bool route : {false, false, true, true, false}) {
        routed = route;
        statuses.push_back(link.ReadStatus(connection));
    }
    EXPECT_EQ(statuses, (std::vector<std::uint32_t>{0x25, 0x25, 0x10, 0x10, 0x20}));
    EXPECT_EQ(probed.front(), 0x0A010203u);
    link.Release(connection);
    routed = true;
    EXPECT_EQ(link.ReadStatus(connection), 0x20u);
    EXPECT_EQ(link.ReadStatus(Connect(link, "http://10.1.2.3")), 0x10u);
}

}  // namespace
