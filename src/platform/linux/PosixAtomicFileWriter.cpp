#include "platform/linux/PosixAtomicFileWriter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/linux/WriteAll.h"

namespace {

bool SyncFolder(const std::string& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync folders
    ::close(fd);
    return ok;
}

struct SplitPath {
    std::string folder;
    std::string name;
};

SplitPath Split(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {std::string(), path};
    }
    return {path.substr(0, slash), path.substr(slash + 1)};
}

// mkstemp's six characters replace the X's of the pattern.
constexpr std::size_t kUniqueLength = 6;

}  // namespace

void PosixAtomicFileWriter::RemoveLeftovers(const std::string& path) {
    const auto [folder, name] = Split(path);
    const std::string prefix = "." + name + ".";
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (listing == nullptr) {
        return;
    }
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string entryName = entry->d_name;
        if (entryName.size() == prefix.size() + kUniqueLength &&
            entryName.compare(0, prefix.size(), prefix) == 0) {
            leftovers.push_back(entryName);
        }
    }
    ::closedir(listing);
    for (const std::string& leftover : leftovers) {
        ::unlink((folder.empty() ? leftover : folder + "/" + leftover).c_str());
    }
}

bool PosixAtomicFileWriter::Replace(const std::string& path, const std::string& content) {
    const auto [folder, name] = Split(path);
    RemoveLeftovers(path);
    std::string pattern = (folder.empty() ? std::string() : folder + "/") + "." + name + ".XXXXXX";
    std::vector<char> tempPath(pattern.begin(), pattern.end());
    tempPath.push_back('\0');

    int fd = ::mkstemp(tempPath.data());
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    // mkstemp makes the file 0600; a settings file is as readable as any other file.
    ok = ok && ::chmod(tempPath.data(), 0644) == 0;
    ok = ok && std::rename(tempPath.data(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.data());
        return false;
    }
    SyncFolder(folder);
    return true;
}

bool PosixAtomicFileWriter::Remove(const std::string& path) {
    if (std::remove(path.c_str()) != 0) {
        return errno == ENOENT;
    }
    // Until the folder is synced a power loss can bring the file back.
    SyncFolder(Split(path).folder);
    return true;
}
