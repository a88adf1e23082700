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
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
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
        socklen_t length = sizeof peer;
        const ssize_t size = ::recvfrom(socket, buffer.data(), buffer.size(), 0,
                                        reinterpret_cast<sockaddr*>(&peer), &length);
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
            entry.acknowledged = ::sendto(socket, buffer.data(), AcknowledgementSize, 0,
                                          reinterpret_cast<const sockaddr*>(&peer), length) > 0;
        }
        std::printf("%s\n", FormatPultLine(entry, options.json).c_str());
        std::fflush(stdout);
    }
    ::close(socket);
    return 0;
}
