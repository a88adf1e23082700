#include "ui/headless/CommandChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <functional>

#include "common/LastErrorText.h"

namespace {

constexpr std::size_t kMaxLine = 64;
constexpr int kAnswerWaitMs = 5000;

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

// A path too long for a socket address falls back to an abstract name derived from it.
socklen_t MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.size() < sizeof(address.sun_path)) {
        std::memcpy(address.sun_path, path.data(), path.size());
        return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    }
    std::string name = "mzorvanyd-" + std::to_string(std::hash<std::string>{}(path));
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

}  // namespace

InstanceLock::InstanceLock(const std::string& folder) : path(Join(folder, "mzorvanyd.lock")) {}

InstanceLock::~InstanceLock() {
    if (fd >= 0) {
        close(fd);
    }
}

InstanceLock::Result InstanceLock::Acquire() {
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return Result::Failed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        bool held = errno == EWOULDBLOCK;
        close(fd);
        fd = -1;
        return held ? Result::HeldByAnother : Result::Failed;
    }
    return Result::Acquired;
}

bool SendCommand(const std::string& folder, const std::string& command) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address;
    socklen_t length = MakeAddress(Join(folder, "mzorvanyd.sock"), address);
    bool delivered = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0) {
        std::string line = command + "\n";
        if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
            pollfd wait{fd, POLLIN, 0};
            char answer[16] = {};
            delivered = poll(&wait, 1, kAnswerWaitMs) == 1 &&
                        read(fd, answer, sizeof(answer) - 1) > 0 &&
                        std::strncmp(answer, "ok", 2) == 0;
        }
    }
    close(fd);
    return delivered;
}

CommandServer::CommandServer(const std::string& folder)
    : socketPath(Join(folder, "mzorvanyd.sock")) {}

CommandServer::~CommandServer() {
    for (const auto& client : clients) {
        close(client.fd);
    }
    if (listenFd >= 0) {
        close(listenFd);
        unlink(socketPath.c_str());
    }
}

bool CommandServer::Listen() {
    listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd < 0) {
        errorText = LastErrorText(errno);
        return false;
    }
    sockaddr_un address;
    socklen_t length = MakeAddress(socketPath, address);
    // We hold the instance lock, so a socket file left there is a dead instance's.
    unlink(socketPath.c_str());
    if (bind(listenFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listenFd, 8) != 0) {
        errorText = socketPath + ": " + LastErrorText(errno);
        close(listenFd);
        listenFd = -1;
        return false;
    }
    return true;
}

std::vector<int> CommandServer::Descriptors() const {
    std::vector<int> fds;
    if (listenFd >= 0) {
        fds.push_back(listenFd);
    }
    for (const auto& client : clients) {
        fds.push_back(client.fd);
    }
    return fds;
}

std::vector<std::string> CommandServer::Serve(int fd) {
    std::vector<std::string> commands;
    if (fd == listenFd) {
        int client = accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client >= 0) {
            clients.push_back({client, {}});
        }
        return commands;
    }
    auto found = std::find_if(clients.begin(), clients.end(),
                              [fd](const Client& client) { return client.fd == fd; });
    if (found == clients.end()) {
        return commands;
    }
    char buffer[kMaxLine];
    ssize_t got = read(fd, buffer, sizeof(buffer));
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
        return commands;
    }
    if (got <= 0) {
        Drop(fd);
        return commands;
    }
    found->received.append(buffer, static_cast<std::size_t>(got));
    std::size_t newline = found->received.find('\n');
    if (newline == std::string::npos) {
        if (found->received.size() > kMaxLine) {
            Drop(fd);  // not one of ours
        }
        return commands;
    }
    std::string command = found->received.substr(0, newline);
    bool known = command == "show" || command == "test" || command == "exit";
    const char* answer = known ? "ok\n" : "unknown\n";
    ssize_t ignored = send(fd, answer, std::strlen(answer), MSG_NOSIGNAL);
    (void)ignored;
    if (known) {
        commands.push_back(command);
    }
    Drop(fd);
    return commands;
}

void CommandServer::Drop(int fd) {
    close(fd);
    clients.erase(std::remove_if(clients.begin(), clients.end(),
                                 [fd](const Client& client) { return client.fd == fd; }),
                  clients.end());
}
