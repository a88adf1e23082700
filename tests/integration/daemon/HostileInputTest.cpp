#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "Pult.h"
#include "support/LoopbackListener.h"

namespace {

using namespace std::chrono_literals;

struct Tracker {
    explicit Tracker(const TempFolder& homeFolder, std::vector<std::string> extra = {})
        : home(homeFolder) {
        std::vector<std::string> command = {MZ_DAEMON, "--gps=sim:1,2",
                                            "--modem=sim:080910101032547698"};
        command.insert(command.end(), extra.begin(), extra.end());
        process = std::make_unique<ChildProcess>(command, home / "tracker", env());
    }
    std::vector<std::string> env() const { return {"XDG_DATA_HOME=" + home.Path()}; }
    std::optional<int> Command(const std::string& word) const {
        return TrackerCommand(home, word, env(), 30s);
    }
    const TempFolder& home;
    std::unique_ptr<ChildProcess> process;
};

struct SettingsCase {
    const char* name;
    std::function<void(const std::string& path)> make;
};

// What params.ini may be instead of a file: the tracker starts on its defaults and runs.
TEST(HostileInput, ASettingsFileThatCannotBeReadLeavesTheDefaults) {
    const SettingsCase cases[] = {
        {"Folder", [](const std::string& path) { std::filesystem::create_directory(path); }},
        {"Fifo", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"LinkToDevZero",
         [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); }},
    };
    for (const auto& c : cases) {
        TempFolder home;
        std::filesystem::create_directories(home / "MZorvany");
        c.make(home / "MZorvany/params.ini");
        Tracker tracker(home);
        ASSERT_TRUE(WaitFor([&] { return tracker.Command("show") == 0; }, 15s))
            << c.name << ": " << tracker.process->Errors();
        EXPECT_EQ(tracker.Command("exit"), 0);
        EXPECT_EQ(tracker.process->Wait(), 0) << c.name << ": " << tracker.process->Errors();
    }
}

// Keys that never run dry must leave the tick, the commands and SIGTERM their turn.
TEST(HostileInput, AnEndlessKeySourceDoesNotStopTheLoop) {
    TempFolder home;
    std::string port;
    auto pult = StartPult(home, "Frequency=144000\r\n", port);
    ASSERT_NE(port, "") << pult->Errors();
    Tracker tracker(home, {"--keys=/dev/zero"});
    ASSERT_TRUE(WaitFor([&] { return tracker.Command("test") == 0; }, 15s))
        << tracker.process->Errors();
    EXPECT_TRUE(WaitFor([&] {
        return pult->Output().find("code=699") != std::string::npos &&
               pult->Output().find("ack=yes") != std::string::npos;
    })) << pult->Output();
    tracker.process->Signal(SIGTERM);
    EXPECT_EQ(tracker.process->Wait(), 0);
}

// Whoever answers on gpsd's port may send a line that once sent the reader round for good;
// the commands and SIGTERM must still have their turn.
TEST(HostileInput, AHostileLineFromGpsdDoesNotStopTheLoop) {
    TempFolder home;
    LoopbackListener gpsd;
    std::filesystem::create_directories(home / "MZorvany");
    WriteWholeFile(home / "MZorvany/params.ini", "Frequency=10\r\n");  // the GPS on at once
    Tracker tracker(home, {"--gps=gpsd:127.0.0.1:" + gpsd.Port()});
    ASSERT_TRUE(gpsd.Accept(15s)) << tracker.process->Errors();
    ASSERT_TRUE(gpsd.Send(R"({"class":"DEVICES","devices":[{"class":"DEVICE","path":")"
                          "\r\n"));
    std::this_thread::sleep_for(2s);  // two polls of the GPS
    EXPECT_EQ(tracker.Command("show"), 0) << tracker.process->Errors();
    tracker.process->Signal(SIGTERM);
    EXPECT_EQ(tracker.process->Wait(3s), 0);
}

// A tracker that does not accept (here: stopped) must not keep a command waiting for good,
// not even one whose connect finds the queue full.
TEST(HostileInput, ACommandToATrackerThatDoesNotAcceptGivesUp) {
    TempFolder home;
    Tracker tracker(home);
    ASSERT_TRUE(WaitFor([&] { return tracker.Command("show") == 0; }, 15s))
        << tracker.process->Errors();
    tracker.process->Signal(SIGSTOP);
    std::vector<std::unique_ptr<ChildProcess>> commands;
    for (int i = 0; i < 12; ++i) {  // more than the listening queue holds
        commands.push_back(
            std::make_unique<ChildProcess>(std::vector<std::string>{MZ_DAEMON, "--command=test"},
                                           home / ("waiting" + std::to_string(i)), tracker.env()));
    }
    for (auto& command : commands) {
        EXPECT_EQ(command->Wait(30s), 1);
    }
    tracker.process->Signal(SIGCONT);
    tracker.process->Signal(SIGTERM);
    EXPECT_EQ(tracker.process->Wait(), 0);
}

}  // namespace
