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

void PrintTo(const DataFileCase& c, std::ostream* out) {
    *out << c.name;
}

class DataFileTest : public ::testing::TestWithParam<DataFileCase> {};

TEST_P(DataFileTest, PrefersBesideTheProgramThenTheInstalledCopy) {
    TempFolder prefix;
    std::filesystem::create_directories(prefix / "bin");
    std::filesystem::create_directories(prefix / "share/mzorvany");
    if (GetParam().beside) {
        WriteWholeFile(prefix / "bin/alert.wav", "RIFF");
    }
    if (GetParam().installed) {
        WriteWholeFile(prefix / "share/mzorvany/alert.wav", "RIFF");
    }
    EXPECT_EQ(FindDataFile(prefix / "bin/alert.wav"), prefix / GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Places, DataFileTest,
    ::testing::Values(DataFileCase{"BuildTree", true, false, "bin/alert.wav"},
                      DataFileCase{"Installed", false, true, "share/mzorvany/alert.wav"},
                      DataFileCase{"BothBesideWins", true, true, "bin/alert.wav"},
                      // The player is still asked, and says what is missing.
                      DataFileCase{"NeitherKeepsThePath", false, false, "bin/alert.wav"}),
    [](const auto& row) { return std::string(row.param.name); });

// A program folder of "/" or none at all must not lead outside or crash.
TEST(DataFile, PathsWithoutAProgramFolderStayAsGiven) {
    EXPECT_EQ(FindDataFile(""), "");
    EXPECT_EQ(FindDataFile("alert.wav"), "alert.wav");
    EXPECT_EQ(FindDataFile("/no-such-file.wav"), "/no-such-file.wav");
}

}  // namespace
