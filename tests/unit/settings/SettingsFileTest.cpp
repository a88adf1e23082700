#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <functional>

#include "SettingsFixture.h"

namespace {

TEST(SettingsLoad, AppliesOnlyWellFormedAcceptedAssignments) {
    const auto same = [](CSettings&) {};
    // The file's text, and what applied to the defaults gives the expected result.
    // clang-format off
    const std::tuple<const char*, std::string, std::function<void(CSettings&)>> cases[] = {
        {"KeysIgnoreCase", "mainserver=10.0.0.1", [](CSettings& s) { s.MainServer = "10.0.0.1"; }},
        {"BlankBeforeEqualsAssignsNothing", "MainServer =10.0.0.1", same},
        {"BlankAfterEqualsAssignsNothing", "MainServer= 10.0.0.1", same},
        {"WordStartingWithEquals", "=5 Port= =Port", same},
        {"EmptyValueAssignsNothing", "PermittedKeys= MainServer=", same},
        {"UnknownKey", "Colour=red", same},
        {"PortZeroRefused", "Port=0", same},
        {"PortWithoutDigitsRefused", "Port=abc", same},
        {"FrequencyZeroRefused", "Frequency=0", same},
        {"FrequencyWithoutDigitsRefused", "Frequency=often", same},
        {"NegativePort", "Port=-5", [](CSettings& s) { s.Port = -5; }},
        {"TrailingTextAfterNumber", "Port=8080x", [](CSettings& s) { s.Port = 8080; }},
        {"HugeNumberIsClamped", "Frequency=99999999999999999999", [](CSettings& s) { s.Frequency = INT32_MAX; }},
        {"FlagsFromIntegers", "OutSats=x LogEnabled=2", [](CSettings& s) { s.OutSats = false; s.LogEnabled = true; }},
        {"OnlyTheFirstEqualsSeparates", "PermittedKeys=13,27,=x", [](CSettings& s) { s.PermittedKeys = "13,27,=x"; }},
        {"LaterAssignmentWins", "Frequency=100\r\n\tFrequency=200", [](CSettings& s) { s.Frequency = 200; }},
        {"LastWordWithoutLineEnd", "AlertPressTime=3\nMinimalBalance=-7", [](CSettings& s) { s.AlertPressTime = 3; s.MinimalBalance = -7; }},
        {"EmptyFile", "", same},
        {"BinaryGarbageAroundAnAssignment", std::string("\0\x01\xff=\xfe\0 Port=99 \0", 16) + std::string(2 << 20, 'x') + " Port=98", [](CSettings& s) { s.Port = 98; }},
        {"HugeWordIsSkippedWhole", std::string(1 << 20, 'P') + "Port=5 Port=77", [](CSettings& s) { s.Port = 77; }},
    };
    // clang-format on
    for (const auto& [name, fileText, expect] : cases) {
        SCOPED_TRACE(name);
        SettingsFixture f;
        auto loaded = f.Make();
        std::filesystem::create_directories(loaded->settingsFolder);
        WriteWholeFile(loaded->ParamsPath(), fileText);
        ASSERT_EQ(loaded->Load(), "");
        auto expected = f.Make();
        expect(*expected);
        EXPECT_EQ(loaded->ParamsText(), expected->ParamsText());
    }
}

TEST(SettingsValues, ServerAddressesAreFourNumbersInRange) {
    // clang-format off
    const std::pair<const char*, bool> cases[] = {
        {"", true}, {"10.0.0.1", true}, {"1.2.3.4.5", true}, {"1.2.3.4abc", true},
        {" 1.+2. 3.4", true}, {"255.255.255.255", true}, {"300.1.1.1", false},
        {"1.2.3.256", false}, {"1.2.3", false}, {"-1.2.3.4", false}, {"1..2.3.4", false},
        {"1 .2.3.4", false}, {"control.example", false}, {"99999999999.1.1.1", false}};
    // clang-format on
    for (const auto& [text, valid] : cases) {
        EXPECT_EQ(CSettings::IsValidServerAddress(text), valid) << text;
    }
}

// Each returns in bounded time without throwing, and the values in force stay.
TEST(SettingsLoad, WhatIsNotARegularFileKeepsTheValuesAndSaysWhichFile) {
    const std::pair<const char*, std::function<void(const std::string&)>> cases[] = {
        {"Missing", [](const std::string&) {}},
        {"Folder", [](const std::string& path) { std::filesystem::create_directory(path); }},
        {"FifoWithoutWriter",
         [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"LinkToEndlessDevice",
         [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        SettingsFixture f;
        auto s = f.Make();
        std::filesystem::create_directories(s->settingsFolder);
        make(s->ParamsPath());
        s->Port = 1234;
        EXPECT_EQ(s->Load(), "Ошибка чтения файла " + s->ParamsPath() +
                                 ", используются параметры по умолчанию");
        EXPECT_EQ(s->Port, 1234);
    }
}

const char* const kDefaultFile =
    "MainServer=127.0.0.1\r\nReserveServer=\r\nPort=830\r\nOutSats=1\r\nFrequency=36000\r\n"
    "MinimalBalance=1\r\nAlertPressTime=8\r\nPermittedKeys=All\r\nLogEnabled=0\r\n";

TEST(SettingsSave, CreatesMissingFoldersAndWritesNineLinesOrSaysWhichFolderFailed) {
    SettingsFixture f;
    const SimFolders deep(f.temp / "deep/er/share", "/usr/bin/mzorvanyd");
    EXPECT_EQ(f.Make(deep)->Save(), "");
    EXPECT_EQ(ReadWholeFile(f.temp / "deep/er/share/MZorvany/params.ini"), kDefaultFile);

    WriteWholeFile(f.temp / "file", "not a folder");
    for (const auto& [appData, named] : {std::pair(f.temp / "file", f.temp / "file/MZorvany"),
                                         std::pair(std::string(), std::string())}) {
        const SimFolders refused(appData, "");
        EXPECT_EQ(f.Make(refused)->Save(), "Нет доступа к папке " + named);
    }
}

}  // namespace
