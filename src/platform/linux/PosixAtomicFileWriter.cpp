#include "platform/linux/PosixAtomicFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

}  // namespace

bool PosixAtomicFileWriter::Replace(const std::string& path, const std::string& content) {
    auto slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
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
