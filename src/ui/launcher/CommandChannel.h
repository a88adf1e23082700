#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/launcher/TrackerCommand.h"

// One tracker per settings folder: a lock file there says who runs, and a UNIX socket
// beside it carries one-line commands (the words of TrackerCommand) to the running one.
class InstanceLock {
public:
    explicit InstanceLock(const std::string& folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Result { Acquired, HeldByAnother, Failed };
    // Failed (the folder cannot hold a lock file) says nothing about other instances.
    Result Acquire();
    const std::string& Path() const { return path; }

private:
    std::string path;
    int fd = -1;
};

// Where the command socket of the instance for a settings folder may be, in the order
// tried: in $XDG_RUNTIME_DIR (only its user can reach it) under a name derived from the
// folder, then in the settings folder itself. Paths too long for a socket address are
// left out; there is never an abstract name, which would have no permissions at all.
std::vector<std::string> CommandSocketPaths(const std::string& folder);

// What the bytes a client has sent so far amount to: a line not yet complete, a known
// command, an unknown line, or more than a command line can be.
struct CommandLine {
    enum class State { Incomplete, Known, Unknown, TooLong };
    State state = State::Incomplete;
    std::optional<TrackerCommand> command;  // set when Known
};
CommandLine TakeCommandLine(const std::string& received);

// How the instance running for the folder answered a command: it did it, it already had
// the test report waiting (and changed nothing), or none answered.
enum class CommandAnswer { Done, AlreadyQueued, None };
// Only a socket served by this user or root is told the command or believed: in a shared
// folder anyone may bind the name first. Each socket passed over for that is said in
// distrusted ("PATH is served by user UID").
CommandAnswer SendCommand(const std::string& folder, TrackerCommand command,
                          std::vector<std::string>& distrusted);

// The lines the tracker answers with (anything else from it means not done).
constexpr const char* CommandDoneLine = "ok\n";
constexpr const char* CommandAlreadyQueuedLine = "already queued\n";

class CommandServer {
public:
    explicit CommandServer(const std::string& folder);
    ~CommandServer();
    CommandServer(const CommandServer&) = delete;
    CommandServer& operator=(const CommandServer&) = delete;

    // Starts listening; false with ErrorText set when it cannot.
    bool Listen();
    const std::string& ErrorText() const { return errorText; }

    const std::string& SocketPath() const { return socketPath; }

    // Descriptors to poll for reading: the listening socket first, then the clients.
    std::vector<int> Descriptors() const;
    // Carries out a command; the line to answer with.
    using Obey = std::function<const char*(TrackerCommand)>;
    // Serves a readable descriptor: each complete command line is obeyed and answered.
    void Serve(int fd, const Obey& obey);
    // How long poll() may wait before DropIdle has work: -1 for as long as it likes.
    int WaitMs() const;
    // Drops clients that have not sent their line in time and resumes accepting.
    void DropIdle();

private:
    struct Client {
        int fd;
        long long deadlineMs;
        std::string received;
    };
    void AcceptWaiting(const Obey& obey);
    // Reads what the client sent; true when it is done with (answered or dropped).
    bool ReadFrom(Client& client, const Obey& obey);
    void Drop(int fd);

    std::vector<std::string> candidates;
    std::string socketPath;
    int listenFd = -1;
    long long acceptPausedUntilMs = 0;
    std::vector<Client> clients;
    std::string errorText;
};
