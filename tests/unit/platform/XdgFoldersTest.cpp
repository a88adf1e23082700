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

struct EnvCase {
    const char* name;
    std::optional<std::string> dataHome;
    std::optional<std::string> home;
    std::string appData;
};

TEST(XdgFolders, FindsTheApplicationDataFolder) {
    const auto none = std::nullopt;
    const EnvCase cases[] = {
        {"DataHomeSet", "/data", "/home/o", "/data"},
        {"DataHomeUnset", none, "/home/o", "/home/o/.local/share"},
        {"DataHomeEmpty", "", "/home/o/", "/home/o/.local/share"},
        {"DataHomeRelative", "relative/path", "/home/o", "/home/o/.local/share"},
        {"NeitherSet", none, none, ""},
        {"HomeEmpty", none, "", ""},
    };
    const auto dataHome = Env("XDG_DATA_HOME"), home = Env("HOME");
    for (const EnvCase& c : cases) {
        SetEnv("XDG_DATA_HOME", c.dataHome);
        SetEnv("HOME", c.home);
        EXPECT_EQ(XdgFolders().AppDataFolder(), c.appData) << c.name;
    }
    SetEnv("XDG_DATA_HOME", dataHome);
    SetEnv("HOME", home);
}

TEST(XdgFolders, ProgramFileIsTheRunningExecutable) {
    const std::string path = XdgFolders().ProgramFilePath();
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "unit_platform");
}

}  // namespace
