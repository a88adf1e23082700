#include "support/LoopbackListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool Readable(int fd, std::chrono::milliseconds deadline) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, static_cast<int>(deadline.count())) == 1;
}

}  // namespace

LoopbackListener::LoopbackListener() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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

LoopbackListener::~LoopbackListener() {
    close(client_);  // -1 is refused harmlessly
    close(listener_);
}

bool LoopbackListener::Accept(std::chrono::milliseconds deadline) {
    close(client_);
    client_ = -1;
    if (Readable(listener_, deadline)) {
        client_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    return client_ >= 0;
}

std::string LoopbackListener::ReadLine(std::chrono::milliseconds deadline) {
    std::string line;
    char c = 0;
    while (line.find('\n') == std::string::npos && Readable(client_, deadline) &&
           read(client_, &c, 1) == 1) {
        line += c;
    }
    return line.find('\n') == std::string::npos ? std::string() : line;
}

bool LoopbackListener::Send(const std::string& bytes) {
    return client_ >= 0 && send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                               static_cast<ssize_t>(bytes.size());
}
