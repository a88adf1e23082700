#pragma once

#include <cstdint>
#include <string>

// Tells when the kernel's IPv4 addresses, routes or network interfaces change: a
// NETLINK_ROUTE socket subscribed to their announcements. Its messages are counted, never
// parsed, so whatever arrives costs one bounded read each.
class RouteWatch {
public:
    RouteWatch();
    ~RouteWatch();
    RouteWatch(const RouteWatch&) = delete;
    RouteWatch& operator=(const RouteWatch&) = delete;

    // The socket to wait on for reading; -1 when it could not be made.
    int Fd() const { return fd_; }
    // What a loop without the socket says once at start: why, and what that costs.
    std::string Unwatched() const {
        return "cannot watch the network (" + error_ +
               "); a report waiting for the network goes within a minute of its return";
    }
    // Reads what has arrived, at most a bounded number of messages a call; a loop calls it
    // whenever Fd is readable.
    void Drain();
    // Announcements read so far (an overrun, where some were lost, counts as one).
    std::uint64_t Changes() const { return changes_; }

private:
    int fd_ = -1;
    std::string error_;
    std::uint64_t changes_ = 0;
};
