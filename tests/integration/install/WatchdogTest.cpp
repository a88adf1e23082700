#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "Installed.h"
#include "support/TextCount.h"

namespace {

using namespace std::chrono_literals;

// The socket a service manager gives a Type=notify service, played by the test.
class NotifySocket {
public:
    explicit NotifySocket(const std::string& path) : path_(path) {
        fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        bound_ = path.size() < sizeof(address.sun_path) &&
                 bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        timeval wait{0, 50'000};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
    }
    ~NotifySocket() { close(fd_); }

    bool Bound() const { return bound_; }
    // Every message that arrives within the time, one per line.
    std::string Collect(std::chrono::milliseconds time) {
        std::string all;
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            char buffer[4096];
            const ssize_t size = recv(fd_, buffer, sizeof(buffer), 0);
            if (size > 0) {
                all.append(buffer, static_cast<std::size_t>(size)).append("\n");
            }
        }
        return all;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool bound_ = false;
};

// With a 400 ms watchdog the loop must ping about every 100 ms; a stopped daemon is the
// hung loop systemd has to notice, and a continued one pings again.
TEST(Watchdog, ReadyThenPingsWhileTheLoopTurnsAndSilenceWhenItHangs) {
    Installed installed;
    ASSERT_TRUE(installed.Ok()) << installed.Log();
    const TempFolder& home = installed.folder;
    NotifySocket notify(home / "notify");
    ASSERT_TRUE(notify.Bound()) << std::strerror(errno);
    ChildProcess daemon({installed / "bin/mzorvanyd", "--gps=none"}, home / "daemon",
                        {"XDG_DATA_HOME=" + (home / "data"), "NOTIFY_SOCKET=" + (home / "notify"),
                         "WATCHDOG_USEC=400000"});

    std::string started;
    ASSERT_TRUE(WaitFor([&] {
        started += notify.Collect(200ms);
        return started.find("READY=1") != std::string::npos;
    })) << daemon.Errors();
    EXPECT_NE(started.find("READY=1\nSTATUS="), std::string::npos) << started;

    EXPECT_GE(CountOccurrences(notify.Collect(1000ms), "WATCHDOG=1"), 4);

    daemon.Signal(SIGSTOP);
    notify.Collect(200ms);  // a ping sent just before the stop
    EXPECT_EQ(CountOccurrences(notify.Collect(1000ms), "WATCHDOG=1"), 0);

    daemon.Signal(SIGCONT);
    EXPECT_GE(CountOccurrences(notify.Collect(1000ms), "WATCHDOG=1"), 4);

    daemon.Signal(SIGTERM);
    EXPECT_EQ(daemon.Wait(), 0);
    EXPECT_NE(notify.Collect(200ms).find("STOPPING=1"), std::string::npos);
}

}  // namespace
