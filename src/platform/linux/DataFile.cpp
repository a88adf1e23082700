#include "platform/linux/DataFile.h"

#include <filesystem>

std::string FindDataFile(const std::string& besideProgram) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path beside(besideProgram);
    if (besideProgram.empty() || fs::exists(beside, error) || !beside.has_parent_path()) {
        return besideProgram;
    }
    const fs::path installed =
        beside.parent_path().parent_path() / "share" / "mzorvany" / beside.filename();
    return fs::exists(installed, error) ? installed.string() : besideProgram;
}
