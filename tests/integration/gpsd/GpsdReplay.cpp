#include "integration/gpsd/GpsdReplay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

using Steady = std::chrono::steady_clock;

std::string Which(const std::string& name) {
    std::istringstream dirs(std::string(std::getenv("PATH") ? std::getenv("PATH") : "") +
                            ":/usr/sbin:/sbin:/usr/local/sbin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) {
            return dir + "/" + name;
        }
    }
    return {};
}

pid_t Spawn(std::vector<std::string> arguments, const std::string& logPath) {
    arguments[0] = Which(arguments[0]);
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void End(pid_t& pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        const auto until = Steady::now() + std::chrono::seconds(5);
        while (waitpid(pid, nullptr, WNOHANG) == 0) {
            if (Steady::now() > until) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    pid = -1;
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

std::string FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return std::to_string(ntohs(address.sin_port));
}

// gpsd answers ?DEVICES only from its main loop, after it has opened its devices.
bool GpsdHasDevice(const std::string& port, const std::string& device) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(std::stoi(port));
    const timeval timeout{1, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string reply;
    char buffer[4096];
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        write(s, "?DEVICES;\n", 10) == 10) {
        for (ssize_t n = 0; reply.find("\"DEVICES\"") == std::string::npos &&
                            (n = read(s, buffer, sizeof buffer)) > 0;) {
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(s);
    return reply.find("\"DEVICES\"") != std::string::npos &&
           reply.find("\"" + device + "\"") != std::string::npos;
}

template <typename Condition>
bool WaitFor(Condition condition) {
    const auto until = Steady::now() + std::chrono::seconds(20);
    while (!condition() && Steady::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

std::optional<double> NumberAfter(const std::string& line, const std::string& key) {
    const std::size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::strtod(line.c_str() + at + key.size() + 3, nullptr);
}

std::vector<std::string> Lines(const std::string& name) {
    std::ifstream file(std::string(MZ_TESTDATA_DIR) + "/nmea/" + name, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

std::string GpsdOnPty::MissingPrograms() {
    std::string missing;
    for (const char* name : {"gpsd", "socat"}) {
        if (Which(name).empty()) {
            missing += std::string(missing.empty() ? "" : " and ") + name;
        }
    }
    return missing.empty() ? "" : missing + " not installed";
}

std::string GpsdOnPty::Start() {
    char pattern[] = "/tmp/mz-gpsd-XXXXXX";
    dir_ = mkdtemp(pattern) != nullptr ? pattern : "";
    const std::string in = dir_ + "/gps-in", dev = dir_ + "/gps-dev";
    socat_ = Spawn({"socat", "pty,raw,echo=0,link=" + in, "pty,raw,echo=0,link=" + dev},
                   dir_ + "/socat.log");
    if (dir_.empty() || socat_ < 0 ||
        !WaitFor([&] { return access(in.c_str(), F_OK) == 0 && access(dev.c_str(), F_OK) == 0; })) {
        return "socat made no pty pair";
    }
    char device[PATH_MAX];
    input_ = open(in.c_str(), O_WRONLY | O_NOCTTY);
    if (input_ < 0 || realpath(dev.c_str(), device) == nullptr) {
        return "cannot open the pty pair";
    }
    port_ = FreePort();
    gpsd_ = Spawn({"gpsd", "-N", "-n", "-b", "-S", port_, "-F", dir_ + "/gpsd.sock", device},
                  dir_ + "/gpsd.log");
    if (gpsd_ < 0 || !WaitFor([&] { return GpsdHasDevice(port_, device); })) {
        return std::string("gpsd did not open ") + device + " on port " + port_;
    }
    return {};
}

void GpsdOnPty::Stop() {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
    End(gpsd_);
    End(socat_);
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
        dir_.clear();
    }
}

bool GpsdOnPty::Send(const std::vector<std::string>& sentences) {
    std::string block;
    for (const std::string& sentence : sentences) {
        block += sentence + "\r\n";
    }
    for (std::size_t done = 0; done < block.size();) {
        const ssize_t n = write(input_, block.data() + done, block.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::vector<std::string> CaptureSentences(const std::string& name) {
    std::vector<std::string> sentences;
    for (const std::string& line : Lines(name)) {
        if (!line.empty() && line[0] != '#') {
            sentences.push_back(line);
        }
    }
    return sentences;
}

std::vector<CheckedFix> CheckedFixes(const std::string& name) {
    std::vector<CheckedFix> fixes;
    for (const std::string& line : Lines(name + ".chk")) {
        const auto mode = NumberAfter(line, "mode");
        const auto latitude = NumberAfter(line, "lat");
        const auto longitude = NumberAfter(line, "lon");
        if (line.find("\"TPV\"") == std::string::npos || !mode || *mode < 2 || !latitude ||
            !longitude) {
            continue;
        }
        CheckedFix fix{*latitude, *longitude, std::nullopt, {}};
        if (*mode >= 3) {
            fix.altitude = NumberAfter(line, "altMSL");
        }
        const std::size_t time = line.find("\"time\":\"");
        if (time != std::string::npos) {
            fix.time = line.substr(time + 8, line.find('"', time + 8) - time - 8);
        }
        fixes.push_back(fix);
    }
    return fixes;
}
