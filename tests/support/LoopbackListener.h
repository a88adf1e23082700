#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

// A TCP server on a free port of 127.0.0.1 that a test plays itself, one client at a time.
class LoopbackListener {
public:
    LoopbackListener() : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            listen(listener_, 4) == 0 &&
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port_ = std::to_string(ntohs(address.sin_port));
        }
    }
    ~LoopbackListener() {
        close(client_);  // -1 is refused harmlessly
        close(listener_);
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    const std::string& Port() const { return port_; }
    // Waits for the next client; false when none came within the deadline.
    bool Accept(std::chrono::milliseconds deadline) {
        close(client_);
        client_ =
            Readable(listener_, deadline) ? accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC) : -1;
        return client_ >= 0;
    }
    // The first line the client sent, with its end; "" when none came within the deadline.
    std::string ReadLine(std::chrono::milliseconds deadline) {
        std::string line;
        char c = 0;
        while (line.find('\n') == std::string::npos && Readable(client_, deadline) &&
               read(client_, &c, 1) == 1) {
            line += c;
        }
        return line.find('\n') == std::string::npos ? std::string() : line;
    }
    bool Send(const std::string& bytes) {
        return client_ >= 0 && send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                                   static_cast<ssize_t>(bytes.size());
    }

private:
    static bool Readable(int fd, std::chrono::milliseconds deadline) {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, static_cast<int>(deadline.count())) == 1;
    }

    int listener_ = -1;
    int client_ = -1;
    std::string port_;
};
