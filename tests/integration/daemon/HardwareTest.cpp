#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "Pult.h"
#include "support/GpsdOnPty.h"

namespace {

using namespace std::chrono_literals;

// A modem on a pseudo-terminal whose SIM holds the test network's IMSI (no other source of
// it is given to the tracker); OK to anything else.
struct PtyModem {
    PtyModem() {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        if (openpty(&master, &slave, name, &raw, nullptr) == 0) {
            path = name;
            thread = std::jthread([this](std::stop_token stop) { Answer(stop); });
        }
    }
    ~PtyModem() {
        thread = {};  // stops and joins before the descriptors go
        close(master);
        close(slave);
    }
    void Answer(std::stop_token stop) {
        const std::map<std::string, std::string> data = {
            {"AT+CRSM=192,32544", "0000000C7F2002000000000009"},
            {"AT+CRSM=192,28423", "000000096F0704000A000001000000"},
            {"AT+CRSM=176,28423,0,0,9", "080910101032547698"}};
        std::string line;
        for (char c = 0; !stop.stop_requested();) {
            pollfd ready{master, POLLIN, 0};
            if (poll(&ready, 1, 20) <= 0 || read(master, &c, 1) != 1) {
                continue;
            }
            if (c != '\r') {
                line += c;
                continue;
            }
            const auto found = data.find(line);
            const std::string reply =
                (found == data.end() ? "" : "\r\n+CRSM: 144,0,\"" + found->second + "\"\r\n") +
                "\r\nOK\r\n";
            (void)!write(master, reply.data(), reply.size());
            line.clear();
        }
    }

    int master = -1, slave = -1;
    std::string path;
    std::jthread thread;
};

TEST(DaemonOnRealDevices, ReportsAFixFromGpsdWithTheModemsImsi) {
    if (const std::string missing = GpsdOnPty::MissingPrograms(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    TempFolder home;
    PtyModem modem;
    ASSERT_FALSE(modem.path.empty()) << "no pseudo-terminal";
    std::string pultPort;
    auto pult = StartPult(home, "Frequency=1\r\n", pultPort);
    ASSERT_NE(pultPort, "") << pult->Errors();
    GpsdOnPty gpsd;
    ASSERT_EQ(gpsd.Start(), "");

    // The receiver keeps talking, as a real one does, until the test ends.
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        const auto sentences = CaptureLines(std::string(MZ_TESTDATA_DIR) + "/nmea/bu353s4.log");
        for (std::size_t i = 0; !stop && !sentences.empty() && gpsd.Send({sentences[i]});
             i = (i + 1) % sentences.size()) {
            std::this_thread::sleep_for(20ms);
        }
    });
    ChildProcess tracker({MZ_DAEMON, "--gps=gpsd:127.0.0.1:" + gpsd.Port(),
                          "--modem=at:" + modem.path + ":115200", "--link=route"},
                         home / "tracker", {"XDG_DATA_HOME=" + home.Path()});
    const bool reported = WaitFor(
        [&] {
            return std::regex_search(pult->Output(),
                                     std::regex(R"(imsi=001010123456789 .*ack=yes.*Lat=37\.78)"));
        },
        40s);
    stop = true;
    receiver.join();
    ASSERT_TRUE(reported) << "pult:\n"
                          << pult->Output() << "tracker:\n"
                          << tracker.Output() << tracker.Errors();
    EXPECT_NE(tracker.Output().find("Определены координаты GPS"), std::string::npos);
    tracker.Signal(SIGTERM);
    EXPECT_EQ(tracker.Wait(), 0);
}

}  // namespace
