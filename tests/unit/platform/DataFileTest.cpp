#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/linux/DataFile.h"
#include "support/TempFolder.h"

namespace {

struct DataFileCase {
    const char* name;
    bool beside;     // bin/alert.wav exists
    bool installed;  // share/mzorvany/alert.wav exists
    const char* found;
};

TEST(DataFile, PrefersBesideTheProgramThenTheInstalledCopy) {
    const DataFileCase cases[] = {
        {"BuildTree", true, false, "bin/alert.wav"},
        {"Installed", false, true, "share/mzorvany/alert.wav"},
        {"BothBesideWins", true, true, "bin/alert.wav"},
        {"NeitherKeepsThePath", false, false, "bin/alert.wav"},  // the player says what is missing
    };
    for (const DataFileCase& c : cases) {
        TempFolder prefix;
        std::filesystem::create_directories(prefix / "bin");
        std::filesystem::create_directories(prefix / "share/mzorvany");
        if (c.beside) {
            WriteWholeFile(prefix / "bin/alert.wav", "RIFF");
        }
        if (c.installed) {
            WriteWholeFile(prefix / "share/mzorvany/alert.wav", "RIFF");
        }
        EXPECT_EQ(FindDataFile(prefix / "bin/alert.wav"), prefix / c.found) << c.name;
    }
}

// A program folder of "/" or none at all must not lead outside or crash.
TEST(DataFile, PathsWithoutAProgramFolderStayAsGiven) {
    EXPECT_EQ(FindDataFile(""), "");
    EXPECT_EQ(FindDataFile("alert.wav"), "alert.wav");
    EXPECT_EQ(FindDataFile("/no-such-file.wav"), "/no-such-file.wav");
}

}  // namespace
