#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "platform/linux/XdgFolders.h"

namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = ::getenv(name)) {
            old_ = old;
        }
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

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
    for (const EnvCase& c : cases) {
        ScopedEnv dataHome("XDG_DATA_HOME", c.dataHome);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(XdgFolders().AppDataFolder(), c.appData) << c.name;
    }
}

TEST(XdgFolders, ProgramFileIsTheRunningExecutable) {
    const std::string path = XdgFolders().ProgramFilePath();
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "unit_platform");
}

}  // namespace
