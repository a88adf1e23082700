#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "Pult.h"
#include "support/KeyRecords.h"
#include "support/TextCount.h"

namespace {

using namespace std::chrono_literals;

// One tracker's life, run without CAP_WAKE_ALARM as an unprivileged user's would be: it
// reports all the same and says once why a report due during a suspend waits.
TEST(Daemon, TestAlarmSecondStartSignalsResumeAndExit) {
    const std::string setpriv = FindProgram("setpriv");
    ASSERT_NE(setpriv, "") << "setpriv (util-linux) is needed";
    TempFolder home;
    std::string port;
    auto pult =
        StartPult(home, "Frequency=144000\r\nAlertPressTime=2\r\nPermittedKeys=112\r\n", port);
    ASSERT_NE(port, "") << "mzorvany-pult did not start: " << pult->Errors();
    const std::string fifo = home / "keys";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path()};
    auto StartTracker = [&](const std::string& name) {
        return std::make_unique<ChildProcess>(
            std::vector<std::string>{setpriv, "--inh-caps=-wake_alarm",
                                     "--ambient-caps=-wake_alarm", "--bounding-set=-wake_alarm",
                                     "--", MZ_DAEMON, "--gps=sim:55.7512,37.6184,150",
                                     "--modem=sim:080910101032547698", "--keys=" + fifo},
            home / name, env);
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
    ASSERT_TRUE(WriteKey(keys, KEY_F2, 1) && WriteKey(keys, KEY_F2, 2));
    ASSERT_TRUE(WaitFor([&] {
        return CountMatches(tracker->Output(), "Сообщение 122 передано") == 1;
    })) << tracker->Output()
        << tracker->Errors();
    ASSERT_TRUE(WriteKey(keys, KEY_F2, 0));
    close(keys);
    // SIGTERM keeps the alarm's record: the next start goes on with the alarm.
    tracker->Signal(SIGTERM);
    EXPECT_EQ(tracker->Wait(), 0) << tracker->Errors();
    EXPECT_EQ(CountMatches(tracker->Errors(), "cannot set wake alarms"), 1) << tracker->Errors();
    EXPECT_TRUE(std::filesystem::exists(home / "MZorvany/alarm.ini"));
    EXPECT_EQ(Command("show"), 1) << "none runs any more";

    // The exit command ends a tracker, and its alarm, as Yes to the close question would.
    tracker = StartTracker("again");
    ASSERT_TRUE(WaitFor([&] { return Command("exit") == 0; })) << tracker->Errors();
    EXPECT_EQ(tracker->Wait(), 0);
    EXPECT_EQ(CountMatches(tracker->Output(), "Тревога возобновлена"), 1) << tracker->Output();
    EXPECT_FALSE(std::filesystem::exists(home / "MZorvany/alarm.ini"));
}

}  // namespace
