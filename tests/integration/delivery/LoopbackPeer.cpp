#include "LoopbackPeer.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

LoopbackPeer::LoopbackPeer(const std::string& address, std::uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    bound_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
}

LoopbackPeer::~LoopbackPeer() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::uint16_t LoopbackPeer::Port() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

bool LoopbackPeer::Receive(std::vector<std::uint8_t>& bytes, sockaddr_in& from) {
    bytes.resize(2048);
    socklen_t length = sizeof from;
    const ssize_t got =
        ::recvfrom(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return got >= 0;
}

void LoopbackPeer::SendTo(const std::vector<std::uint8_t>& bytes, const sockaddr_in& to) {
    ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void LoopbackPeer::SendTo(const std::vector<std::uint8_t>& bytes, const std::string& address,
                          std::uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &to.sin_addr);
    SendTo(bytes, to);
}

std::vector<std::uint8_t> AckOf(const std::vector<std::uint8_t>& report) {
    return {report.begin(), report.begin() + 21};
}
