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
    std::optional<std::string> dataHome;
    std::optional<std::string> home;
    std::string appData;
};

class XdgFoldersTest : public ::testing::TestWithParam<EnvCase> {};

TEST_P(XdgFoldersTest, FindsTheApplicationDataFolder) {
    ScopedEnv dataHome("XDG_DATA_HOME", GetParam().dataHome);
    ScopedEnv home("HOME", GetParam().home);
    EXPECT_EQ(XdgFolders().AppDataFolder(), GetParam().appData);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, XdgFoldersTest,
    ::testing::Values(EnvCase{"/data", "/home/o", "/data"},
                      EnvCase{std::nullopt, "/home/o", "/home/o/.local/share"},
                      EnvCase{"", "/home/o/", "/home/o/.local/share"},
                      EnvCase{"relative/path", "/home/o", "/home/o/.local/share"},
                      EnvCase{std::nullopt, std::nullopt, ""}, EnvCase{std::nullopt, "", ""}));

TEST(XdgFolders, ProgramFileIsTheRunningExecutable) {
    const std::string path = XdgFolders().ProgramFilePath();
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "unit_platform");
}

}  // namespace
