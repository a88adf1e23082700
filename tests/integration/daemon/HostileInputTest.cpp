#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Pult.h"

namespace {

using namespace std::chrono_literals;

// Keys that never run dry, and standard output and error on pipes nobody reads (a terminal
// stopped with Ctrl-S, a slow journal): reports, commands and SIGTERM still have their
// turn. Stopped, the tracker keeps no command waiting for good, not even one whose
// connect finds the queue full. (A hostile gpsd is GpsdPeer's, on the same reader.)
TEST(HostileInput, EndlessKeysAndFullOutputPipesDoNotStopTheLoop) {
    TrackerHome t;
    std::vector<int> pipes;
    for (const char* name : {"out", "err"}) {
        ASSERT_EQ(mkfifo((t.home / name).c_str(), 0600), 0);
        pipes.push_back(open((t.home / name).c_str(), O_RDWR | O_NONBLOCK));
        const std::string filler(4096, 'x');
        while (write(pipes.back(), filler.data(), filler.size()) > 0) {
        }
    }
    t.tracker = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/bin/sh", "-c",
                                 std::string("exec ") + MZ_DAEMON +
                                     " --gps=sim:1,2 --modem=sim:080910101032547698 "
                                     "--keys=/dev/zero >" +
                                     t.home / "out" + " 2>" + t.home / "err"},
        t.home / "tracker", t.env);
    ASSERT_TRUE(t.Until([&] { return t.Command("test", 30s) == 0; }, 15s));
    EXPECT_TRUE(t.Until([&] { return t.Received("code=699.*ack=yes") > 0; }));
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(t.Command("show", 30s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);

    t.tracker->Signal(SIGSTOP);
    std::vector<std::unique_ptr<ChildProcess>> commands;
    for (int i = 0; i < 12; ++i) {  // more than the listening queue holds
        commands.push_back(
            std::make_unique<ChildProcess>(std::vector<std::string>{MZ_DAEMON, "--command=test"},
                                           t.home / ("waiting" + std::to_string(i)), t.env));
    }
    for (auto& command : commands) {
        EXPECT_EQ(command->Wait(30s), 1);
    }
    t.tracker->Signal(SIGCONT);
    t.tracker->Signal(SIGTERM);
    EXPECT_EQ(t.tracker->Wait(5s), 0);
    for (int fd : pipes) {
        close(fd);
    }
}

}  // namespace
