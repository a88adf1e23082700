#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "SettingsFixture.h"

namespace {

// 2026-12-07 was a Monday.
const std::int64_t kMonday = UtcSecondsOf(2026, 12, 7, 9, 5, 3);

struct LogFixture : SettingsFixture {
    LogFixture() {
        std::filesystem::create_directories(settings->settingsFolder);
        settings->LogEnabled = true;
        clock.SetUtcSeconds(kMonday);
    }
    std::string File(const std::string& day) const { return settings->settingsFolder + "/" + day; }

    std::unique_ptr<CSettings> settings = Make();
};

TEST(EventLog, FirstWriteOfARunContinuesOnlyTodaysFile) {
    const std::string fresh = "07-12-26\r\n09:05:03 Включение GPS\r\n";
    // Whether the file is there, what it holds before and after.
    const std::tuple<const char*, bool, std::string, std::string> cases[] = {
        {"NoFile", false, "", fresh},
        {"SameDate", true, "07-12-26\r\n08:00:00 a\r\n",
         "07-12-26\r\n08:00:00 a\r\n09:05:03 Включение GPS\r\n"},
        {"WeekEarlier", true, "30-11-26\r\n08:00:00 a\r\n", fresh},
        {"HandEditedToToday", true, "  07-12-26 notes\r\n",
         "  07-12-26 notes\r\n09:05:03 Включение GPS\r\n"},
        {"Empty", true, "", fresh},
    };
    for (const auto& [name, present, before, after] : cases) {
        LogFixture f;
        if (present) {
            WriteWholeFile(f.File("Monday.log"), before);
        }
        f.settings->WriteLog("Включение GPS");
        EXPECT_EQ(ReadWholeFile(f.File("Monday.log")), after) << name;
    }
}

// Each day its own file, dated; one left from last week is emptied, also just past midnight.
TEST(EventLog, EachWeekdayHasItsOwnFileEmptiedAWeekLater) {
    LogFixture f;
    f.clock.SetUtcSeconds(UtcSecondsOf(2026, 12, 7, 23, 59, 59));
    WriteWholeFile(f.File("Tuesday.log"), "01-12-26\r\n10:00:00 old\r\n");
    int date = 7;
    for (const char* day :
         {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"}) {
        f.settings->WriteLog(day);
        const std::string time = date == 7 ? "23:59:59 " : "00:00:01 ";
        // Two digits, without prepending to a temporary (a false -Wrestrict of GCC 12 at -O3).
        const std::string dd = std::to_string(100 + date).substr(1);
        EXPECT_EQ(ReadWholeFile(f.File(std::string(day) + ".log")),
                  dd + "-12-26\r\n" + time + day + "\r\n");
        f.clock.AdvanceMilliseconds(date++ == 7 ? 2000 : 24 * 3600 * 1000);
    }
}

// Switched on, the file is looked at afresh, then only appended to for the rest of the day.
TEST(EventLog, SwitchedOffTouchesNoFileAndSwitchedOnLooksAtTheFileOnce) {
    LogFixture f;
    WriteWholeFile(f.File("Monday.log"), "30-11-26\r\n08:00:00 a\r\n");
    f.settings->LogEnabled = false;
    f.settings->WriteLog("Отключение GPS");
    EXPECT_EQ(f.lines, std::vector<std::string>{"Отключение GPS"});
    EXPECT_EQ(ReadWholeFile(f.File("Monday.log")), "30-11-26\r\n08:00:00 a\r\n");
    ASSERT_TRUE(f.settings->SetValue("LogEnabled", "1"));
    f.settings->WriteLog("Включение GPS");
    EXPECT_EQ(ReadWholeFile(f.File("Monday.log")), "07-12-26\r\n09:05:03 Включение GPS\r\n");
    WriteWholeFile(f.File("Monday.log"), "changed\r\n");  // not examined again: not emptied
    f.clock.AdvanceMilliseconds(2000);
    f.settings->WriteLog("two");
    EXPECT_EQ(ReadWholeFile(f.File("Monday.log")), "changed\r\n09:05:05 two\r\n");
}

// Each is reported in the list, in bounded time, and no folder is made.
TEST(EventLog, WhatCannotBeWrittenIsReportedNotWaitedOn) {
    const std::pair<const char*, std::function<void(LogFixture&)>> cases[] = {
        {"MissingFolder",
         [](LogFixture& f) { std::filesystem::remove_all(f.settings->settingsFolder); }},
        {"Fifo", [](LogFixture& f) { ASSERT_EQ(mkfifo(f.File("Monday.log").c_str(), 0600), 0); }},
        {"Folder", [](LogFixture& f) { std::filesystem::create_directory(f.File("Monday.log")); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        LogFixture f;
        make(f);
        const bool hadFolder = std::filesystem::exists(f.settings->settingsFolder);
        f.settings->WriteLog("x");
        EXPECT_EQ(f.lines, (std::vector<std::string>{"x", "Ошибка записи в лог"}));
        EXPECT_EQ(std::filesystem::exists(f.settings->settingsFolder), hadFolder);
    }
}

TEST(EventLog, EmptySettingsFolderWritesBesideTheWorkingFolder) {
    SettingsFixture f;
    const SimFolders none("", "");
    const auto s = f.Make(none);
    s->LogEnabled = true;
    f.clock.SetUtcSeconds(kMonday);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(f.temp.Path());
    s->WriteLog("x");
    std::filesystem::current_path(previous);
    EXPECT_EQ(ReadWholeFile(f.temp / "Monday.log"), "07-12-26\r\n09:05:03 x\r\n");
}

}  // namespace
