#include "platform/linux/XdgFolders.h"

#include <cstdlib>
#include <filesystem>

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

std::string XdgFolders::AppDataFolder() const {
    // A relative XDG_DATA_HOME is invalid by the XDG rules and is ignored.
    std::string dataHome = Environment("XDG_DATA_HOME");
    if (!dataHome.empty() && dataHome.front() == '/') {
        return dataHome;
    }
    std::string home = Environment("HOME");
    if (!home.empty()) {
        return (home.back() == '/' ? home : home + "/") + ".local/share";
    }
    return {};
}

std::string XdgFolders::ProgramFilePath() const {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}
