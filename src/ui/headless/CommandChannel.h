#pragma once

#include <string>
#include <vector>

// One tracker per settings folder: a lock file there says who runs, and a UNIX socket
// beside it carries one-line commands ("show", "test", "exit") to the running one.
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

// Hands a command to the instance running for the folder; false when none answers.
bool SendCommand(const std::string& folder, const std::string& command);

class CommandServer {
public:
    explicit CommandServer(const std::string& folder);
    ~CommandServer();
    CommandServer(const CommandServer&) = delete;
    CommandServer& operator=(const CommandServer&) = delete;

    // Starts listening; false with ErrorText set when it cannot.
    bool Listen();
    const std::string& ErrorText() const { return errorText; }

    // Descriptors to poll for reading: the listening socket first, then the clients.
    std::vector<int> Descriptors() const;
    // Serves a readable descriptor; gives each complete command line received.
    std::vector<std::string> Serve(int fd);

private:
    struct Client {
        int fd;
        std::string received;
    };
    void Drop(int fd);

    std::string socketPath;
    int listenFd = -1;
    std::vector<Client> clients;
    std::string errorText;
};
