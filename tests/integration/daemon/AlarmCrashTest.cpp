#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/input.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "Pult.h"

namespace {

using namespace std::chrono_literals;

// A UDP port on loopback that takes datagrams and never answers: the control room down.
int SilentPort(std::string& port) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    port = std::to_string(ntohs(address.sin_port));
    return fd;
}

// SIGKILL two seconds into an alarm while the control room is unreachable; at the next
// start, with the control room back, the 122 arrives and the follow-ups go on.
TEST(AlarmCrash, AnAlarmKilledBeforeItsAnswerIsSentAgainAtTheNextStart) {
    TempFolder home;
    std::string port;
    const int silent = SilentPort(port);
    ASSERT_GE(silent, 0);
    std::filesystem::create_directories(home / "MZorvany");
    WriteWholeFile(home / "MZorvany/params.ini",
                   "MainServer=127.0.0.1\r\nPort=" + port +
                       "\r\nFrequency=144000\r\nAlertPressTime=1\r\nPermittedKeys=112\r\n");
    const std::string fifo = home / "keys";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path()};
    auto StartTracker = [&](const std::string& name) {
        return StartKeyedTracker(home, name, "sim:55.7512,37.6184", fifo, env);
    };
    auto tracker = StartTracker("first");
    ASSERT_TRUE(WaitFor([&] { return TrackerCommand(home, "show", env) == 0; }));
    const int keys = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(keys, 0);
    const input_event down[2] = {{{}, EV_KEY, KEY_F1, 1}, {{}, EV_SYN, 0, 0}};
    ASSERT_EQ(write(keys, down, sizeof(down)), static_cast<ssize_t>(sizeof(down)));
    ASSERT_TRUE(WaitFor([&] {
        return tracker->Output().find("Начало передачи сообщения 122") != std::string::npos;
    })) << tracker->Output();
    close(keys);
    std::this_thread::sleep_for(2s);
    tracker->Signal(SIGKILL);
    tracker->Wait();
    EXPECT_TRUE(std::filesystem::exists(home / "MZorvany/alarm.ini"));

    close(silent);
    auto pult = std::make_unique<ChildProcess>(
        std::vector<std::string>{MZ_PULT, "--listen", "127.0.0.1:" + port}, home / "pult");
    ASSERT_TRUE(WaitFor([&] { return pult->Errors().find("listening") != std::string::npos; }));
    tracker = StartTracker("second");
    EXPECT_TRUE(WaitFor([&] {
        return std::regex_search(pult->Output(), std::regex(R"(code=122.*ack=yes)"));
    })) << pult->Output()
        << tracker->Output();
    EXPECT_TRUE(WaitFor([&] {
        return std::regex_search(pult->Output(), std::regex(R"(code=699.*ack=yes)"));
    })) << "the follow-ups go on: "
        << pult->Output();
    EXPECT_NE(tracker->Output().find("Тревога возобновлена"), std::string::npos);
    tracker->Signal(SIGTERM);
    EXPECT_EQ(tracker->Wait(), 0);
    EXPECT_TRUE(std::filesystem::exists(home / "MZorvany/alarm.ini")) << "a SIGTERM keeps it";
}

}  // namespace
