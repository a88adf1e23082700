#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/KeyRecords.h"
#include "support/TempFolder.h"
#include "support/TextCount.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The build installed with cmake --install into a temporary prefix, once for all tests here.
struct Install : ::testing::Test {
    static void SetUpTestSuite() {
        folder = new TempFolder;
        ChildProcess install({MZ_CMAKE, "--install", MZ_BINARY_DIR, "--prefix", *folder / "usr"},
                             *folder / "install");
        installed = install.Wait(120s) == 0;
        log = install.Output() + install.Errors();
    }
    static void TearDownTestSuite() { delete folder; }
    void SetUp() override { ASSERT_TRUE(installed) << log; }
    static std::string In(const std::string& name) { return *folder / ("usr/" + name); }

    static inline TempFolder* folder = nullptr;
    static inline bool installed = false;
    static inline std::string log;
};

constexpr const char* kSystemUnit = "lib/systemd/system/mzorvanyd@.service";
constexpr const char* kUserUnit = "lib/systemd/user/mzorvanyd.service";
constexpr const char* kDesktop = "share/applications/org.mzorvany.Tracker.desktop";
constexpr const char* kAutostart = "etc/xdg/autostart/org.mzorvany.Tracker.desktop";
constexpr const char* kMetainfo = "share/metainfo/org.mzorvany.Tracker.metainfo.xml";

// clang-format off
const std::vector<std::string> kPlaced = {
    "bin/mzorvanyd", "bin/mzorvany-pult", "share/mzorvany/alert.wav", kSystemUnit, kUserUnit,
    "share/man/man1/mzorvanyd.1.gz", "share/man/man1/mzorvany-pult.1.gz",
    "share/doc/mzorvanyd/copyright", "share/doc/mzorvanyd/changelog.gz",
    "share/doc/mzorvany-pult/copyright", "share/polkit-1/rules.d/60-mzorvanyd.rules"};
const std::vector<std::string> kPlacedWithQt = {
    "bin/mzorvany", kDesktop, kAutostart, kMetainfo, "share/man/man1/mzorvany.1.gz",
    "share/icons/hicolor/32x32/apps/org.mzorvany.Tracker.png",
    "share/icons/hicolor/256x256/apps/org.mzorvany.Tracker.png", "share/doc/mzorvany/copyright"};
// clang-format on

// A tool's exit status, with what it said in message.
int RunTool(const std::string& name, std::vector<std::string> command, std::string& message,
            const std::vector<std::string>& env = {}) {
    command.front() = FindProgram(command.front());
    if (command.front().empty()) {
        message = name + ": program not installed";
        return -1;
    }
    ChildProcess tool(command, *Install::folder / name, env);
    const int status = tool.Wait(60s).value_or(-1);
    message = tool.Output() + tool.Errors();
    return status;
}

TEST_F(Install, PutsEveryFileInItsPlace) {
    std::vector<std::string> placed = kPlaced;
    placed.insert(placed.end(), kPlacedWithQt.begin(),
                  MZ_WITH_QT ? kPlacedWithQt.end() : kPlacedWithQt.begin());
    for (const std::string& file : placed) {
        const std::string path = In(file);
        EXPECT_TRUE(fs::is_regular_file(path) && fs::file_size(path) > 0) << path;
        EXPECT_TRUE(!file.starts_with("bin/") || access(path.c_str(), X_OK) == 0) << path;
    }
    // Units name the program where it was installed, not where the build configured it.
    for (const char* unit : {kSystemUnit, kUserUnit}) {
        EXPECT_NE(ReadWholeFile(In(unit)).find("ExecStart=" + In("bin/mzorvanyd ")),
                  std::string::npos)
            << unit;
    }
    std::string manual;
    EXPECT_EQ(RunTool("man", {"gzip", "-dc", In("share/man/man1/mzorvanyd.1.gz")}, manual), 0);
    EXPECT_NE(manual.find("\\-\\-keys"), std::string::npos)
        << "the manual page lacks the program's own options";
    if (MZ_WITH_QT) {
        // A version without release notes would be published with the last one's.
        EXPECT_NE(ReadWholeFile(In(kMetainfo)).find("<release version=\"" MZ_VERSION "\""),
                  std::string::npos);
    }
}

struct Validator {
    const char* name;
    std::vector<std::string> command;
    bool silent;  // systemd-analyze only warns about unknown keys
    bool qtOnly;
};

TEST_F(Install, ValidatorsAcceptWhatWasInstalled) {
    const std::string runtime = *folder / "runtime";
    fs::create_directories(runtime);
    // systemd-analyze would look for the manual pages in the system's folders.
    // clang-format off
    const Validator validators[] = {
        {"desktop", {"desktop-file-validate", In(kDesktop), In(kAutostart)}, true, true},
        {"appstream", {"appstreamcli", "validate", "--no-net", In(kMetainfo)}, false, true},
        {"system", {"systemd-analyze", "verify", "--man=no", In(kSystemUnit)}, true, false},
        {"user", {"systemd-analyze", "--user", "verify", "--man=no", In(kUserUnit)}, true, false}};
    // clang-format on
    for (const Validator& tool : validators) {
        std::string message;
        if (!tool.qtOnly || MZ_WITH_QT) {
            EXPECT_EQ(RunTool(tool.name, tool.command, message, {"XDG_RUNTIME_DIR=" + runtime}), 0)
                << message;
            EXPECT_TRUE(!tool.silent || message.empty()) << tool.name << ": " << message;
        }
    }
}

