#include "platform/linux/UdpDatagramSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

UdpDatagramSocket::~UdpDatagramSocket() {
    Stop();
}

long UdpDatagramSocket::Fail() {
    lastError_ = errno;
    return -1;
}

void UdpDatagramSocket::Stop() {
    for (int socket : open_) {
        ::close(socket);
    }
    open_.clear();
}

int UdpDatagramSocket::Create() {
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (socket < 0) {
        return static_cast<int>(Fail());
    }
    open_.insert(socket);
    return socket;
}

long UdpDatagramSocket::SendTo(int socket, std::span<const std::uint8_t> bytes,
                               const Ipv4Endpoint& to) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(to.port);
    address.sin_addr.s_addr = htonl(to.address);
    const ssize_t sent = ::sendto(socket, bytes.data(), bytes.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent < 0 ? Fail() : static_cast<long>(sent);
}

int UdpDatagramSocket::WaitReadable(int socket) {
    pollfd watched{socket, POLLIN, 0};
    const int ready = ::poll(&watched, 1, 1);
    if (ready < 0) {
        // A signal cut the wait short; the next tick looks again.
        return errno == EINTR ? 0 : static_cast<int>(Fail());
    }
    if (ready > 0 && (watched.revents & POLLNVAL) != 0) {
        lastError_ = EBADF;
        return -1;
    }
    return ready > 0 ? 1 : 0;
}

long UdpDatagramSocket::ReceiveFrom(int socket, std::span<std::uint8_t> buffer,
                                    Ipv4Endpoint& from) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const ssize_t received = ::recvfrom(socket, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&address), &length);
    if (received < 0) {
        // Readable but gone (a datagram with a bad checksum is dropped late): nothing.
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : Fail();
    }
    from.address = ntohl(address.sin_addr.s_addr);
    from.port = ntohs(address.sin_port);
    return static_cast<long>(received);
}

void UdpDatagramSocket::Close(int socket) {
    if (open_.erase(socket) > 0) {
        ::close(socket);
    }
}
