#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const std::vector<std::string>& env, const std::string& outputPath,
                           const std::string& errorPath)
    : outputPath(outputPath), errorPath(errorPath) {
    std::vector<std::string> texts = command;
    texts.push_back({});
    texts.insert(texts.end(), env.begin(), env.end());
    for (char** variable = environ; *variable != nullptr; ++variable) {
        texts.emplace_back(*variable);
    }
    std::vector<char*> argv, envp;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        (i < command.size() ? argv : envp).push_back(texts[i].data());
    }
    envp.erase(envp.begin());  // the separator
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        dup2(open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
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
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::unique_ptr<ChildProcess> StartPult(const std::string& folder, std::string& port) {
    auto pult = std::make_unique<ChildProcess>(
        std::vector<std::string>{MZ_PULT, "--listen", "127.0.0.1:0"}, std::vector<std::string>{},
        folder + "/pult.out", folder + "/pult.err");
    std::smatch match;
    std::string errors;
    bool listening = WaitFor([&] {
        errors = pult->Errors();
        return std::regex_search(errors, match, std::regex(R"(listening on [0-9.]+:(\d+))"));
    });
    port = listening ? match[1].str() : std::string();
    return pult;
}
