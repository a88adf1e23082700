#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "SettingsFixture.h"
#include "platform/linux/PosixAtomicFileWriter.h"

namespace {

const char* const kDefaultFile =
    "MainServer=127.0.0.1\r\nReserveServer=\r\nPort=830\r\nOutSats=1\r\nFrequency=36000\r\n"
    "MinimalBalance=1\r\nAlertPressTime=8\r\nPermittedKeys=All\r\nLogEnabled=0\r\n";

TEST(SettingsSave, CreatesMissingFoldersAndWritesNineLines) {
    SettingsFixture f;
    const std::string appData = f.temp / "deep/er/share";
    SimFolders folders(appData, "/usr/bin/mzorvanyd");
    CSettings s(nullptr, {f.clock, folders, f.sound, f.writer});

    EXPECT_EQ(s.Save(), "");
    EXPECT_EQ(ReadWholeFile(appData + "/MZorvany/params.ini"), kDefaultFile);
}

TEST(SettingsSave, RoundTripKeepsEveryValueButAnEmptyReserveServer) {
    SettingsFixture f;
    auto saved = f.Make();
    for (auto [key, value] : {std::pair{"MainServer", "10.1.2.3"},
                              {"Port", "-5"},
                              {"OutSats", "0"},
                              {"Frequency", "600"},
                              {"MinimalBalance", "-40"},
                              {"AlertPressTime", "3"},
                              {"PermittedKeys", "112,113"},
                              {"LogEnabled", "1"}}) {
        ASSERT_TRUE(saved->SetValue(key, value)) << key;
    }
    ASSERT_EQ(saved->Save(), "");

    auto loaded = f.Make();
    loaded->ReserveServer = "10.9.9.9";  // "ReserveServer=" alone assigns nothing
    ASSERT_EQ(loaded->Load(), "");
    EXPECT_EQ(loaded->ReserveServer, "10.9.9.9");
    loaded->ReserveServer = "";
    EXPECT_EQ(loaded->ParamsText(), saved->ParamsText());
}

TEST(SettingsSave, FolderThatCannotBeMadeIsReported) {
    SettingsFixture f;
    WriteWholeFile(f.temp / "file", "not a folder");
    SimFolders underAFile(f.temp / "file", "");
    CSettings s(nullptr, {f.clock, underAFile, f.sound, f.writer});
    EXPECT_EQ(s.Save(), "Нет доступа к папке " + s.settingsFolder);

    SimFolders none("", "");
    CSettings noFolder(nullptr, {f.clock, none, f.sound, f.writer});
    EXPECT_EQ(noFolder.settingsFolder, "");
    EXPECT_EQ(noFolder.Save(), "Нет доступа к папке ");
}

// The real writer: a write that fails half-way must leave the old file whole and must
// not leave its temporary file behind. A file size limit makes the kernel refuse the
// write after the first bytes, as a full disk would.
TEST(AtomicSave, WriteFailingPartWayKeepsTheOldFile) {
    SettingsFixture f;
    PosixAtomicFileWriter real;
    CSettings s(nullptr, {f.clock, f.folders, f.sound, real});
    ASSERT_EQ(s.Save(), "");
    const std::string old = ReadWholeFile(s.ParamsPath());

    s.SetValue("PermittedKeys", std::string(100, '1'));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &tiny);
    const std::string result = s.Save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, "Ошибка записи файла " + s.ParamsPath());
    EXPECT_EQ(ReadWholeFile(s.ParamsPath()), old);
    auto entries = std::filesystem::directory_iterator(s.settingsFolder);
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 1) << "a temporary file was left";
}

}  // namespace