// What keeps the tracker alive and able to work under systemd's sandbox; systemd-analyze
// accepts a unit without any of it.
TEST_F(Install, SystemUnitKeepsTheTrackerAliveAndAbleToWork) {
    const std::string unit = ReadWholeFile(In(kSystemUnit));
    for (const char* wanted :
         {"\nType=notify\n", "\nWatchdogSec=", "\nRestart=always\n", "\nStartLimitIntervalSec=0\n",
          // Restarted, it would ask a desktop tracker running instead to show itself every 2 s.
          "\nUser=%i\n", "\nSupplementaryGroups=input dialout",
          "\nAmbientCapabilities=CAP_WAKE_ALARM\n",
          "\nReadWritePaths=-/home/%i/.local/share/MZorvany\n",
          "\nRestartPreventExitStatus=64 2\n",  // a bad option, a second tracker
          "\nAfter=ModemManager.service NetworkManager.service\n"}) {
        EXPECT_NE(unit.find(wanted), std::string::npos) << wanted;
    }
    // runuser opens a PAM session per start; the others close key devices, modem, wake alarms.
    for (const char* unwanted : {"runuser", "\nProtectClock=", "\nPrivateDevices="}) {
        EXPECT_EQ(unit.find(unwanted), std::string::npos) << unwanted;
    }
}

// Each datagram arriving on the test's notify socket within the time, one per line.
std::string Collect(int fd, std::chrono::milliseconds time) {
    std::string all;
    for (const auto end = std::chrono::steady_clock::now() + time;
         std::chrono::steady_clock::now() < end;) {
        char buffer[4096];
        const ssize_t size = recv(fd, buffer, sizeof(buffer), 0);
        if (size > 0) {
            all.append(buffer, static_cast<std::size_t>(size)).append("\n");
        }
    }
    return all;
}

// The installed daemon under a service manager: ready, a ping about every 100 ms of a 400 ms
// watchdog while the loop turns, none while stopped; a held key plays share/mzorvany's sound.
TEST_F(Install, InstalledDaemonNotifiesItsWatchdogAndFindsTheAlarmSound) {
    const TempFolder& home = *folder;
    fs::create_directories(home / "tools");
    fs::create_directories(home / "data/MZorvany");
    // A stand-in player on the PATH records what it was asked to play.
    WriteWholeFile(home / "tools/aplay", "#!/bin/sh\nfor a; do last=$a; done\necho \"$last\" >>" +
                                             (home / "played") + "\n");
    fs::permissions(home / "tools/aplay", fs::perms::owner_all);
    WriteWholeFile(home / "data/MZorvany/params.ini", "AlertPressTime=0\r\nFrequency=144000\r\n");
    const std::string fifo = home / "keys";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int notify = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{AF_UNIX, {}};
    std::string(home / "notify").copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(notify, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0)
        << std::strerror(errno);
    const timeval wait{0, 50'000};
    setsockopt(notify, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
    ChildProcess daemon({In("bin/mzorvanyd"), "--gps=none", "--keys=" + fifo}, home / "daemon",
                        {"XDG_DATA_HOME=" + (home / "data"), "NOTIFY_SOCKET=" + (home / "notify"),
                         "WATCHDOG_USEC=400000", "PATH=" + (home / "tools") + ":/usr/bin:/bin"});
    std::string started;
    ASSERT_TRUE(WaitFor([&] {
        started += Collect(notify, 200ms);
        return started.find("READY=1") != std::string::npos;
    })) << daemon.Errors();
    EXPECT_NE(started.find("READY=1\nSTATUS="), std::string::npos) << started;
    EXPECT_GE(CountMatches(Collect(notify, 1000ms), "WATCHDOG=1"), 4);

    const int keys = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(keys, 0);
    ASSERT_TRUE(WriteKey(keys, KEY_F1, 1));
    EXPECT_TRUE(WaitFor([&] { return !ReadWholeFile(home / "played").empty(); }))
        << daemon.Output() << daemon.Errors();
    EXPECT_EQ(ReadWholeFile(home / "played"), In("share/mzorvany/alert.wav\n"));
    close(keys);

    daemon.Signal(SIGSTOP);
    Collect(notify, 200ms);  // a ping sent just before the stop
    EXPECT_EQ(CountMatches(Collect(notify, 1000ms), "WATCHDOG=1"), 0);
    daemon.Signal(SIGCONT);
    EXPECT_GE(CountMatches(Collect(notify, 1000ms), "WATCHDOG=1"), 4);
    daemon.Signal(SIGTERM);
    EXPECT_EQ(daemon.Wait(), 0);
    EXPECT_NE(Collect(notify, 200ms).find("STOPPING=1"), std::string::npos);
    close(notify);
}

}  // namespace
