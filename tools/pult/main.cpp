// mzorvany-pult: receives report datagrams, prints them and acknowledges them.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PultAckPolicy.h"
#include "PultOptions.h"
#include "PultOutput.h"
#include "delivery/Ipv4Address.h"

namespace {

int Bind(const Ipv4Endpoint& listen) {
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (socket < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(listen.port);
    address.sin_addr.s_addr = htonl(listen.address);
    const int on = 1;
    if (::setsockopt(socket, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0 ||
        ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

// Reads one datagram and the local address it was sent to.
ssize_t Receive(int socket, std::vector<std::uint8_t>& buffer, sockaddr_in& peer, in_addr& local) {
    iovec data{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &peer;
    message.msg_namelen = sizeof peer;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t size = ::recvmsg(socket, &message, 0);
    local.s_addr = INADDR_ANY;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            local = reinterpret_cast<const in_pktinfo*>(CMSG_DATA(c))->ipi_addr;
        }
    }
    return size;
}

// Answers from the address the report was sent to: a handset accepts acknowledgements
// only from its servers' addresses, whichever address the routing would pick.
bool SendFrom(int socket, const std::uint8_t* bytes, std::size_t size, const sockaddr_in& peer,
              const in_addr& local) {
    iovec data{const_cast<std::uint8_t*>(bytes), size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&peer);
    message.msg_namelen = sizeof peer;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&message);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst = local;
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    return ::sendmsg(socket, &message, 0) > 0;
}

Ipv4Endpoint BoundEndpoint(int socket) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return {ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const PultOptions options = ParsePultOptions({argv + 1, argv + argc}, error);
    if (!error.empty()) {
        std::fprintf(stderr, "mzorvany-pult: %s\n%s", error.c_str(), PultUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(PultUsage, stdout);
        return 0;
    }
    const int socket = Bind(options.listen);
    if (socket < 0) {
        std::fprintf(stderr, "mzorvany-pult: cannot listen on %s:%u: %s\n",
                     FormatIpv4Address(options.listen.address).c_str(), options.listen.port,
                     std::strerror(errno));
        return 1;
    }
    const Ipv4Endpoint bound = BoundEndpoint(socket);
    std::fprintf(stderr, "listening on %s:%u\n", FormatIpv4Address(bound.address).c_str(),
                 bound.port);
    std::fflush(stderr);

    PultAckPolicy policy(options);
    std::vector<std::uint8_t> buffer(65536);
    for (std::int64_t received = 0; !options.count || received < *options.count;) {
        sockaddr_in peer{};
        in_addr local{};
        const ssize_t size = Receive(socket, buffer, peer, local);
        if (size < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::fprintf(stderr, "mzorvany-pult: receive failed: %s\n", std::strerror(errno));
            return 1;
        }
        ++received;
        PultEntry entry;
        entry.from = {ntohl(peer.sin_addr.s_addr), ntohs(peer.sin_port)};
        entry.size = static_cast<std::size_t>(size);
        entry.report = DecodeReportDatagram({buffer.data(), entry.size});
        if (entry.report.error.empty() && policy.ShouldAcknowledge()) {
            entry.acknowledged = SendFrom(socket, buffer.data(), AcknowledgementSize, peer, local);
        }
        std::printf("%s\n", FormatPultLine(entry, options.json).c_str());
        std::fflush(stdout);
    }
    ::close(socket);
    return 0;
}
