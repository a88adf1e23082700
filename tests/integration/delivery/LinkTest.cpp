#include <gtest/gtest.h>

#include "platform/linux/RouteLink.h"

namespace {

// The kernel probe is replaced here; the daemon tests run the real one to a loopback pult.
TEST(RouteLink, WaitsForARouteAndReportsItsLossOnce) {
    bool routed = false;
    RouteLink link([&](std::uint32_t address) { return address == 0x0A010203u && routed; });
    const auto connect = [&](const std::string& address) {
        DestinationId destination{};
        link.MapDestination(address, destination);
        std::uint32_t connection = 0;
        EXPECT_TRUE(link.RequestConnection(destination, connection));
        return connection;
    };
    const std::uint32_t connection = connect("http://10.1.2.3");
    std::vector<std::uint32_t> statuses;
    for (bool route : {false, true, true, false}) {
        routed = route;
        statuses.push_back(link.ReadStatus(connection));
    }
    EXPECT_EQ(statuses, (std::vector<std::uint32_t>{
                            ConnectionStatusWaitingForPath, ConnectionStatusConnected,
                            ConnectionStatusConnected, ConnectionStatusDisconnected}));
    routed = true;
    EXPECT_EQ(link.ReadStatus(connect("http://10.1.2.3")), ConnectionStatusConnected);
    // Read in decimal as the settings accepted it, not as octal.
    EXPECT_EQ(link.ReadStatus(connect("http://010.001.002.003")), ConnectionStatusConnected);
    // Waiting, not failing: a failure would reconnect and log on every tick.
    EXPECT_EQ(link.ReadStatus(connect("http://pult.example")), ConnectionStatusWaitingForPath);
}

}  // namespace
