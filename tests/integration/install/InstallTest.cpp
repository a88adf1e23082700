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

// The build installed with cmake --install into a fresh temporary prefix, once for all
// the tests here.
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

struct PlacedFile {
    const char* name;
    const char* path;
    bool qtOnly;
};

const PlacedFile kPlaced[] = {
    {"Daemon", "bin/mzorvanyd", false},
    {"Pult", "bin/mzorvany-pult", false},
    {"QtProgram", "bin/mzorvany", true},
    {"AlertSound", "share/mzorvany/alert.wav", false},
    {"SystemUnit", kSystemUnit, false},
    {"UserUnit", kUserUnit, false},
    {"DesktopEntry", kDesktop, true},
    {"Autostart", kAutostart, true},
    {"Metainfo", kMetainfo, true},
    {"Icon32", "share/icons/hicolor/32x32/apps/org.mzorvany.Tracker.png", true},
    {"Icon256", "share/icons/hicolor/256x256/apps/org.mzorvany.Tracker.png", true},
    {"DaemonManual", "share/man/man1/mzorvanyd.1.gz", false},
    {"PultManual", "share/man/man1/mzorvany-pult.1.gz", false},
    {"QtManual", "share/man/man1/mzorvany.1.gz", true},
    {"Copyright", "share/doc/mzorvanyd/copyright", false},
    {"Changelog", "share/doc/mzorvanyd/changelog.gz", false},
    {"PultCopyright", "share/doc/mzorvany-pult/copyright", false},
    {"QtCopyright", "share/doc/mzorvany/copyright", true},
    {"SleepInhibitorRule", "share/polkit-1/rules.d/60-mzorvanyd.rules", false},
};

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
    for (const PlacedFile& file : kPlaced) {
        if (file.qtOnly && !MZ_WITH_QT) {
            continue;
        }
        const std::string path = In(file.path);
        EXPECT_TRUE(fs::is_regular_file(path) && fs::file_size(path) > 0)
            << file.name << ": " << path;
        if (std::string(file.path).starts_with("bin/")) {
            EXPECT_EQ(access(path.c_str(), X_OK), 0) << file.name;
        }
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
    // The manual pages are checked above; systemd-analyze would look for them in the
    // system's folders.
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

struct UnitLine {
    const char* name;
    const char* line;
    bool wanted;
};

// What keeps the tracker alive and able to work under systemd's sandbox; systemd-analyze
// accepts a unit without any of it.
const UnitLine kSystemUnitLines[] = {
    {"NotifiesReadiness", "\nType=notify\n", true},
    {"HasAWatchdog", "\nWatchdogSec=", true},
    {"AlwaysRestarts", "\nRestart=always\n", true},
    {"NeverGivesUpRestarting", "\nStartLimitIntervalSec=0\n", true},
    // Restarted, it would ask the desktop tracker running instead to show itself every 2 s.
    {"RunsAsTheInstancesUser", "\nUser=%i\n", true},
    {"ReadsKeysAndModem", "\nSupplementaryGroups=input dialout", true},
    {"SetsWakeAlarms", "\nAmbientCapabilities=CAP_WAKE_ALARM\n", true},
    {"WritesItsDataFolder", "\nReadWritePaths=-/home/%i/.local/share/MZorvany\n", true},
    // A bad option or a second instance is not mended by restarting.
    {"StopsOnBadOptionOrSecondInstance", "\nRestartPreventExitStatus=64 2\n", true},
    {"StartsAfterModemAndNetwork", "\nAfter=ModemManager.service NetworkManager.service\n", true},
    // runuser opens a PAM session on every start.
    {"NoLoginSessionPerStart", "runuser", false},
    // Either would close the key devices, the modem or the wake alarms.
    {"NoProtectClock", "\nProtectClock=", false},
    {"NoPrivateDevices", "\nPrivateDevices=", false},
};

TEST_F(Install, SystemUnitKeepsTheTrackerAliveAndAbleToWork) {
    const std::string unit = ReadWholeFile(In(kSystemUnit));
    for (const UnitLine& each : kSystemUnitLines) {
        EXPECT_EQ(unit.find(each.line) != std::string::npos, each.wanted) << each.name;
    }
}

// Every datagram that arrives on a bound unix socket within the time, one per line: the
// service manager's notify socket, played by the test.
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

// The installed daemon, with nothing beside it, under a service manager: ready, then with
// a 400 ms watchdog it pings about every 100 ms while the loop turns and is silent while it
// hangs (stopped); a held key plays the alarm sound from share/mzorvany (a stand-in player
// on the PATH records what it was asked to play).
TEST_F(Install, InstalledDaemonNotifiesItsWatchdogAndFindsTheAlarmSound) {
    const TempFolder& home = *folder;
    fs::create_directories(home / "tools");
    fs::create_directories(home / "data/MZorvany");
    WriteWholeFile(home / "tools/aplay", "#!/bin/sh\nfor a; do last=$a; done\necho \"$last\" >>" +
                                             (home / "played") + "\n");
    fs::permissions(home / "tools/aplay", fs::perms::owner_all);
    WriteWholeFile(home / "data/MZorvany/params.ini", "AlertPressTime=0\r\nFrequency=144000\r\n");
    const std::string fifo = home / "keys";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int notify = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (home / "notify").c_str(), sizeof(address.sun_path) - 1);
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
