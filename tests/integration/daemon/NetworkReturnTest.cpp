#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "Pult.h"
#include "support/PrivateNetwork.h"

namespace {

using namespace std::chrono_literals;

// Without its address loopback has no route: the link to the control room cannot come up.
bool LoopbackAddressed(bool addressed) {
    return std::system(addressed
                           ? "PATH=/usr/sbin:/sbin:$PATH ip addr add 127.0.0.1/8 dev lo"
                           : "PATH=/usr/sbin:/sbin:$PATH ip addr del 127.0.0.1/8 dev lo") == 0;
}

// The link waiting for its route is asked ever more rarely, up to a minute apart; the
// kernel's announcement of the returning address ends the wait, so the report goes at once.
TEST(NetworkReturn, AReportWaitingForTheRouteGoesAsTheAddressReturns) {
    const bool made = InPrivateNetwork([] {
        TrackerHome t;
        t.tracker = std::make_unique<ChildProcess>(
            std::vector<std::string>{MZ_DAEMON, "--link=route", "--gps=sim:55.7512,37.6184,150",
                                     "--modem=sim:080910101032547698"},
            t.home / "tracker", t.env);
        ASSERT_TRUE(t.Until([&] { return t.Command("show") == 0; }));
        ASSERT_TRUE(LoopbackAddressed(false));
        ASSERT_EQ(t.Command("test"), 0);
        // 5 s of looks every tick, then waits of 1, 2, 4, 8 and 16 s: by now it waits 32 s.
        std::this_thread::sleep_for(40s);
        ASSERT_EQ(t.Delivered(), 0);
        ASSERT_TRUE(LoopbackAddressed(true));
        EXPECT_TRUE(t.Until([&] { return t.Delivered() == 1; }, 4s));
    });
    if (!made) {
        GTEST_SKIP() << "no private network namespace (needs root and iproute2)";
    }
}

}  // namespace
