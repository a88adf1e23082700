#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Pult.h"
#include "support/KeyRecords.h"
#include "support/TextCount.h"

namespace {

using namespace std::chrono_literals;

// Stopped (SIGSTOP, a debugger) past an alarm follow-up's time, either front end sends
// the follow-up as soon as it goes on: the time stopped passed in real time.
TEST(StoppedTracker, SendsAnOverdueFollowUpAsSoonAsItGoesOn) {
    for (const char* program : {MZ_DAEMON,
#ifdef MZ_QT_TRACKER
                                MZ_QT_TRACKER
#endif
         }) {
        SCOPED_TRACE(program);
        TempFolder home;
        std::string port;
        auto pult =
            StartPult(home, "Frequency=144000\r\nAlertPressTime=1\r\nPermittedKeys=112\r\n", port);
        ASSERT_NE(port, "") << pult->Errors();
        const std::string fifo = home / "keys";
        const std::string runtime = home / "run";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
        const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path(),
                                              "XDG_RUNTIME_DIR=" + runtime,
                                              "QT_QPA_PLATFORM=offscreen"};
        ChildProcess tracker({program, "--gps=sim:55.7512,37.6184,150",
                              "--modem=sim:080910101032547698", "--link=direct", "--keys=" + fifo},
                             home / "tracker", env);
        const int keys = open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(keys, 0);
        ASSERT_TRUE(WriteKey(keys, KEY_F1, 1));
        ASSERT_TRUE(WaitFor([&] { return CountMatches(pult->Output(), "code=122") == 1; }))
            << pult->Output() << tracker.Errors();
        tracker.Signal(SIGSTOP);
        std::this_thread::sleep_for(18s);
        tracker.Signal(SIGCONT);
        EXPECT_TRUE(WaitFor([&] { return CountMatches(pult->Output(), "code=699") >= 1; }, 3s))
            << "no follow-up: " << pult->Output();
        close(keys);
        tracker.Signal(SIGTERM);
        tracker.Wait();
    }
}

}  // namespace
