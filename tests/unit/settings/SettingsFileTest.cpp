#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <functional>

#include "SettingsFixture.h"

namespace {

struct LoadCase {
    const char* name;
    std::string fileText;
    std::function<void(CSettings&)> expect;  // applied to defaults: the expected result
};

void PrintTo(const LoadCase& c, std::ostream* out) {
    *out << c.name;
}

class LoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadTest, AppliesOnlyWellFormedAcceptedAssignments) {
    SettingsFixture f;
    auto loaded = f.Make();
    std::filesystem::create_directories(loaded->settingsFolder);
    WriteWholeFile(loaded->ParamsPath(), GetParam().fileText);
    ASSERT_EQ(loaded->Load(), "");

    auto expected = f.Make();
    GetParam().expect(*expected);
    EXPECT_EQ(loaded->ParamsText(), expected->ParamsText());
}

std::string Megabytes(std::size_t n, char c) {
    return std::string(n * 1024 * 1024, c);
}

INSTANTIATE_TEST_SUITE_P(
    Words, LoadTest,
    ::testing::Values(
        LoadCase{"KeysIgnoreCase", "mainserver=10.0.0.1",
                 [](CSettings& s) { s.MainServer = "10.0.0.1"; }},
        LoadCase{"BlankBeforeEqualsAssignsNothing", "MainServer =10.0.0.1", [](CSettings&) {}},
        LoadCase{"BlankAfterEqualsAssignsNothing", "MainServer= 10.0.0.1", [](CSettings&) {}},
        LoadCase{"WordStartingWithEquals", "=5 Port= =Port", [](CSettings&) {}},
        LoadCase{"UnknownKey", "Colour=red", [](CSettings&) {}},
        LoadCase{"PortZeroRefused", "Port=0", [](CSettings&) {}},
        LoadCase{"PortWithoutDigitsRefused", "Port=abc", [](CSettings&) {}},
        LoadCase{"FrequencyZeroRefused", "Frequency=0", [](CSettings&) {}},
        LoadCase{"FrequencyWithoutDigitsRefused", "Frequency=often", [](CSettings&) {}},
        LoadCase{"NegativePort", "Port=-5", [](CSettings& s) { s.Port = -5; }},
        LoadCase{"TrailingTextAfterNumber", "Port=8080x", [](CSettings& s) { s.Port = 8080; }},
        LoadCase{"HugeNumberIsClamped", "Frequency=99999999999999999999",
                 [](CSettings& s) { s.Frequency = INT32_MAX; }},
        LoadCase{"FlagsFromIntegers", "OutSats=x LogEnabled=2",
                 [](CSettings& s) {
                     s.OutSats = false;
                     s.LogEnabled = true;
                 }},
        LoadCase{"OnlyTheFirstEqualsSeparates", "PermittedKeys=13,27,=x",
                 [](CSettings& s) { s.PermittedKeys = "13,27,=x"; }},
        LoadCase{"LaterAssignmentWins", "Frequency=100\r\n\tFrequency=200",
                 [](CSettings& s) { s.Frequency = 200; }},
        LoadCase{"LastWordWithoutLineEnd", "AlertPressTime=3\nMinimalBalance=-7",
                 [](CSettings& s) {
                     s.AlertPressTime = 3;
                     s.MinimalBalance = -7;
                 }},
        LoadCase{"EmptyFile", "", [](CSettings&) {}},
        LoadCase{"BinaryGarbageAroundAnAssignment",
                 std::string("\0\x01\xff=\xfe\0 Port=99 \0", 16) + Megabytes(2, 'x') + " Port=98",
                 [](CSettings& s) { s.Port = 98; }},
        LoadCase{"HugeWordIsSkippedWhole", Megabytes(1, 'P') + "Port=5 Port=77",
                 [](CSettings& s) { s.Port = 77; }}),
    [](const auto& row) { return std::string(row.param.name); });

struct AddressCase {
    const char* name;
    const char* text;
    bool valid;
};

class ServerAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(ServerAddressTest, ScansFourNumbersInRange) {
    EXPECT_EQ(CSettings::IsValidServerAddress(GetParam().text), GetParam().valid)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Addresses, ServerAddressTest,
                         ::testing::Values(AddressCase{"Empty", "", true},
                                           AddressCase{"Plain", "10.0.0.1", true},
                                           AddressCase{"FifthNumber", "1.2.3.4.5", true},
                                           AddressCase{"TextAfterTheFourth", "1.2.3.4abc", true},
                                           AddressCase{"BlanksAndSigns", " 1.+2. 3.4", true},
                                           AddressCase{"Highest", "255.255.255.255", true},
                                           AddressCase{"FirstOver255", "300.1.1.1", false},
                                           AddressCase{"LastOver255", "1.2.3.256", false},
                                           AddressCase{"ThreeNumbers", "1.2.3", false},
                                           AddressCase{"Negative", "-1.2.3.4", false},
                                           AddressCase{"EmptyNumber", "1..2.3.4", false},
                                           AddressCase{"BlankBeforeADot", "1 .2.3.4", false},
                                           AddressCase{"HostName", "control.example", false},
                                           AddressCase{"HugeNumber", "99999999999.1.1.1", false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(SettingsValues, MainServerIsNeverEmptiedButReserveServerMayBe) {
    SettingsFixture f;
    auto s = f.Make();
    EXPECT_FALSE(s->SetValue("MainServer", ""));
    EXPECT_EQ(s->MainServer, CSettings::kDefaultMainServer);
    ASSERT_TRUE(s->SetValue("ReserveServer", "10.0.0.2"));
    EXPECT_TRUE(s->SetValue("ReserveServer", ""));
    EXPECT_EQ(s->ReserveServer, "");
}

TEST(SettingsValues, WideValuesArriveAsUtf8) {
    SettingsFixture f;
    auto s = f.Make();
    EXPECT_TRUE(s->SetValueWide("PermittedKeys", u"Клавиши"));
    EXPECT_EQ(s->PermittedKeys, "Клавиши");
    EXPECT_TRUE(s->SetValueWide("Port", u"8080"));
    EXPECT_EQ(s->Port, 8080);
}

TEST(SettingsFolders, ComeFromTheAppDataFolderAndTheProgramFile) {
    SettingsFixture f("/home/owner/.local/share");
    auto s = f.Make();
    EXPECT_EQ(s->settingsFolder, "/home/owner/.local/share/MZorvany");
    EXPECT_EQ(s->programFolder, "/opt/mzorvany/bin");
    EXPECT_EQ(s->ParamsPath(), "/home/owner/.local/share/MZorvany/params.ini");
    s->PlaySoundFile("alert.wav");
    EXPECT_EQ(f.sound.played, std::vector<std::string>{"/opt/mzorvany/bin/alert.wav"});
}

// Each returns in bounded time without throwing, and the values in force stay.
struct UnreadableCase {
    const char* name;
    std::function<void(const std::string& path)> make;
};

TEST(SettingsLoad, WhatIsNotARegularFileKeepsTheValuesAndSaysWhichFile) {
    const UnreadableCase cases[] = {
        {"Missing", [](const std::string&) {}},
        {"Folder", [](const std::string& path) { std::filesystem::create_directory(path); }},
        {"FifoWithoutWriter",
         [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"LinkToEndlessDevice",
         [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); }},
    };
    for (const UnreadableCase& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFixture f;
        auto s = f.Make();
        std::filesystem::create_directories(s->settingsFolder);
        c.make(s->ParamsPath());
        s->Port = 1234;
        EXPECT_EQ(s->Load(), "Ошибка чтения файла " + s->ParamsPath() +
                                 ", используются параметры по умолчанию");
        EXPECT_EQ(s->Port, 1234);
    }
}

TEST(SettingsLog, ALogFileThatIsAFifoOrAFolderIsAWriteErrorNotAHang) {
    for (bool fifo : {true, false}) {
        SCOPED_TRACE(fifo ? "Fifo" : "Folder");
        SettingsFixture f;
        auto s = f.Make();
        std::filesystem::create_directories(s->settingsFolder);
        const char* const days[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                    "Thursday", "Friday", "Saturday"};
        const std::string path =
            s->settingsFolder + "/" + days[f.clock.LocalNow().dayOfWeek % 7] + ".log";
        ASSERT_TRUE(fifo ? mkfifo(path.c_str(), 0600) == 0
                         : std::filesystem::create_directory(path));
        s->LogEnabled = true;
        s->WriteLog("Тест");
        EXPECT_EQ(f.lines, (std::vector<std::string>{"Тест", "Ошибка записи в лог"}));
    }
}

}  // namespace
