#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <utility>

#include "Pult.h"
#include "support/GpsdOnPty.h"

namespace {

using namespace std::chrono_literals;

// A modem on a pseudo-terminal whose SIM holds the test network's IMSI (no other source of
// it is given to the tracker), OK to anything else; answers each line ending in CR.
void AnswerAsModem(int master, std::stop_token stop) {
    const std::map<std::string, std::string> data = {
        {"AT+CRSM=192,32544", "0000000C7F2002000000000009"},
        {"AT+CRSM=192,28423", "000000096F0704000A000001000000"},
        {"AT+CRSM=176,28423,0,0,9", "080910101032547698"}};
    std::string line;
    for (char c = 0; !stop.stop_requested();) {
        pollfd ready{master, POLLIN, 0};
        if (poll(&ready, 1, 20) <= 0 || read(master, &c, 1) != 1 || (line += c).back() != '\r') {
            continue;
        }
        line.pop_back();
        const auto found = data.find(std::exchange(line, ""));
        const std::string reply =
            (found == data.end() ? "" : "\r\n+CRSM: 144,0,\"" + found->second + "\"\r\n") +
            "\r\nOK\r\n";
        (void)!write(master, reply.data(), reply.size());
    }
}

TEST(DaemonOnRealDevices, ReportsAFixFromGpsdWithTheModemsImsi) {
    if (const std::string missing = GpsdOnPty::MissingPrograms(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    int master = -1, slave = -1;
    char modemPath[128] = {};
    termios raw{};
    cfmakeraw(&raw);
    ASSERT_EQ(openpty(&master, &slave, modemPath, &raw, nullptr), 0) << "no pseudo-terminal";
    std::jthread modem([master](std::stop_token stop) { AnswerAsModem(master, stop); });
    TempFolder home;
    std::string pultPort;
    auto pult = StartPult(home, "Frequency=1\r\n", pultPort);
    ASSERT_NE(pultPort, "") << pult->Errors();
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
    ChildProcess tracker({MZ_DAEMON, "--gps=gpsd:127.0.0.1:" + gpsd.Port(),
                          "--modem=at:" + std::string(modemPath) + ":115200", "--link=route"},
                         home / "tracker", {"XDG_DATA_HOME=" + home.Path()});
    EXPECT_TRUE(WaitFor(
        [&] {
            return std::regex_search(pult->Output(),
                                     std::regex(R"(imsi=001010123456789 .*ack=yes.*Lat=37\.78)"));
        },
        40s))
        << pult->Output() << tracker.Output() << tracker.Errors();
    tracker.Signal(SIGTERM);
    EXPECT_EQ(tracker.Wait(), 0);
    modem = {};  // stops before the descriptors go
    close(master);
    close(slave);
}

}  // namespace
