#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

#include "SettingsFixture.h"
#include "platform/linux/PosixAtomicFileWriter.h"

namespace {

int Leftovers(const std::string& folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        count += entry.path().filename().string().rfind(".params.ini.", 0) == 0 ? 1 : 0;
    }
    return count;
}

// A save killed at any moment leaves params.ini whole: the old version or the new one,
// never a mix and never empty; what the killed save left behind goes at the next start.
TEST(SettingsKill, ASaveKilledAtAnyMomentLeavesOneWholeVersion) {
    constexpr int kKills = 500;
    SettingsFixture f;
    PosixAtomicFileWriter writer;
    auto Make = [&] {
        return std::make_unique<CSettings>(
            nullptr, CSettings::Platform{f.clock, f.folders, f.sound, writer});
    };
    auto first = Make();
    auto second = Make();
    second->MainServer = "10.20.30.40";
    second->PermittedKeys = std::string(3000, '7');  // a longer file: more moments to die in
    ASSERT_EQ(first->Save(), "");
    const std::string path = first->ParamsPath();
    const std::string versions[2] = {ReadWholeFile(path), second->ParamsText()};

    std::mt19937 random(13);
    std::uniform_int_distribution<int> delayUs(0, 4000);
    int killsWithLeftover = 0;
    for (int round = 0; round < kKills; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            for (int i = 0;; ++i) {
                (i % 2 == 0 ? second : first)->Save();
            }
        }
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string text = ReadWholeFile(path);
        ASSERT_TRUE(text == versions[0] || text == versions[1])
            << "after kill " << round << ": " << text.size() << " bytes";
        killsWithLeftover += Leftovers(f.temp / "MZorvany") > 0 ? 1 : 0;
        auto started = Make();  // a start removes what the killed save left
        started->Load();
        ASSERT_EQ(Leftovers(f.temp / "MZorvany"), 0);
    }
    std::cout << kKills << " kills, " << killsWithLeftover << " in the middle of a write\n";
    EXPECT_GT(killsWithLeftover, 0) << "no kill came in the middle of a save";
}

TEST(SettingsKill, TheNextSaveRemovesWhatAKilledSaveLeft) {
    SettingsFixture f;
    PosixAtomicFileWriter writer;
    CSettings s(nullptr, {f.clock, f.folders, f.sound, writer});
    std::filesystem::create_directories(s.settingsFolder);
    WriteWholeFile(s.settingsFolder + "/.params.ini.a1B2c3", "MainServer=1.");
    WriteWholeFile(s.settingsFolder + "/.params.ini.keep", "not a leftover of ours");
    ASSERT_EQ(s.Save(), "");
    EXPECT_FALSE(std::filesystem::exists(s.settingsFolder + "/.params.ini.a1B2c3"));
    EXPECT_TRUE(std::filesystem::exists(s.settingsFolder + "/.params.ini.keep"));
}

}  // namespace
