#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "Pult.h"

namespace {

// Both front ends start alike: the same answer to options they cannot use.
TEST(Startup, BothProgramsRefuseABadOptionAndUnservableOptionsAlike) {
    TrackerHome h;
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
        ASSERT_TRUE(WaitFor([&] { return Listening(h.runtime); })) << first->Errors();
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
