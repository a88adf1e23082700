#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A program run by a test, its output going to files that the test reads while it
// runs. Killed when the object goes, if still running.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& command, const std::vector<std::string>& env,
                 const std::string& outputPath, const std::string& errorPath);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal);
    // The exit status, or nullopt when it had not ended within the deadline.
    std::optional<int> Wait(std::chrono::seconds deadline);
    std::string Output() const;
    std::string Errors() const;

private:
    pid_t pid = -1;
    std::string outputPath;
    std::string errorPath;
};

// Runs a command to its end (at most 20 s) and gives its exit status; -1 on timeout.
int RunToEnd(const std::vector<std::string>& command, const std::vector<std::string>& env,
             const std::string& outputPath);

// mzorvany-pult listening on a free loopback port, writing into folder; gives the port,
// or "" when it did not start.
std::unique_ptr<ChildProcess> StartPult(const std::string& folder, std::string& port);

// Polls until the condition holds; false after the deadline.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::seconds deadline = std::chrono::seconds(20));
