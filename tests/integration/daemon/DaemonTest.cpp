#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "Pult.h"
#include "support/GpsdOnPty.h"
#include "support/KeyRecords.h"
#include "support/PrivateNetwork.h"
#include "support/PtyModem.h"
#include "support/TextCount.h"

namespace {

using namespace std::chrono_literals;

// A life without CAP_WAKE_ALARM, as a user's: it reports, saying once why suspends delay it.
TEST(Daemon, TestAlarmSecondStartSignalsResumeAndExit) {
    const std::string setpriv = FindProgram("setpriv");
    ASSERT_NE(setpriv, "") << "setpriv (util-linux) is needed";
    TrackerHome t("Frequency=144000\r\nAlertPressTime=2\r\nPermittedKeys=112\r\n");
    const std::string fifo = t.KeyFifo();
    ASSERT_NE(fifo, "");
    // clang-format off
    const std::vector<std::string> command = {setpriv, "--inh-caps=-wake_alarm",
        "--ambient-caps=-wake_alarm", "--bounding-set=-wake_alarm", "--", MZ_DAEMON,
        "--gps=sim:55.7512,37.6184,150", SimModem, "--keys=" + fifo};
    // clang-format on
    t.Run(command);
    ASSERT_TRUE(t.Until([&] { return t.Command("show") == 0; }));
    ASSERT_TRUE(t.Reported(1));
    EXPECT_GE(t.Log(R"(\d\d:\d\d:\d\d Начало передачи сообщения 699)"), 1) << t.Why();
    EXPECT_EQ(t.Received("imsi=001010123456789 .*code=699.*ack=yes"), 1) << t.Why();

    // A second start asks the first to show itself and leaves, saying why.
    ChildProcess second(command, t.home / "second", t.env);
    EXPECT_EQ(second.Wait(), 2);
    EXPECT_NE(second.Errors().find("a tracker already runs for"), std::string::npos);

    // SIGUSR1 and SIGUSR2 are ignored; SIGHUP reads params.ini again: now F2 is the key.
    t.tracker->Signal(SIGUSR1);
    t.tracker->Signal(SIGUSR2);
    WriteWholeFile(
        t.home / "MZorvany/params.ini",
        "MainServer=127.0.0.1\r\nPort=" + t.port + "\r\nAlertPressTime=2\r\nPermittedKeys=113\r\n");
    t.tracker->Signal(SIGHUP);

    // A held key raises the alarm; its auto-repeat changes nothing.
    const int keys = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(keys, 0);
    ASSERT_TRUE(WriteKey(keys, KEY_F2, 1) && WriteKey(keys, KEY_F2, 2));
    ASSERT_TRUE(t.Until([&] { return t.Log("Сообщение 122 передано") == 1; }));
    ASSERT_TRUE(WriteKey(keys, KEY_F2, 0));
    close(keys);
    // SIGTERM keeps the alarm's record: the next start goes on with the alarm.
    t.tracker->Signal(SIGTERM);
    EXPECT_EQ(t.tracker->Wait(), 0) << t.Why();
    EXPECT_EQ(CountMatches(t.tracker->Errors(), "cannot set wake alarms"), 1) << t.Why();
    EXPECT_TRUE(std::filesystem::exists(t.home / "MZorvany/alarm.ini"));
    EXPECT_EQ(t.Command("show"), 1) << "none runs any more";

    // The exit command ends a tracker, and its alarm, as Yes to the close question would.
    t.Run(command);
    ASSERT_TRUE(t.Until([&] { return t.Command("exit") == 0; }));
    EXPECT_EQ(t.tracker->Wait(), 0);
    EXPECT_EQ(t.Log("Тревога возобновлена"), 1) << t.Why();
    EXPECT_FALSE(std::filesystem::exists(t.home / "MZorvany/alarm.ini"));
}

// Both front ends start alike: the same answer to options they cannot use.
TEST(Startup, BothProgramsRefuseABadOptionAndUnservableOptionsAlike) {
    TrackerHome h;
    for (const std::string& program : kFrontEnds) {
        const std::string name = std::filesystem::path(program).filename();
        ChildProcess bad({program, "--gps=serial"}, h.home / (name + "bad"), h.env);
        EXPECT_EQ(bad.Wait(), 64);
        EXPECT_EQ(bad.Errors(), name + ": --gps takes gpsd[:HOST:PORT], sim:LAT,LON[,ALT] or " +
                                    "none\nTry " + name + " --help.\n");
        ChildProcess unservable({program, "--gps=sim:north", "--modem=none", "--link=direct"},
                                h.home / (name + "unservable"), h.env);
        EXPECT_EQ(unservable.Wait(), 64);
        EXPECT_EQ(unservable.Errors(),
                  name + ": --gps=sim:north: not a latitude and longitude in decimal degrees\n");
        EXPECT_EQ(bad.Output() + unservable.Output(), "");
    }
}

// Stopped (a debugger) past an alarm follow-up's time, it sends the follow-up once it goes on.
TEST(StoppedTracker, SendsAnOverdueFollowUpAsSoonAsItGoesOn) {
    for (const std::string& program : kFrontEnds) {
        SCOPED_TRACE(program);
        TrackerHome t("Frequency=144000\r\nAlertPressTime=1\r\nPermittedKeys=112\r\n");
        const std::string fifo = t.KeyFifo();
        ASSERT_NE(fifo, "");
        t.Run({program, "--gps=sim:55.7512,37.6184,150", SimModem, "--link=direct",
               "--keys=" + fifo});
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

// Endless keys, and output and error on pipes nobody reads (Ctrl-S, a slow journal), stop no
// report, command or SIGTERM; stopped, it keeps no command waiting, even past a full queue.
TEST(HostileInput, EndlessKeysAndFullOutputPipesDoNotStopTheLoop) {
    TrackerHome t;
    std::vector<int> pipes;
    for (const char* name : {"out", "err"}) {
        ASSERT_EQ(mkfifo((t.home / name).c_str(), 0600), 0);
        pipes.push_back(open((t.home / name).c_str(), O_RDWR | O_NONBLOCK));
        const std::string filler(4096, 'x');
        while (write(pipes.back(), filler.data(), filler.size()) > 0) {
        }
    }
    t.Run({"/bin/sh", "-c",
           std::string("exec ") + MZ_DAEMON + " --gps=sim:1,2 " + SimModem + " --keys=/dev/zero >" +
               t.home / "out" + " 2>" + t.home / "err"});
    ASSERT_TRUE(t.Until([&] { return t.Command("test", 30s) == 0; }, 15s));
    EXPECT_TRUE(t.Until([&] { return t.Received("code=699.*ack=yes") > 0; }));
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(t.Command("show", 30s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);

    t.tracker->Signal(SIGSTOP);
    std::vector<std::unique_ptr<ChildProcess>> commands;
    for (int i = 0; i < 12; ++i) {  // more than the listening queue holds
        commands.push_back(
            std::make_unique<ChildProcess>(std::vector<std::string>{MZ_DAEMON, "--command=test"},
                                           t.home / ("waiting" + std::to_string(i)), t.env));
    }
    for (auto& command : commands) {
        EXPECT_EQ(command->Wait(30s), 1);
    }
    t.tracker->Signal(SIGCONT);
    t.tracker->Signal(SIGTERM);
    EXPECT_EQ(t.tracker->Wait(5s), 0);
    for (int fd : pipes) {
        close(fd);
    }
}

// The link waits for its route ever more rarely; the returning address ends the wait at once.
TEST(NetworkReturn, AReportWaitingForTheRouteGoesAsTheAddressReturns) {
    const bool made = InPrivateNetwork([] {
        TrackerHome t;
        t.Run({MZ_DAEMON, "--link=route", "--gps=sim:55.7512,37.6184,150", SimModem});
        ASSERT_TRUE(t.Until([&] { return t.Command("show") == 0; }));
        // Without its address loopback has no route: the link to the pult cannot come up.
        ASSERT_EQ(std::system("PATH=/usr/sbin:/sbin:$PATH ip addr del 127.0.0.1/8 dev lo"), 0);
        ASSERT_EQ(t.Command("test"), 0);
        // 5 s of looks every tick, then waits of 1, 2, 4, 8 and 16 s: by now it waits 32 s.
        std::this_thread::sleep_for(40s);
        ASSERT_EQ(t.Delivered(), 0);
        ASSERT_EQ(std::system("PATH=/usr/sbin:/sbin:$PATH ip addr add 127.0.0.1/8 dev lo"), 0);
        EXPECT_TRUE(t.Until([&] { return t.Delivered() == 1; }, 4s));
    });
    if (!made) {
        GTEST_SKIP() << "no private network namespace (needs root and iproute2)";
    }
}

// A real gpsd on a pty and an AT modem on a pty; the IMSI comes from the modem's SIM only.
TEST(DaemonOnRealDevices, ReportsAFixFromGpsdWithTheModemsImsi) {
    if (const std::string missing = GpsdOnPty::MissingPrograms(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
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
    t.Run({MZ_DAEMON, "--gps=gpsd:127.0.0.1:" + gpsd.Port(), "--modem=at:" + modem.path + ":115200",
           "--link=route"});
    EXPECT_TRUE(t.Until(
        [&] { return t.Received(R"(imsi=001010123456789 .*ack=yes.*Lat=37\.78)") > 0; }, 40s));
    t.tracker->Signal(SIGTERM);
    EXPECT_EQ(t.tracker->Wait(), 0);
}

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

// A shell command run as user 65534 (nobody).
std::vector<std::string> AsNobody(const std::string& command) {
    return {"/bin/sh", "-c", "exec setpriv --reuid=65534 --regid=65534 --clear-groups " + command};
}

// With 1024 descriptors, idle connections starve no command or report; another user is refused.
class CommandSocketOf : public testing::TestWithParam<std::string> {};

TEST_P(CommandSocketOf, IdleConnectionsAndOtherUsersCannotStopTheTracker) {
    rlimit limit{4096, 4096};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    TrackerHome t;
    t.Run(
        {"/bin/sh", "-c",
         "ulimit -n 1024 && exec " + GetParam() + " --gps=sim:1,2 " + SimModem + " --link=direct"});
    ASSERT_TRUE(t.Until([&] { return t.Command("show", 30s) == 0; }));
    const std::string path = SocketIn(t.runtime);
    ASSERT_NE(path, "") << "the socket lies in the runtime folder";
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::others_all,
              std::filesystem::perms::none);

    std::vector<int> idle;
    for (const auto end = std::chrono::steady_clock::now() + 20s;
         idle.size() < 2000 && std::chrono::steady_clock::now() < end;) {
        if (const int fd = ConnectTo(path); fd >= 0) {
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
    ChildProcess other(
        AsNobody("sh -c \"(sleep 0.5; echo test) | socat -t5 - UNIX-CONNECT:" + path + "\""),
        t.home / "other");
    other.Wait();
    EXPECT_EQ(other.Output(), "refused\n") << other.Errors();
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
    ChildProcess impostor(AsNobody("socat UNIX-LISTEN:" + folder +
                                   "/mzorvanyd.sock,fork SYSTEM:'head -n1 >/dev/null; echo ok'"),
                          home / "impostor");
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(folder + "/mzorvanyd.sock"); }))
        << impostor.Errors();
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
