#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "platform/linux/XdgFolders.h"

namespace {

std::optional<std::string> Env(const char* name) {
    const char* value = ::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void SetEnv(const char* name, const std::optional<std::string>& value) {
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
}

TEST(XdgFolders, FindsTheApplicationDataFolder) {
    const auto none = std::nullopt;
    // XDG_DATA_HOME, HOME, and the folder found.
    using Set = std::optional<std::string>;
    const std::tuple<const char*, Set, Set, std::string> cases[] = {
        {"DataHomeSet", "/data", "/home/o", "/data"},
        {"DataHomeUnset", none, "/home/o", "/home/o/.local/share"},
        {"DataHomeEmpty", "", "/home/o/", "/home/o/.local/share"},
        {"DataHomeRelative", "relative/path", "/home/o", "/home/o/.local/share"},
        {"NeitherSet", none, none, ""},
        {"HomeEmpty", none, "", ""},
    };
    const auto savedDataHome = Env("XDG_DATA_HOME"), savedHome = Env("HOME");
    for (const auto& [name, dataHome, home, appData] : cases) {
        SetEnv("XDG_DATA_HOME", dataHome);
        SetEnv("HOME", home);
        EXPECT_EQ(XdgFolders().AppDataFolder(), appData) << name;
    }
    SetEnv("XDG_DATA_HOME", savedDataHome);
    SetEnv("HOME", savedHome);
}

TEST(XdgFolders, ProgramFileIsTheRunningExecutable) {
    const std::string path = XdgFolders().ProgramFilePath();
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "unit_platform");
}

}  // namespace
