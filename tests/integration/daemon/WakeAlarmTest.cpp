#include <signal.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Pult.h"
#include "support/TextCount.h"

namespace {

const char* const kNoWakeAlarm = "cannot set wake alarms";

bool MayWakeTheMachine() {
    const int fd = timerfd_create(CLOCK_BOOTTIME_ALARM, TFD_CLOEXEC);
    if (fd >= 0) {
        close(fd);
    }
    return fd >= 0;
}

struct CapabilityCase {
    const char* name;
    std::vector<std::string> prefix;  // runs the daemon with or without CAP_WAKE_ALARM
    bool withCapability;
};

// Without CAP_WAKE_ALARM the daemon runs all the same, reports, and says once at start
// that a report due during a suspend waits for the next wake-up.
TEST(WakeAlarm, WithoutTheCapabilityTheDaemonRunsAndSaysSoOnce) {
    const std::string setpriv = FindProgram("setpriv");
    ASSERT_NE(setpriv, "") << "setpriv (util-linux) is needed";
    const CapabilityCase cases[] = {
        {"capability_dropped",
         {setpriv, "--inh-caps=-wake_alarm", "--ambient-caps=-wake_alarm",
          "--bounding-set=-wake_alarm", "--"},
         false},
        {"capability_kept", {}, true},
    };
    for (const auto& row : cases) {
        if (row.withCapability && !MayWakeTheMachine()) {
            continue;  // this machine gives no one wake alarms
        }
        TempFolder home;
        std::string port;
        auto pult = StartPult(home, "Frequency=144000\r\n", port);
        ASSERT_NE(port, "") << pult->Errors();
        const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path()};
        std::vector<std::string> command = row.prefix;
        command.insert(command.end(), {MZ_DAEMON, "--gps=sim:55.7512,37.6184,150",
                                       "--modem=sim:080910101032547698"});
        ChildProcess tracker(command, home / "tracker", env);
        ASSERT_TRUE(WaitFor([&] { return TrackerCommand(home, "test", env) == 0; }))
            << row.name << ": " << tracker.Errors();
        EXPECT_TRUE(WaitFor([&] {
            return tracker.Output().find("Сообщение 699 передано") != std::string::npos;
        })) << row.name
            << ": " << tracker.Output();
        tracker.Signal(SIGTERM);
        EXPECT_EQ(tracker.Wait(), 0) << row.name;
        EXPECT_EQ(CountOccurrences(tracker.Errors(), kNoWakeAlarm), row.withCapability ? 0 : 1)
            << row.name << ": " << tracker.Errors();
    }
}

}  // namespace
