#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

#include "ChildProcess.h"
#include "support/TempFolder.h"

namespace {

using namespace std::chrono_literals;

std::string Which(const std::string& name) {
    for (const char* folder : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/", "/usr/local/bin/"}) {
        if (access((folder + name).c_str(), X_OK) == 0) {
            return folder + name;
        }
    }
    return {};
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

// With port 0: a free port; otherwise whether something accepts there.
int ProbeTcp(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(port);
    socklen_t length = sizeof(address);
    int result = 0;
    if (port == 0) {
        bind(fd, reinterpret_cast<sockaddr*>(&address), length);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        result = ntohs(address.sin_port);
    } else {
        result = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
    }
    close(fd);
    return result;
}

// A modem on a pseudo-terminal whose SIM holds the test network's IMSI.
class SimModem {
public:
    SimModem() {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        if (openpty(&master, &slave, name, &raw, nullptr) == 0) {
            path = name;
            thread = std::thread([this] { Run(); });
        }
    }
    ~SimModem() {
        stop = true;
        if (thread.joinable()) {
            thread.join();
        }
        close(master);
        close(slave);
    }
    std::string path;
    std::atomic<int> imsiReads{0};

private:
    void Run() {
        std::string line;
        while (!stop) {
            char c;
            fd_set set;
            FD_ZERO(&set);
            FD_SET(master, &set);
            timeval wait{0, 50000};
            if (select(master + 1, &set, nullptr, nullptr, &wait) != 1 ||
                read(master, &c, 1) != 1) {
                continue;
            }
            if (c != '\r') {
                line += c;
                continue;
            }
            std::string answer = "\r\nOK\r\n";
            if (line.rfind("AT+CRSM=192,28423", 0) == 0) {
                answer = "\r\n+CRSM: 144,0,\"000000096F0704000A000001000000\"\r\n\r\nOK\r\n";
            } else if (line.rfind("AT+CRSM=192", 0) == 0) {
                answer = "\r\n+CRSM: 144,0,\"0000000C7F2002000000000009\"\r\n\r\nOK\r\n";
            } else if (line == "AT+CRSM=176,28423,0,0,9") {
                answer = "\r\n+CRSM: 144,0,\"080910101032547698\"\r\n\r\nOK\r\n";
                ++imsiReads;
            }
            ssize_t ignored = write(master, answer.data(), answer.size());
            (void)ignored;
            line.clear();
        }
    }

    int master = -1;
    int slave = -1;
    std::atomic<bool> stop{false};
    std::thread thread;
};

TEST(DaemonOnRealDevices, ReportsAFixFromGpsdWithTheModemsImsi) {
    const std::string gpsd = Which("gpsd");
    const std::string socat = Which("socat");
    if (gpsd.empty() || socat.empty()) {
        GTEST_SKIP() << "gpsd and socat are needed";
    }
    TempFolder home;
    SimModem modem;
    ASSERT_FALSE(modem.path.empty()) << "no pseudo-terminal";

    std::string pultPort;
    auto pult = StartPult(home.Path(), pultPort);
    ASSERT_NE(pultPort, "") << pult->Errors();
    std::filesystem::create_directories(home / "MZorvany");
    WriteWholeFile(home / "MZorvany/params.ini",
                   "MainServer=127.0.0.1\r\nPort=" + pultPort + "\r\nFrequency=1\r\n");

    ChildProcess pty({socat, "pty,raw,echo=0,link=" + (home / "gps-in"),
                      "pty,raw,echo=0,link=" + (home / "gps-dev")},
                     {}, home / "socat.out", home / "socat.err");
    ASSERT_TRUE(WaitFor([&] {
        return std::filesystem::exists(home / "gps-in") &&
               std::filesystem::exists(home / "gps-dev");
    })) << "socat made no pty pair";
    const int port = ProbeTcp(0);
    ChildProcess daemonGps(
        {gpsd, "-N", "-n", "-b", "-S", std::to_string(port), "-F", home / "gpsd.sock",
         std::filesystem::canonical(home / "gps-dev").string()},
        {}, home / "gpsd.out", home / "gpsd.err");
    ASSERT_TRUE(WaitFor([&] { return ProbeTcp(port) == 1; })) << "gpsd did not listen";

    // The receiver keeps talking, as a real one does, until the test ends.
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        std::vector<std::string> sentences;
        std::ifstream capture(std::string(MZ_TESTDATA_DIR) + "/nmea/bu353s4.log");
        for (std::string line; std::getline(capture, line);) {
            if (!line.empty() && line[0] != '#') {
                sentences.push_back(line.substr(0, line.find_last_not_of("\r\n") + 1) + "\r\n");
            }
        }
        std::ofstream out(home / "gps-in", std::ios::binary);
        for (std::size_t i = 0; !stop && !sentences.empty(); i = (i + 1) % sentences.size()) {
            out << sentences[i] << std::flush;
            std::this_thread::sleep_for(20ms);
        }
    });

    ChildProcess tracker({MZ_DAEMON, "--gps=gpsd:127.0.0.1:" + std::to_string(port),
                          "--modem=at:" + modem.path + ":115200", "--link=route"},
                         {"XDG_DATA_HOME=" + home.Path()}, home / "tracker.out",
                         home / "tracker.err");
    bool reported = WaitFor(
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
    EXPECT_GE(modem.imsiReads.load(), 1);
    tracker.Signal(SIGTERM);
    EXPECT_EQ(tracker.Wait(20s), 0);
}

}  // namespace
