#include "integration/gpsd/GpsdHarness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto Deadline = std::chrono::seconds(20);

std::string FindProgram(const std::string& name) {
    std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/sbin:/usr/local/sbin";
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(':', start), path.size());
        const std::string candidate = path.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

pid_t Spawn(const std::vector<std::string>& arguments, const std::string& logPath) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void EndProcess(pid_t& pid) {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (Clock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid = -1;
}

bool Alive(pid_t pid) {
    return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0;
}

std::string FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::string port;
    if (s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = std::to_string(ntohs(address.sin_port));
    }
    if (s >= 0) {
        close(s);
    }
    return port;
}

// Asks gpsd which devices it has open; true once ours is among them.
bool DeviceActive(const std::string& port, const std::string& device) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(port)));
    timeval timeout{1, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string reply;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const char query[] = "?DEVICES;\n";
        if (write(s, query, sizeof query - 1) > 0) {
            char buffer[4096];
            const auto until = Clock::now() + std::chrono::seconds(2);
            while (reply.find("\"class\":\"DEVICES\"") == std::string::npos &&
                   Clock::now() < until) {
                const ssize_t n = read(s, buffer, sizeof buffer);
                if (n <= 0) {
                    break;
                }
                reply.append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    close(s);
    const std::size_t devices = reply.find("\"class\":\"DEVICES\"");
    return devices != std::string::npos &&
           reply.find("\"" + device + "\"", devices) != std::string::npos;
}

template <typename Condition>
bool WaitFor(Condition condition) {
    const auto until = Clock::now() + Deadline;
    while (!condition()) {
        if (Clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace

GpsdHarness::~GpsdHarness() {
    Stop();
}

std::string GpsdHarness::MissingPrograms() {
    std::string missing;
    for (const char* name : {"gpsd", "socat"}) {
        if (FindProgram(name).empty()) {
            missing += std::string(missing.empty() ? "" : " and ") + name;
        }
    }
    return missing.empty() ? "" : missing + " not installed";
}

std::string GpsdHarness::Start() {
    char pattern[] = "/tmp/mz-gpsd-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return "cannot make a temporary folder";
    }
    dir_ = pattern;
    const std::string in = dir_ + "/gps-in";
    const std::string dev = dir_ + "/gps-dev";
    socat_ =
        Spawn({FindProgram("socat"), "pty,raw,echo=0,link=" + in, "pty,raw,echo=0,link=" + dev},
              dir_ + "/socat.log");
    if (socat_ < 0 ||
        !WaitFor([&] { return access(in.c_str(), F_OK) == 0 && access(dev.c_str(), F_OK) == 0; })) {
        return "socat did not make its pty pair";
    }
    char resolved[PATH_MAX];
    if (realpath(dev.c_str(), resolved) == nullptr) {
        return "cannot resolve " + dev;
    }
    devicePath_ = resolved;
    input_ = open(in.c_str(), O_WRONLY | O_NOCTTY);
    if (input_ < 0) {
        return "cannot open " + in;
    }
    port_ = FreePort();
    gpsd_ = Spawn({FindProgram("gpsd"), "-N", "-n", "-b", "-S", port_, "-F", dir_ + "/gpsd.sock",
                   devicePath_},
                  dir_ + "/gpsd.log");
    if (gpsd_ < 0 || !WaitFor([&] { return Alive(gpsd_) && DeviceActive(port_, devicePath_); })) {
        return "gpsd did not open " + devicePath_ + " on port " + port_;
    }
    return {};
}

void GpsdHarness::Stop() {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
    EndProcess(gpsd_);
    EndProcess(socat_);
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
        dir_.clear();
    }
}

bool GpsdHarness::Send(const std::vector<std::string>& lines) {
    std::string block;
    for (const std::string& line : lines) {
        block += line + "\r\n";
    }
    std::size_t done = 0;
    while (done < block.size()) {
        const ssize_t n = write(input_, block.data() + done, block.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}
