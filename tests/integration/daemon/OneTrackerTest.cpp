#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

namespace {

// A home with a runtime folder, and the environment both front ends run in there.
struct Home {
    Home() {
        mkdir(runtime.c_str(), 0700);
        std::filesystem::create_directories(home / "MZorvany");
        WriteWholeFile(home / "MZorvany/params.ini", "MainServer=127.0.0.1\r\n");
    }
    TempFolder home;
    const std::string runtime = home / "run";
    const std::vector<std::string> env = {
        "XDG_DATA_HOME=" + home.Path(), "XDG_RUNTIME_DIR=" + runtime, "QT_QPA_PLATFORM=offscreen"};
};

// Both front ends start alike: the same answer to options they cannot use.
TEST(Startup, BothProgramsRefuseABadOptionAndUnservableOptionsAlike) {
    Home h;
    for (const std::string program : {MZ_DAEMON,
#ifdef MZ_QT_TRACKER
                                      MZ_QT_TRACKER
#endif
         }) {
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

#ifdef MZ_QT_TRACKER
// A tracker's command socket is in the runtime folder: it has claimed its settings folder.
bool Listening(const std::string& runtime) {
    for (const auto& entry : std::filesystem::directory_iterator(runtime)) {
        if (entry.path().filename().string().rfind("mzorvanyd-", 0) == 0) {
            return true;
        }
    }
    return false;
}

// Whichever front end runs, the other sees it: a plain start asks it to show itself and
// ends with 2, and a --command of either program reaches it and waits for its answer.
TEST(OneTracker, BothFrontEndsShareTheTrackerOfASettingsFolder) {
    struct Case {
        const char* name;
        const char* running;    // started first; null for none
        const char* secondRun;  // started plainly while it runs; null for none
        const char* commander;  // hands it --command=exit
        int commandExit;
    };
    const Case cases[] = {
        {"QtAfterDaemon", MZ_DAEMON, MZ_QT_TRACKER, MZ_QT_TRACKER, 0},
        {"DaemonAfterQt", MZ_QT_TRACKER, MZ_DAEMON, MZ_DAEMON, 0},
        {"QtCommandToNone", nullptr, nullptr, MZ_QT_TRACKER, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Home h;
        auto Start = [&](const char* program, const std::string& name) {
            return std::make_unique<ChildProcess>(
                std::vector<std::string>{program, "--gps=none", "--modem=none", "--link=direct"},
                h.home / name, h.env);
        };
        std::unique_ptr<ChildProcess> running;
        if (c.running != nullptr) {
            running = Start(c.running, "running");
            ASSERT_TRUE(WaitFor([&] { return Listening(h.runtime); })) << running->Errors();
        }
        if (c.secondRun != nullptr) {
            EXPECT_EQ(Start(c.secondRun, "second")->Wait(), 2);
            EXPECT_TRUE(WaitFor([&] {
                return running->Errors().find("--command=show received") != std::string::npos;
            })) << running->Errors();
        }
        EXPECT_EQ(ChildProcess({c.commander, "--command=exit"}, h.home / "exit", h.env).Wait(),
                  c.commandExit);
        if (running != nullptr) {
            EXPECT_EQ(running->Wait(), 0) << running->Errors();
        }
    }
}
#endif

}  // namespace
