#include <fcntl.h>
#include <linux/input.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "Pult.h"
#include "support/TextCount.h"

namespace {

using namespace std::chrono_literals;

TEST(Daemon, TestAlarmSecondStartTermAndExit) {
    TempFolder home;
    std::string port;
    auto pult =
        StartPult(home, "Frequency=144000\r\nAlertPressTime=2\r\nPermittedKeys=112\r\n", port);
    ASSERT_NE(port, "") << "mzorvany-pult did not start: " << pult->Errors();
    const std::string fifo = home / "keys";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path()};
    auto StartTracker = [&](const std::string& name) {
        return StartKeyedTracker(home, name, "sim:55.7512,37.6184,150", fifo, env);
    };
    auto Command = [&](const std::string& word) { return TrackerCommand(home, word, env); };
    auto tracker = StartTracker("tracker");
    ASSERT_TRUE(WaitFor([&] { return Command("show") == 0; })) << tracker->Errors();

    ASSERT_EQ(Command("test"), 0);
    ASSERT_TRUE(WaitFor([&] {
        return CountMatches(tracker->Output(), "Сообщение 699 передано") == 1;
    })) << tracker->Output()
        << tracker->Errors();
    EXPECT_TRUE(std::regex_search(tracker->Output(),
                                  std::regex(R"(\d\d:\d\d:\d\d Начало передачи сообщения 699)")));
    ASSERT_TRUE(WaitFor([&] {
        return std::regex_search(pult->Output(),
                                 std::regex(R"(imsi=001010123456789 .*code=699.*ack=yes)"));
    })) << pult->Output();

    // A second start asks the first to show itself and leaves, saying why.
    auto second = StartTracker("second");
    EXPECT_EQ(second->Wait(), 2);
    EXPECT_NE(second->Errors().find("a tracker already runs for"), std::string::npos);

    // SIGUSR1 and SIGUSR2 are ignored; SIGHUP reads params.ini again: now F2 is the key.
    tracker->Signal(SIGUSR1);
    tracker->Signal(SIGUSR2);
    WriteWholeFile(
        home / "MZorvany/params.ini",
        "MainServer=127.0.0.1\r\nPort=" + port + "\r\nAlertPressTime=2\r\nPermittedKeys=113\r\n");
    tracker->Signal(SIGHUP);

    // A held key raises the alarm; its auto-repeat changes nothing.
    const int keys = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(keys, 0);
    auto key = [&](int value) {
        const input_event events[2] = {{{}, EV_KEY, KEY_F2, value}, {{}, EV_SYN, 0, 0}};
        ASSERT_EQ(write(keys, events, sizeof(events)), static_cast<ssize_t>(sizeof(events)));
    };
    key(1);
    key(2);
    ASSERT_TRUE(WaitFor([&] {
        return CountMatches(tracker->Output(), "Сообщение 122 передано") == 1;
    })) << tracker->Output()
        << tracker->Errors();
    key(0);
    close(keys);
    tracker->Signal(SIGTERM);
    EXPECT_EQ(tracker->Wait(), 0) << tracker->Errors();
    EXPECT_EQ(Command("show"), 1) << "none runs any more";

    // The exit command ends a tracker as Yes to the close question would.
    tracker = StartTracker("again");
    ASSERT_TRUE(WaitFor([&] { return Command("exit") == 0; })) << tracker->Errors();
    EXPECT_EQ(tracker->Wait(), 0);
}

// 300 test commands before a key hold: the 122 must not wait behind them.
TEST(Daemon, AnAlarmIsOnTheWireSoonAfterItsHoldWhateverTestsCameBefore) {
    TempFolder home;
    std::string port;
    auto pult =
        StartPult(home, "Frequency=144000\r\nAlertPressTime=1\r\nPermittedKeys=112\r\n", port);
    ASSERT_NE(port, "") << pult->Errors();
    const std::string fifo = home / "keys";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path()};
    auto tracker = StartKeyedTracker(home, "tracker", "sim:1,2", fifo, env);
    ASSERT_TRUE(WaitFor([&] { return TrackerCommand(home, "show", env) == 0; }))
        << tracker->Errors();
    ChildProcess tests({"/bin/sh", "-c",
                        std::string("i=0; while [ $i -lt 300 ]; do ") + MZ_DAEMON +
                            " --command=test || exit 1; i=$((i+1)); done"},
                       home / "tests", env);
    ASSERT_EQ(tests.Wait(60s), 0);
    EXPECT_GT(CountMatches(tests.Output(), "already queued\n"), 0);

    const int keys = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(keys, 0);
    const input_event down[2] = {{{}, EV_KEY, KEY_F1, 1}, {{}, EV_SYN, 0, 0}};
    ASSERT_EQ(write(keys, down, sizeof(down)), static_cast<ssize_t>(sizeof(down)));
    const auto expires = std::chrono::steady_clock::now() + 1s;
    while (CountMatches(pult->Output(), "code=122") == 0 &&
           std::chrono::steady_clock::now() < expires + 10s) {
        usleep(5000);
    }
    const auto delay = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - expires);
    std::printf("the 122 went %lld ms after the hold expired\n",
                static_cast<long long>(delay.count()));
    EXPECT_LT(delay, 2s) << pult->Output();
    close(keys);
}

// Standard output and error on a pipe nobody reads (as on a terminal stopped with Ctrl-S
// or a slow journal) must not stop the start or the tick: a blocked write would hold up
// every report and alarm behind it, and SIGTERM with them.
TEST(Daemon, AFullOutputPipeDoesNotHoldUpReports) {
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
    ChildProcess tracker(
        {"/bin/sh", "-c",
         std::string("exec ") + MZ_DAEMON + " --gps=sim:1,2 --modem=sim:080910101032547698 >" +
             home / "out" + " 2>" + home / "err"},
        home / "tracker", env);
    auto Command = [&](const std::string& word) { return TrackerCommand(home, word, env); };
    ASSERT_TRUE(WaitFor([&] { return Command("test") == 0; }));
    EXPECT_TRUE(WaitFor([&] { return CountMatches(pult->Output(), "code=699.*ack=yes") == 1; }))
        << pult->Output();
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(Command("show"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
    tracker.Signal(SIGTERM);
    EXPECT_EQ(tracker.Wait(5s), 0);
    for (int fd : pipes) {
        close(fd);
    }
}

}  // namespace
