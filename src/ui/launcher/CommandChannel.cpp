#include "ui/launcher/CommandChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include "common/LastErrorText.h"

namespace {

constexpr std::size_t kMaxLine = 64;
constexpr int kAnswerWaitMs = 5000;
// Commands come from the person's own programs, one at a time; a few at once is plenty.
constexpr std::size_t kMaxClients = 4;
// A client has this long to send its line once accepted.
constexpr long long kLineWaitMs = 1000;
// Out of descriptors, accepting is tried again after this long instead of at once.
constexpr long long kAcceptPauseMs = 100;
// Connections taken from the queue per wake-up, so a flood cannot hold up the loop.
constexpr int kMaxAcceptsPerWake = 64;

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// A stable name for a settings folder (the hash of the standard library may differ
// between the programs that must agree on it).
std::string FolderName(const std::string& folder) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : folder) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

bool MakeAddress(const std::string& path, sockaddr_un& address, socklen_t& length) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    return true;
}

// The user at the other end of a UNIX socket: for a server the one who called listen().
std::optional<uid_t> PeerUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
        return std::nullopt;
    }
    return peer.uid;
}

bool FromSameUser(int fd) {
    const std::optional<uid_t> peer = PeerUser(fd);
    return peer && (*peer == geteuid() || *peer == 0);
}

}  // namespace

std::vector<std::string> CommandSocketPaths(const std::string& folder) {
    std::vector<std::string> paths;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        std::string absolute = folder;
        if (absolute.empty() || absolute[0] != '/') {
            std::error_code ignored;
            absolute = std::filesystem::absolute(folder.empty() ? "." : folder, ignored).string();
        }
        paths.push_back(std::string(runtime) + "/mzorvanyd-" + FolderName(absolute) + ".sock");
    }
    paths.push_back(Join(folder, "mzorvanyd.sock"));
    sockaddr_un address;
    socklen_t length = 0;
    paths.erase(std::remove_if(
                    paths.begin(), paths.end(),
                    [&](const std::string& path) { return !MakeAddress(path, address, length); }),
                paths.end());
    return paths;
}

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

CommandAnswer SendCommand(const std::string& folder, TrackerCommand command,
                          std::vector<std::string>& distrusted) {
    for (const std::string& path : CommandSocketPaths(folder)) {
        sockaddr_un address;
        socklen_t length = 0;
        MakeAddress(path, address, length);
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            return CommandAnswer::None;
        }
        // A tracker that does not accept (stopped, or its queue full) would keep connect
        // waiting for good; on a UNIX socket the send time-out bounds it.
        const timeval limit{kAnswerWaitMs / 1000, 0};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
            close(fd);
            continue;  // none there (or a dead one's file): the next place
        }
        if (!FromSameUser(fd)) {
            const std::optional<uid_t> peer = PeerUser(fd);
            distrusted.push_back(path + " is served by user " +
                                 (peer ? std::to_string(*peer) : std::string("unknown")));
            close(fd);
            continue;
        }
        char answer[32] = {};
        std::string line = std::string(WordOf(command)) + "\n";
        if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
            pollfd wait{fd, POLLIN, 0};
            if (poll(&wait, 1, kAnswerWaitMs) != 1 || read(fd, answer, sizeof(answer) - 1) <= 0) {
                answer[0] = '\0';
            }
        }
        close(fd);
        if (std::strcmp(answer, CommandDoneLine) == 0) {
            return CommandAnswer::Done;
        }
        return std::strcmp(answer, CommandAlreadyQueuedLine) == 0 ? CommandAnswer::AlreadyQueued
                                                                  : CommandAnswer::None;
    }
    return CommandAnswer::None;
}

CommandLine TakeCommandLine(const std::string& received) {
    const std::size_t newline = received.find('\n');
    if (newline == std::string::npos || newline > kMaxLine) {
        return {received.size() > kMaxLine ? CommandLine::State::TooLong
                                           : CommandLine::State::Incomplete,
                {}};
    }
    const std::optional<TrackerCommand> command = CommandOfWord(received.substr(0, newline));
    if (command) {
        return {CommandLine::State::Known, command};
    }
    return {CommandLine::State::Unknown, {}};
}

