#include "PtyModem.h"

#include <poll.h>
#include <pty.h>
#include <unistd.h>

PtyModem::PtyModem(Script script, bool echo) : script_(std::move(script)), echo_(echo) {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
        path_ = name;
        thread_ = std::thread([this] { Run(); });
    }
}

PtyModem::~PtyModem() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    ::close(master_);
    ::close(slave_);
}

std::vector<std::string> PtyModem::Commands() {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

void PtyModem::Run() {
    std::string line;
    while (!stop_) {
        pollfd watched{master_, POLLIN, 0};
        if (::poll(&watched, 1, 20) <= 0) {
            continue;
        }
        char chunk[256];
        const ssize_t got = ::read(master_, chunk, sizeof chunk);
        if (got <= 0) {
            continue;
        }
        for (ssize_t i = 0; i < got; ++i) {
            if (chunk[i] != '\r' && chunk[i] != '\n') {
                line += chunk[i];
                continue;
            }
            if (line.empty()) {
                continue;
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                commands_.push_back(line);
            }
            std::string answer = script_(line);
            if (echo_) {
                answer = line + "\r" + answer;
            }
            // In two writes, so the reader may well see the answer split.
            const std::size_t half = answer.size() / 2;
            (void)!::write(master_, answer.data(), half);
            (void)!::write(master_, answer.data() + half, answer.size() - half);
            line.clear();
        }
    }
}
