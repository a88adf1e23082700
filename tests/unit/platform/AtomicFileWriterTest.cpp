#include "platform/linux/PosixAtomicFileWriter.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <random>
#include <thread>

#include "unit/settings/SettingsFixture.h"

namespace {

int Leftovers(const std::string& folder) {
    const auto isLeftover = [](const auto& entry) {
        return entry.path().filename().string().starts_with(".params.ini.");
    };
    return std::ranges::count_if(std::filesystem::directory_iterator(folder), isLeftover);
}

// Never a mix, never empty; what the killed save left behind goes at the next start.
TEST(AtomicFileWriter, ASaveKilledAtAnyMomentLeavesOneWholeVersion) {
    constexpr int kKills = 500;
    SettingsFixture f;
    PosixAtomicFileWriter writer;
    CSettings settings(nullptr, {f.clock, f.folders, f.sound, writer});
    ASSERT_EQ(settings.Save(), "");
    const std::string path = settings.ParamsPath();
    // A longer file: more moments to die in.
    const std::string versions[2] = {ReadWholeFile(path), std::string(3000, '7')};

    std::mt19937 random(13);
    std::uniform_int_distribution<int> delayUs(0, 4000);
    int killsWithLeftover = 0;
    for (int round = 0; round < kKills; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            for (int i = 0;; ++i) {
                writer.Replace(path, versions[1 - i % 2]);
            }
        }
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string text = ReadWholeFile(path);
        ASSERT_TRUE(text == versions[0] || text == versions[1])
            << "after kill " << round << ": " << text.size() << " bytes";
        killsWithLeftover += Leftovers(settings.settingsFolder) > 0 ? 1 : 0;
        settings.Load();  // a start removes what the killed save left
        ASSERT_EQ(Leftovers(settings.settingsFolder), 0);
    }
    EXPECT_GT(killsWithLeftover, 0)
        << "none of " << kKills << " kills came in the middle of a save";
}

// The next write removes only what a killed one left. Then a file size limit makes the kernel
// refuse the write after the first bytes, as a full disk would: the old file stays whole and
// no temporary file is left.
TEST(AtomicFileWriter, RemovesOnlyLeftoversAndAWriteFailingPartWayKeepsTheOldFile) {
    TempFolder folder;
    WriteWholeFile(folder / ".params.ini.a1B2c3", "MainServer=1.");
    WriteWholeFile(folder / ".params.ini.keep", "not a leftover of ours");
    PosixAtomicFileWriter writer;
    ASSERT_TRUE(writer.Replace(folder / "params.ini", "old"));
    EXPECT_FALSE(std::filesystem::exists(folder / ".params.ini.a1B2c3"));
    EXPECT_TRUE(std::filesystem::exists(folder / ".params.ini.keep"));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit tiny{64, saved.rlim_max};
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tiny);
    const bool replaced = writer.Replace(folder / "params.ini", std::string(100, '1'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(replaced);
    EXPECT_EQ(ReadWholeFile(folder / "params.ini"), "old");
    auto entries = std::filesystem::directory_iterator(folder.Path());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2) << "a temporary file was left";
}

}  // namespace
