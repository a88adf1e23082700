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

void PrintTo(const EnvCase& c, std::ostream* out) {
    *out << c.name;
}

class XdgFoldersTest : public ::testing::TestWithParam<EnvCase> {};

TEST_P(XdgFoldersTest, FindsTheApplicationDataFolder) {
    ScopedEnv dataHome("XDG_DATA_HOME", GetParam().dataHome);
    ScopedEnv home("HOME", GetParam().home);
    EXPECT_EQ(XdgFolders().AppDataFolder(), GetParam().appData);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, XdgFoldersTest,
    ::testing::Values(EnvCase{"DataHomeSet", "/data", "/home/o", "/data"},
                      EnvCase{"DataHomeUnset", std::nullopt, "/home/o", "/home/o/.local/share"},
                      EnvCase{"DataHomeEmpty", "", "/home/o/", "/home/o/.local/share"},
                      EnvCase{"DataHomeRelative", "relative/path", "/home/o",
                              "/home/o/.local/share"},
                      EnvCase{"NeitherSet", std::nullopt, std::nullopt, ""},
                      EnvCase{"HomeEmpty", std::nullopt, "", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(XdgFolders, ProgramFileIsTheRunningExecutable) {
    const std::string path = XdgFolders().ProgramFilePath();
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "unit_platform");
}

}  // namespace
