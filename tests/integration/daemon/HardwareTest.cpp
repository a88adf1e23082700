#include <signal.h>

#include <gtest/gtest.h>

#include <thread>

#include "Pult.h"
#include "support/GpsdOnPty.h"
#include "support/PtyModem.h"

namespace {

using namespace std::chrono_literals;

TEST(DaemonOnRealDevices, ReportsAFixFromGpsdWithTheModemsImsi) {
    if (const std::string missing = GpsdOnPty::MissingPrograms(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    // The SIM holds the test network's IMSI; no other source of it is given to the tracker.
    PtyModem modem(PtyModem::ClassicSim("080910101032547698"), false);
    ASSERT_NE(modem.path, "") << "no pseudo-terminal";
    TrackerHome t("Frequency=1\r\n");
    GpsdOnPty gpsd;
    ASSERT_EQ(gpsd.Start(), "");
    // The receiver keeps talking, as a real one does, until the test ends.
    std::jthread receiver([&gpsd](std::stop_token stop) {
        const auto sentences = CaptureLines(std::string(MZ_TESTDATA_DIR) + "/nmea/bu353s4.log");
        for (std::size_t i = 0;
             !stop.stop_requested() && !sentences.empty() && gpsd.Send({sentences[i]});
             i = (i + 1) % sentences.size()) {
            std::this_thread::sleep_for(20ms);
        }
    });
    t.tracker = std::make_unique<ChildProcess>(
        std::vector<std::string>{MZ_DAEMON, "--gps=gpsd:127.0.0.1:" + gpsd.Port(),
                                 "--modem=at:" + modem.path + ":115200", "--link=route"},
        t.home / "tracker", t.env);
    EXPECT_TRUE(t.Until(
        [&] { return t.Received(R"(imsi=001010123456789 .*ack=yes.*Lat=37\.78)") > 0; }, 40s));
    t.tracker->Signal(SIGTERM);
    EXPECT_EQ(t.tracker->Wait(), 0);
}

}  // namespace
