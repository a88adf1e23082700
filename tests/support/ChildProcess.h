#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/TempFolder.h"

// A program run by a test with extra environment entries, its standard output and error
// going to logPrefix + ".out" and ".err"; killed when the object goes, if still running.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& command, const std::string& logPrefix,
                 const std::vector<std::string>& env = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal);
    // The exit status, or nullopt when it had not ended within the deadline.
    std::optional<int> Wait(std::chrono::seconds deadline = std::chrono::seconds(20));
    std::string Output() const { return ReadWholeFile(logPrefix + ".out"); }
    std::string Errors() const { return ReadWholeFile(logPrefix + ".err"); }
    pid_t Pid() const { return pid; }

private:
    pid_t pid = -1;
    std::string logPrefix;
};

// Polls until the condition holds; false after the deadline.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::seconds deadline = std::chrono::seconds(20));

// The full path of an installed program, also in the sbin folders; "" when none.
std::string FindProgram(const std::string& name);
