#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "Pult.h"
#include "support/KeyRecords.h"
#include "support/TextCount.h"

namespace {

// One tracker's life, run without CAP_WAKE_ALARM as an unprivileged user's would be: it
// reports all the same and says once why a report due during a suspend waits.
TEST(Daemon, TestAlarmSecondStartSignalsResumeAndExit) {
    const std::string setpriv = FindProgram("setpriv");
    ASSERT_NE(setpriv, "") << "setpriv (util-linux) is needed";
    TrackerHome t("Frequency=144000\r\nAlertPressTime=2\r\nPermittedKeys=112\r\n");
    const std::string fifo = t.KeyFifo();
    ASSERT_NE(fifo, "");
    auto StartTracker = [&](const std::string& name) {
        return std::make_unique<ChildProcess>(
            std::vector<std::string>{setpriv, "--inh-caps=-wake_alarm",
                                     "--ambient-caps=-wake_alarm", "--bounding-set=-wake_alarm",
                                     "--", MZ_DAEMON, "--gps=sim:55.7512,37.6184,150",
                                     "--modem=sim:080910101032547698", "--keys=" + fifo},
            t.home / name, t.env);
    };
    t.tracker = StartTracker("tracker");
    ASSERT_TRUE(t.Until([&] { return t.Command("show") == 0; }));
    ASSERT_EQ(t.Command("test"), 0);
    ASSERT_TRUE(t.Until([&] { return t.Log("Сообщение 699 передано") == 1; }));
    EXPECT_GE(t.Log(R"(\d\d:\d\d:\d\d Начало передачи сообщения 699)"), 1) << t.Why();
    ASSERT_TRUE(
        t.Until([&] { return t.Received("imsi=001010123456789 .*code=699.*ack=yes") > 0; }));

    // A second start asks the first to show itself and leaves, saying why.
    const auto second = StartTracker("second");
    EXPECT_EQ(second->Wait(), 2);
    EXPECT_NE(second->Errors().find("a tracker already runs for"), std::string::npos);

    // SIGUSR1 and SIGUSR2 are ignored; SIGHUP reads params.ini again: now F2 is the key.
    t.tracker->Signal(SIGUSR1);
    t.tracker->Signal(SIGUSR2);
    WriteWholeFile(
        t.home / "MZorvany/params.ini",
        "MainServer=127.0.0.1\r\nPort=" + t.port + "\r\nAlertPressTime=2\r\nPermittedKeys=113\r\n");
    t.tracker->Signal(SIGHUP);

    // A held key raises the alarm; its auto-repeat changes nothing.
    const int keys = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(keys, 0);
    ASSERT_TRUE(WriteKey(keys, KEY_F2, 1) && WriteKey(keys, KEY_F2, 2));
    ASSERT_TRUE(t.Until([&] { return t.Log("Сообщение 122 передано") == 1; }));
    ASSERT_TRUE(WriteKey(keys, KEY_F2, 0));
    close(keys);
    // SIGTERM keeps the alarm's record: the next start goes on with the alarm.
    t.tracker->Signal(SIGTERM);
    EXPECT_EQ(t.tracker->Wait(), 0) << t.Why();
    EXPECT_EQ(CountMatches(t.tracker->Errors(), "cannot set wake alarms"), 1) << t.Why();
    EXPECT_TRUE(std::filesystem::exists(t.home / "MZorvany/alarm.ini"));
    EXPECT_EQ(t.Command("show"), 1) << "none runs any more";

    // The exit command ends a tracker, and its alarm, as Yes to the close question would.
    t.tracker = StartTracker("again");
    ASSERT_TRUE(t.Until([&] { return t.Command("exit") == 0; }));
    EXPECT_EQ(t.tracker->Wait(), 0);
    EXPECT_EQ(t.Log("Тревога возобновлена"), 1) << t.Why();
    EXPECT_FALSE(std::filesystem::exists(t.home / "MZorvany/alarm.ini"));
}

}  // namespace
