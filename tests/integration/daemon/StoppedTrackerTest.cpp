#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Pult.h"
#include "support/KeyRecords.h"

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
        TrackerHome t("Frequency=144000\r\nAlertPressTime=1\r\nPermittedKeys=112\r\n");
        const std::string fifo = t.KeyFifo();
        ASSERT_NE(fifo, "");
        t.tracker = std::make_unique<ChildProcess>(
            std::vector<std::string>{program, "--gps=sim:55.7512,37.6184,150",
                                     "--modem=sim:080910101032547698", "--link=direct",
                                     "--keys=" + fifo},
            t.home / "tracker", t.env);
        const int keys = open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(keys, 0);
        ASSERT_TRUE(WriteKey(keys, KEY_F1, 1));
        ASSERT_TRUE(t.Until([&] { return t.Received("code=122") == 1; }));
        t.tracker->Signal(SIGSTOP);
        std::this_thread::sleep_for(18s);
        t.tracker->Signal(SIGCONT);
        EXPECT_TRUE(t.Until([&] { return t.Received("code=699") >= 1; }, 3s)) << "no follow-up";
        close(keys);
        t.tracker->Signal(SIGTERM);
        t.tracker->Wait();
    }
}

}  // namespace
