#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Pult.h"
#include "support/TextCount.h"

namespace {

using namespace std::chrono_literals;

// Keys that never run dry, and standard output and error on pipes nobody reads (a terminal
// stopped with Ctrl-S, a slow journal): reports, commands and SIGTERM still have their
// turn. Stopped, the tracker keeps no command waiting for good, not even one whose
// connect finds the queue full. (A hostile gpsd is GpsdPeer's, on the same reader.)
TEST(HostileInput, EndlessKeysAndFullOutputPipesDoNotStopTheLoop) {
    TempFolder home;
    std::string port;
    auto pult = StartPult(home, "Frequency=144000\r\n", port);
    ASSERT_NE(port, "") << pult->Errors();
    std::vector<int> pipes;
    for (const char* name : {"out", "err"}) {
        ASSERT_EQ(mkfifo((home / name).c_str(), 0600), 0);
        pipes.push_back(open((home / name).c_str(), O_RDWR | O_NONBLOCK));
        const std::string filler(4096, 'x');
        while (write(pipes.back(), filler.data(), filler.size()) > 0) {
        }
    }
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path()};
    auto Command = [&](const std::string& word) { return TrackerCommand(home, word, env, 30s); };
    ChildProcess tracker({"/bin/sh", "-c",
                          std::string("exec ") + MZ_DAEMON +
                              " --gps=sim:1,2 --modem=sim:080910101032547698 --keys=/dev/zero >" +
                              home / "out" + " 2>" + home / "err"},
                         home / "tracker", env);
    ASSERT_TRUE(WaitFor([&] { return Command("test") == 0; }, 15s));
    EXPECT_TRUE(WaitFor([&] { return CountMatches(pult->Output(), "code=699.*ack=yes") > 0; }))
        << pult->Output();
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(Command("show"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);

    tracker.Signal(SIGSTOP);
    std::vector<std::unique_ptr<ChildProcess>> commands;
    for (int i = 0; i < 12; ++i) {  // more than the listening queue holds
        commands.push_back(
            std::make_unique<ChildProcess>(std::vector<std::string>{MZ_DAEMON, "--command=test"},
                                           home / ("waiting" + std::to_string(i)), env));
    }
    for (auto& command : commands) {
        EXPECT_EQ(command->Wait(30s), 1);
    }
    tracker.Signal(SIGCONT);
    tracker.Signal(SIGTERM);
    EXPECT_EQ(tracker.Wait(5s), 0);
    for (int fd : pipes) {
        close(fd);
    }
}

}  // namespace
