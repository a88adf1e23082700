#include "PultProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

extern char** environ;

namespace {
constexpr auto kDeadline = std::chrono::seconds(20);
}

PultProcess::PultProcess(const std::vector<std::string>& arguments) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<std::string> all = {MZ_PULT_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, MZ_PULT_PATH, &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    out_ = outPipe[0];
    err_ = errPipe[0];
}

PultProcess::~PultProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
    ::close(err_);
}

bool PultProcess::ReadLineFrom(int fd, std::string& pending, std::string& line) {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (true) {
        const std::size_t end = pending.find('\n');
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watched{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&watched, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char chunk[4096];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            return false;
        }
        pending.append(chunk, static_cast<std::size_t>(got));
    }
}

std::uint16_t PultProcess::WaitListening() {
    std::string line;
    if (!ReadLineFrom(err_, errPending_, line) || line.rfind("listening on ", 0) != 0) {
        return 0;
    }
    return static_cast<std::uint16_t>(std::stoi(line.substr(line.rfind(':') + 1)));
}

bool PultProcess::ReadLine(std::string& line) {
    return ReadLineFrom(out_, outPending_, line);
}

int PultProcess::WaitExit() {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        // Nothing else to wait on: a short poll on the output keeps this from spinning.
        pollfd watched{out_, 0, 0};
        ::poll(&watched, 1, 10);
    }
    return -1;
}
