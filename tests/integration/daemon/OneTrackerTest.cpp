#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

namespace {

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
        TempFolder home;
        const std::string runtime = home / "run";
        ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
        std::filesystem::create_directories(home / "MZorvany");
        WriteWholeFile(home / "MZorvany/params.ini", "MainServer=127.0.0.1\r\n");
        const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path(),
                                              "XDG_RUNTIME_DIR=" + runtime,
                                              "QT_QPA_PLATFORM=offscreen"};
        auto Start = [&](const char* program, const std::string& name) {
            return std::make_unique<ChildProcess>(
                std::vector<std::string>{program, "--gps=none", "--modem=none", "--link=direct"},
                home / name, env);
        };
        std::unique_ptr<ChildProcess> running;
        if (c.running != nullptr) {
            running = Start(c.running, "running");
            ASSERT_TRUE(WaitFor([&] { return Listening(runtime); })) << running->Errors();
        }
        if (c.secondRun != nullptr) {
            EXPECT_EQ(Start(c.secondRun, "second")->Wait(), 2);
            EXPECT_TRUE(WaitFor([&] {
                return running->Errors().find("--command=show received") != std::string::npos;
            })) << running->Errors();
        }
        EXPECT_EQ(ChildProcess({c.commander, "--command=exit"}, home / "exit", env).Wait(),
                  c.commandExit);
        if (running != nullptr) {
            EXPECT_EQ(running->Wait(), 0) << running->Errors();
        }
    }
}
#endif

}  // namespace
