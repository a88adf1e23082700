#include "platform/sim/SimDatagramSocket.h"

#include <algorithm>
#include <cerrno>

#include "platform/sim/SimNetwork.h"

SimDatagramSocket::SimDatagramSocket(SimNetwork& network, std::uint32_t localAddress)
    : network_(network), localAddress_(localAddress) {}

bool SimDatagramSocket::Start() {
    ++startCount;
    return !startFails;
}

void SimDatagramSocket::Stop() {
    ++stopCount;
    for (const auto& [socket, endpoint] : sockets_) {
        network_.Detach(endpoint);
    }
    sockets_.clear();
}

long SimDatagramSocket::Fail(int error) {
    lastError_ = error;
    return -1;
}

int SimDatagramSocket::Create() {
    ++createCount;
    if (createError != 0) {
        return static_cast<int>(Fail(createError));
    }
    const int socket = nextSocket_++;
    const Ipv4Endpoint local{localAddress_, nextPort_++};
    sockets_[socket] = local;
    network_.AttachInbox(local);
    return socket;
}

Ipv4Endpoint SimDatagramSocket::LocalEndpoint(int socket) const {
    auto found = sockets_.find(socket);
    return found == sockets_.end() ? Ipv4Endpoint{} : found->second;
}

long SimDatagramSocket::SendTo(int socket, std::span<const std::uint8_t> bytes,
                               const Ipv4Endpoint& to) {
    auto found = sockets_.find(socket);
    if (found == sockets_.end()) {
        return Fail(EBADF);
    }
    if (sendError != 0) {
        return Fail(sendError);
    }
    if (!network_.Send(found->second, to, {bytes.begin(), bytes.end()})) {
        return Fail(EACCES);
    }
    return static_cast<long>(bytes.size());
}

int SimDatagramSocket::WaitReadable(int socket) {
    auto found = sockets_.find(socket);
    if (found == sockets_.end()) {
        return static_cast<int>(Fail(EBADF));
    }
    if (waitError != 0) {
        return static_cast<int>(Fail(waitError));
    }
    return network_.HasDue(found->second) ? 1 : 0;
}

long SimDatagramSocket::ReceiveFrom(int socket, std::span<std::uint8_t> buffer,
                                    Ipv4Endpoint& from) {
    auto found = sockets_.find(socket);
    if (found == sockets_.end()) {
        return Fail(EBADF);
    }
    if (receiveError != 0) {
        return Fail(receiveError);
    }
    SimDatagram datagram;
    if (!network_.TakeDue(found->second, datagram)) {
        return Fail(EAGAIN);
    }
    from = datagram.from;
    const std::size_t stored = std::min(buffer.size(), datagram.bytes.size());
    std::copy_n(datagram.bytes.begin(), stored, buffer.begin());
    return static_cast<long>(stored);
}

void SimDatagramSocket::Close(int socket) {
    ++closeCount;
    auto found = sockets_.find(socket);
    if (found != sockets_.end()) {
        network_.Detach(found->second);
        sockets_.erase(found);
    }
}
