#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "Pult.h"

namespace {

using namespace std::chrono_literals;

int ConnectTo(const std::string& path) {
    sockaddr_un address{AF_UNIX, {}};
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    return connected ? fd : (close(fd), -1);
}

// The tracker's command socket in a runtime folder; "" when there is none.
std::string SocketIn(const std::string& runtime) {
    for (const auto& entry : std::filesystem::directory_iterator(runtime)) {
        if (entry.path().filename().string().starts_with("mzorvanyd-")) {
            return entry.path();
        }
    }
    return "";
}

// A shell command run as user 65534 (nobody), with its output in home/name.
std::unique_ptr<ChildProcess> AsNobody(const TempFolder& home, const std::string& name,
                                       const std::string& command) {
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{
            "/bin/sh", "-c", "exec setpriv --reuid=65534 --regid=65534 --clear-groups " + command},
        home / name);
}

// With the usual limit of 1024 descriptors, a flood of connections that never send a
// line must not starve commands or reports, and another user is refused.
class CommandSocketOf : public testing::TestWithParam<std::string> {};

TEST_P(CommandSocketOf, IdleConnectionsAndOtherUsersCannotStopTheTracker) {
    const std::string program = GetParam();
    rlimit limit{4096, 4096};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    TrackerHome t;
    t.Run({"/bin/sh", "-c",
           "ulimit -n 1024 && exec " + program + " --gps=sim:1,2 " + SimModem + " --link=direct"});
    ASSERT_TRUE(t.Until([&] { return t.Command("show", 30s) == 0; }));
    const std::string path = SocketIn(t.runtime);
    ASSERT_NE(path, "") << "the socket lies in the runtime folder";
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::others_all,
              std::filesystem::perms::none);

    std::vector<int> idle;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (idle.size() < 2000 && std::chrono::steady_clock::now() < deadline) {
        int fd = ConnectTo(path);
        if (fd >= 0) {
            idle.push_back(fd);
        }
    }
    EXPECT_EQ(idle.size(), 2000u);
    EXPECT_EQ(t.Command("test", 30s), 0) << t.Why();
    EXPECT_TRUE(t.Until([&] { return t.Received("code=699.*ack=yes") > 0; }));

    // Let another user through the file permissions: the peer check still refuses it.
    for (const std::string& folder : {t.home.Path(), t.runtime, path}) {
        std::filesystem::permissions(folder, std::filesystem::perms::all);
    }
    auto other =
        AsNobody(t.home, "other",
                 "sh -c \"(sleep 0.5; echo test) | socat -t5 - UNIX-CONNECT:" + path + "\"");
    other->Wait();
    EXPECT_EQ(other->Output(), "refused\n") << other->Errors();
    EXPECT_EQ(t.Command("exit", 30s), 0);
    EXPECT_EQ(t.tracker->Wait(), 0);
    for (int fd : idle) {
        close(fd);
    }
}

INSTANTIATE_TEST_SUITE_P(FrontEnds, CommandSocketOf, testing::ValuesIn(kFrontEnds), FrontEndName);

// A socket another user bound first under the tracker's name is not believed: the command fails.
TEST(CommandSocket, AnAnswerFromAnotherUserIsNotBelieved) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root can be another user here";
    }
    TempFolder home;
    const std::string folder = home / "MZorvany";
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(home.Path(), std::filesystem::perms::all);
    ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
    // Answers "ok" to whatever line comes, as a tracker would.
    auto impostor = AsNobody(home, "impostor",
                             "socat UNIX-LISTEN:" + folder +
                                 "/mzorvanyd.sock,fork SYSTEM:'head -n1 >/dev/null; echo ok'");
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(folder + "/mzorvanyd.sock"); }))
        << impostor->Errors();
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path(), "XDG_RUNTIME_DIR="};
    ChildProcess command({MZ_DAEMON, "--command=exit"}, home / "exit", env);
    EXPECT_EQ(command.Wait(), 1);
    EXPECT_NE(command.Errors().find("mzorvanyd.sock is served by user 65534"), std::string::npos)
        << command.Errors();
}

#ifdef MZ_QT_TRACKER
// Whichever front end runs, the other sees it: a plain start asks it to show itself and
// ends with 2, and the other's --command reaches it and waits for its answer.
TEST(OneTracker, BothFrontEndsShareTheTrackerOfASettingsFolder) {
    for (const auto& [running, other] :
         {std::pair{MZ_DAEMON, MZ_QT_TRACKER}, std::pair{MZ_QT_TRACKER, MZ_DAEMON}}) {
        SCOPED_TRACE(running);
        TrackerHome h;
        auto Start = [&](const char* program, const std::string& name) {
            return std::make_unique<ChildProcess>(
                std::vector<std::string>{program, "--gps=none", "--modem=none", "--link=direct"},
                h.home / name, h.env);
        };
        auto first = Start(running, "running");
        // Its command socket in the runtime folder: it has claimed its settings folder.
        ASSERT_TRUE(WaitFor([&] { return !SocketIn(h.runtime).empty(); })) << first->Errors();
        EXPECT_EQ(Start(other, "second")->Wait(), 2);
        EXPECT_TRUE(WaitFor([&] {
            return first->Errors().find("--command=show received") != std::string::npos;
        })) << first->Errors();
        EXPECT_EQ(ChildProcess({other, "--command=exit"}, h.home / "exit", h.env).Wait(), 0);
        EXPECT_EQ(first->Wait(), 0) << first->Errors();
    }
}
#endif

}  // namespace
