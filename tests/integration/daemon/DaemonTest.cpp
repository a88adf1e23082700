#include <fcntl.h>
#include <linux/input.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

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

    // A held key raises the alarm; its auto-repeat changes nothing.
    const int keys = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(keys, 0);
    auto key = [&](int value) {
        const input_event events[2] = {{{}, EV_KEY, KEY_F1, value}, {{}, EV_SYN, 0, 0}};
        ASSERT_EQ(write(keys, events, sizeof(events)), static_cast<ssize_t>(sizeof(events)));
    };
    key(1);
    key(2);
    ASSERT_TRUE(WaitFor([&] {
        return CountMatches(tracker->Output(), "Сообщение 122 передано") == 1;
    })) << tracker->Output();
    key(0);
    close(keys);
    ASSERT_TRUE(WaitFor(
        [&] { return CountMatches(tracker->Output(), "Начало передачи сообщения 699") >= 2; }, 40s))
        << "no follow-up: " << tracker->Output();

    tracker->Signal(SIGTERM);
    EXPECT_EQ(tracker->Wait(), 0) << tracker->Errors();
    EXPECT_EQ(Command("show"), 1) << "none runs any more";

    // The exit command ends a tracker as Yes to the close question would.
    tracker = StartTracker("again");
    ASSERT_TRUE(WaitFor([&] { return Command("exit") == 0; })) << tracker->Errors();
    EXPECT_EQ(tracker->Wait(), 0);
}

// Standard output piped to a reader that has stopped reading must not stop the tick: a
// blocked write would hold up every report and alarm behind it.
TEST(Daemon, AFullOutputPipeDoesNotHoldUpReports) {
    TempFolder home;
    std::string port;
    auto pult = StartPult(home, "Frequency=144000\r\n", port);
    ASSERT_NE(port, "") << pult->Errors();
    const std::string out = home / "out";
    ASSERT_EQ(mkfifo(out.c_str(), 0600), 0);
    const int pipe = open(out.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(pipe, 0);
    const std::string filler(4096, 'x');
    while (write(pipe, filler.data(), filler.size()) > 0) {
    }
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path()};
    ChildProcess tracker({"/bin/sh", "-c",
                          std::string("exec ") + MZ_DAEMON +
                              " --gps=sim:1,2 --modem=sim:080910101032547698 >" + out},
                         home / "tracker", env);
    auto Command = [&](const std::string& word) { return TrackerCommand(home, word, env); };
    ASSERT_TRUE(WaitFor([&] { return Command("test") == 0; })) << tracker.Errors();
    EXPECT_TRUE(WaitFor([&] { return CountMatches(pult->Output(), "code=699.*ack=yes") == 1; }))
        << pult->Output();
    EXPECT_EQ(Command("exit"), 0);
    EXPECT_EQ(tracker.Wait(), 0);
    close(pipe);
}

}  // namespace
