#include "platform/linux/RouteWatch.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "common/LastErrorText.h"

namespace {
// A burst beyond this is read on the loop's next turn: the socket stays readable.
constexpr int MaxReadsPerDrain = 32;
}  // namespace

RouteWatch::RouteWatch() {
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd_ < 0) {
        error_ = "netlink: " + LastErrorText(errno);
        return;
    }
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE;
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error_ = "netlink: " + LastErrorText(errno);
        ::close(fd_);
        fd_ = -1;
    }
}

RouteWatch::~RouteWatch() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void RouteWatch::Drain() {
    for (int i = 0; i < MaxReadsPerDrain && fd_ >= 0; ++i) {
        // Only that a message came matters: a short buffer, the rest of it is discarded.
        char head[64];
        const ssize_t got = ::recv(fd_, head, sizeof head, MSG_DONTWAIT | MSG_TRUNC);
        if (got >= 0 || errno == ENOBUFS) {
            ++changes_;  // an overrun lost announcements: something changed
            continue;
        }
        if (errno != EINTR) {
            return;  // EAGAIN: all read
        }
    }
}
