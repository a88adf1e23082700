#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Installed.h"

namespace {

namespace fs = std::filesystem;

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
    {"SystemUnit", "lib/systemd/system/mzorvanyd@.service", false},
    {"UserUnit", "lib/systemd/user/mzorvanyd.service", false},
    {"DesktopEntry", "share/applications/org.mzorvany.Tracker.desktop", true},
    {"Autostart", "etc/xdg/autostart/org.mzorvany.Tracker.desktop", true},
    {"Metainfo", "share/metainfo/org.mzorvany.Tracker.metainfo.xml", true},
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

bool Executable(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

// A tool's exit status, with what it said in message when that is not clean.
int RunTool(const Installed& installed, const std::string& name, std::vector<std::string> command,
            std::string& message, const std::vector<std::string>& env = {}) {
    command.front() = FindProgram(command.front());
    if (command.front().empty()) {
        message = name + ": program not installed";
        return -1;
    }
    ChildProcess tool(command, installed.folder / name, env);
    const int status = tool.Wait(std::chrono::seconds(60)).value_or(-1);
    message = tool.Output() + tool.Errors();
    return status;
}

TEST(Install, PutsEveryFileInItsPlace) {
    Installed installed;
    ASSERT_TRUE(installed.Ok()) << installed.Log();
    for (const PlacedFile& file : kPlaced) {
        if (file.qtOnly && !MZ_WITH_QT) {
            continue;
        }
        const std::string path = installed / file.path;
        EXPECT_TRUE(fs::is_regular_file(path) && fs::file_size(path) > 0)
            << file.name << ": " << path;
        if (std::string(file.path).starts_with("bin/")) {
            EXPECT_TRUE(Executable(path)) << file.name;
        }
    }
    // Units name the program where it was installed, not where the build configured it.
    for (const char* unit :
         {"lib/systemd/system/mzorvanyd@.service", "lib/systemd/user/mzorvanyd.service"}) {
        EXPECT_NE(ReadWholeFile(installed / unit)
                      .find("ExecStart=" + installed.prefix + "/bin/mzorvanyd "),
                  std::string::npos)
            << unit;
    }
    std::string manual;
    EXPECT_EQ(RunTool(installed, "man",
                      {"gzip", "-dc", installed / "share/man/man1/mzorvanyd.1.gz"}, manual),
              0);
    EXPECT_NE(manual.find("\\-\\-keys"), std::string::npos)
        << "the manual page lacks the program's own options";
    if (MZ_WITH_QT) {
        // A version without release notes would be published with the last one's.
        EXPECT_NE(ReadWholeFile(installed / "share/metainfo/org.mzorvany.Tracker.metainfo.xml")
                      .find("<release version=\"" MZ_VERSION "\""),
                  std::string::npos);
    }
}

TEST(Install, ValidatorsAcceptWhatWasInstalled) {
    Installed installed;
    ASSERT_TRUE(installed.Ok()) << installed.Log();
    std::string message;
    if (MZ_WITH_QT) {
        EXPECT_EQ(RunTool(installed, "desktop",
                          {"desktop-file-validate",
                           installed / "share/applications/org.mzorvany.Tracker.desktop",
                           installed / "etc/xdg/autostart/org.mzorvany.Tracker.desktop"},
                          message),
                  0)
            << message;
        EXPECT_EQ(message, "");
        EXPECT_EQ(RunTool(installed, "appstream",
                          {"appstreamcli", "validate", "--no-net",
                           installed / "share/metainfo/org.mzorvany.Tracker.metainfo.xml"},
                          message),
                  0)
            << message;
    }
    // systemd-analyze only warns about unknown keys, so its silence is checked too. The
    // manual pages are checked above; it would look for them in the system's folders.
    EXPECT_EQ(RunTool(installed, "system-unit",
                      {"systemd-analyze", "verify", "--man=no",
                       installed / "lib/systemd/system/mzorvanyd@.service"},
                      message),
              0)
        << message;
    EXPECT_EQ(message, "");
    const std::string runtime = installed.folder / "runtime";
    fs::create_directories(runtime);
    EXPECT_EQ(RunTool(installed, "user-unit",
                      {"systemd-analyze", "--user", "verify", "--man=no",
                       installed / "lib/systemd/user/mzorvanyd.service"},
                      message, {"XDG_RUNTIME_DIR=" + runtime}),
              0)
        << message;
    EXPECT_EQ(message, "");
}

struct UnitLine {
    const char* name;
    const char* line;
    bool wanted;
};

// What keeps the tracker alive and able to work under systemd's sandbox; systemd-analyze
// accepts a unit without any of it.
const UnitLine kSystemUnit[] = {
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

TEST(Install, SystemUnitKeepsTheTrackerAliveAndAbleToWork) {
    Installed installed;
    ASSERT_TRUE(installed.Ok()) << installed.Log();
    const std::string unit = ReadWholeFile(installed / "lib/systemd/system/mzorvanyd@.service");
    for (const UnitLine& each : kSystemUnit) {
        EXPECT_EQ(unit.find(each.line) != std::string::npos, each.wanted) << each.name;
    }
}

// The installed daemon, with nothing beside it, plays the alarm sound from share/mzorvany:
// a stand-in player on the PATH records what it was asked to play.
TEST(Install, InstalledDaemonFindsTheAlarmSound) {
    Installed installed;
    ASSERT_TRUE(installed.Ok()) << installed.Log();
    const TempFolder& home = installed.folder;
    fs::create_directories(home / "tools");
    fs::create_directories(home / "data/MZorvany");
    WriteWholeFile(home / "tools/aplay", "#!/bin/sh\nfor a; do last=$a; done\necho \"$last\" >>" +
                                             (home / "played") + "\n");
    fs::permissions(home / "tools/aplay", fs::perms::owner_all);
    WriteWholeFile(home / "data/MZorvany/params.ini", "AlertPressTime=0\r\nFrequency=144000\r\n");
    const std::string fifo = home / "keys";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ChildProcess daemon(
        {installed / "bin/mzorvanyd", "--gps=none", "--keys=" + fifo}, home / "daemon",
        {"XDG_DATA_HOME=" + (home / "data"), "PATH=" + (home / "tools") + ":/usr/bin:/bin"});
    const int keys = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(keys, 0);
    const input_event down[2] = {{{}, EV_KEY, KEY_F1, 1}, {{}, EV_SYN, 0, 0}};
    ASSERT_EQ(write(keys, down, sizeof(down)), static_cast<ssize_t>(sizeof(down)));
    EXPECT_TRUE(WaitFor([&] { return !ReadWholeFile(home / "played").empty(); }))
        << daemon.Output() << daemon.Errors();
    EXPECT_EQ(ReadWholeFile(home / "played"), installed / "share/mzorvany/alert.wav\n");
    close(keys);
}

}  // namespace
