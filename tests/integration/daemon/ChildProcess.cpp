#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const std::vector<std::string>& env, const std::string& outputPath,
                           const std::string& errorPath)
    : outputPath(outputPath), errorPath(errorPath) {
    std::vector<std::string> arguments = command;
    std::vector<std::string> environment = env;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        environment.emplace_back(*variable);
    }
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);
    pid = fork();
    if (pid == 0) {
        int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
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
    bool ended =
        WaitFor([&] { return pid > 0 && waitpid(pid, &status, WNOHANG) == pid; }, deadline);
    if (!ended) {
        return std::nullopt;
    }
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string ChildProcess::Output() const {
    return ReadFile(outputPath);
}

std::string ChildProcess::Errors() const {
    return ReadFile(errorPath);
}

int RunToEnd(const std::vector<std::string>& command, const std::vector<std::string>& env,
             const std::string& outputPath) {
    ChildProcess child(command, env, outputPath, outputPath + ".err");
    return child.Wait(std::chrono::seconds(20)).value_or(-1);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}