CommandServer::CommandServer(const std::string& folder) : candidates(CommandSocketPaths(folder)) {}

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
    errorText = "no place for a command socket (paths too long)";
    for (const std::string& path : candidates) {
        listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (listenFd < 0) {
            errorText = LastErrorText(errno);
            return false;
        }
        sockaddr_un address;
        socklen_t length = 0;
        MakeAddress(path, address, length);
        // We hold the instance lock, so a socket file left there is a dead instance's.
        unlink(path.c_str());
        // Only the user may connect; the peer check below is the second lock.
        const mode_t oldMask = umask(077);
        const bool bound = bind(listenFd, reinterpret_cast<sockaddr*>(&address), length) == 0;
        umask(oldMask);
        if (bound && listen(listenFd, 8) == 0) {
            socketPath = path;
            errorText.clear();
            return true;
        }
        errorText = path + ": " + LastErrorText(errno);
        close(listenFd);
        listenFd = -1;
    }
    return false;
}

std::vector<int> CommandServer::Descriptors() const {
    std::vector<int> fds;
    if (listenFd >= 0 && acceptPausedUntilMs == 0) {
        fds.push_back(listenFd);
    }
    for (const auto& client : clients) {
        fds.push_back(client.fd);
    }
    return fds;
}

int CommandServer::WaitMs() const {
    long long until = acceptPausedUntilMs;
    for (const auto& client : clients) {
        until = until == 0 ? client.deadlineMs : std::min(until, client.deadlineMs);
    }
    if (until == 0) {
        return -1;
    }
    return static_cast<int>(std::clamp(until - NowMs(), 0LL, kLineWaitMs));
}

void CommandServer::DropIdle() {
    const long long now = NowMs();
    if (acceptPausedUntilMs != 0 && now >= acceptPausedUntilMs) {
        acceptPausedUntilMs = 0;
    }
    std::vector<int> late;
    for (const auto& client : clients) {
        if (now >= client.deadlineMs) {
            late.push_back(client.fd);
        }
    }
    for (int fd : late) {
        Drop(fd);
    }
}

void CommandServer::Serve(int fd, const Obey& obey) {
    if (fd == listenFd) {
        AcceptWaiting(obey);
        return;
    }
    auto found = std::find_if(clients.begin(), clients.end(),
                              [fd](const Client& client) { return client.fd == fd; });
    if (found != clients.end() && ReadFrom(*found, obey)) {
        Drop(fd);
    }
}

void CommandServer::AcceptWaiting(const Obey& obey) {
    for (int accepted = 0; accepted < kMaxAcceptsPerWake; ++accepted) {
        int fd = accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // The socket stays readable while accept fails: wait instead of spinning.
                acceptPausedUntilMs = NowMs() + kAcceptPauseMs;
            }
            return;
        }
        if (!FromSameUser(fd)) {
            const char refused[] = "refused\n";
            ssize_t ignored = send(fd, refused, sizeof(refused) - 1, MSG_NOSIGNAL);
            (void)ignored;
            close(fd);
            continue;
        }
        Client client{fd, NowMs() + kLineWaitMs, {}};
        // A command usually arrives with the connection: answered at once, it never
        // competes for a place.
        if (ReadFrom(client, obey)) {
            close(fd);
            continue;
        }
        if (clients.size() >= kMaxClients) {
            // The one waiting longest is the likeliest to be idle.
            Drop(clients.front().fd);
        }
        clients.push_back(std::move(client));
    }
}

bool CommandServer::ReadFrom(Client& client, const Obey& obey) {
    char buffer[kMaxLine];
    ssize_t got = read(client.fd, buffer, sizeof(buffer));
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
        return false;
    }
    if (got <= 0) {
        return true;
    }
    client.received.append(buffer, static_cast<std::size_t>(got));
    const CommandLine line = TakeCommandLine(client.received);
    const char* answer = "unknown\n";
    switch (line.state) {
        case CommandLine::State::Incomplete:
            return false;
        case CommandLine::State::TooLong:
            return true;  // not one of ours
        case CommandLine::State::Known:
            // Answered once done, so the answer can say what became of it.
            answer = obey(*line.command);
            break;
        case CommandLine::State::Unknown:
            break;
    }
    ssize_t ignored = send(client.fd, answer, std::strlen(answer), MSG_NOSIGNAL);
    (void)ignored;
    return true;
}

void CommandServer::Drop(int fd) {
    close(fd);
    clients.erase(std::remove_if(clients.begin(), clients.end(),
                                 [fd](const Client& client) { return client.fd == fd; }),
                  clients.end());
}
