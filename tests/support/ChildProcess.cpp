#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <thread>

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const std::string& logFilePrefix, const std::vector<std::string>& env)
    : logPrefix(logFilePrefix) {
    // Everything the child needs is built before fork: it may only exec after.
    std::vector<std::string> texts = command;
    texts.insert(texts.end(), env.begin(), env.end());
    for (char** variable = environ; *variable != nullptr; ++variable) {
        texts.emplace_back(*variable);
    }
    std::vector<char*> argv, envp;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        (i < command.size() ? argv : envp).push_back(texts[i].data());
    }
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const std::string out = logPrefix + ".out", err = logPrefix + ".err";
    pid = fork();
    if (pid == 0) {
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

void ChildProcess::Signal(int signal) {
    if (pid > 0) {
        kill(pid, signal);
    }
}

std::optional<int> ChildProcess::Wait(std::chrono::seconds deadline) {
    int status = 0;
    if (!WaitFor([&] { return pid > 0 && waitpid(pid, &status, WNOHANG) == pid; }, deadline)) {
        return std::nullopt;
    }
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(std::string(path ? path : "") + ":/usr/sbin:/sbin:/usr/local/sbin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty() && access((folder + "/" + name).c_str(), X_OK) == 0) {
            return folder + "/" + name;
        }
    }
    return {};
}
