#include "platform/sim/SimFileWriter.h"

#include <filesystem>
#include <fstream>

bool SimFileWriter::Replace(const std::string& path, const std::string& content) {
    if (failWrites) {
        return false;
    }
    replaced.emplace_back(path, content);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    return static_cast<bool>(out);
}

bool SimFileWriter::Remove(const std::string& path) {
    std::error_code error;
    std::filesystem::remove(path, error);
    return !error;
}
