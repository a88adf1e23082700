#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/linux/DataFile.h"
#include "support/TempFolder.h"

namespace {

// Beside the program first, then the installed copy; with neither the path stays, so that
// the player says what is missing. A program folder of "/" or none must not lead outside.
TEST(DataFile, PrefersBesideTheProgramThenTheInstalledCopy) {
    for (const auto& [beside, installed, found] :
         {std::tuple(true, false, "bin/alert.wav"),
          std::tuple(false, true, "share/mzorvany/alert.wav"),
          std::tuple(true, true, "bin/alert.wav"), std::tuple(false, false, "bin/alert.wav")}) {
        TempFolder prefix;
        std::filesystem::create_directories(prefix / "bin");
        std::filesystem::create_directories(prefix / "share/mzorvany");
        for (const auto& [exists, file] : {std::pair(beside, "bin/alert.wav"),
                                           std::pair(installed, "share/mzorvany/alert.wav")}) {
            if (exists) {
                WriteWholeFile(prefix / file, "RIFF");
            }
        }
        EXPECT_EQ(FindDataFile(prefix / "bin/alert.wav"), prefix / found) << beside << installed;
    }
    for (const char* path : {"", "alert.wav", "/no-such-file.wav"}) {
        EXPECT_EQ(FindDataFile(path), path);
    }
}

}  // namespace
