#include "platform/linux/TcpStream.h"

#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

// A background lookup (glibc's getaddrinfo_a). The request is written by the lookup until
// it ends, so it lives on the heap and is only freed once the lookup is over.
struct NameLookup {
    std::string host, port;
    addrinfo hints{};
    gaicb request{};
};

namespace {

std::vector<addrinfo*> Results(addrinfo* list) {
    std::vector<addrinfo*> results;
    for (addrinfo* a = list; a != nullptr; a = a->ai_next) {
        results.push_back(a);
    }
    return results;
}

}  // namespace

TcpStream::TcpStream() = default;

TcpStream::~TcpStream() {
    Close();
    if (lookup_ && gai_cancel(&lookup_->request) != EAI_CANCELED &&
        gai_error(&lookup_->request) == EAI_INPROGRESS) {
        // Still writing into the request and not to be stopped: leave it to finish.
        static_cast<void>(lookup_.release());
    } else if (lookup_ && lookup_->request.ar_result != nullptr) {
        freeaddrinfo(lookup_->request.ar_result);
    }
}

int TcpStream::Start(const std::string& host, const std::string& port) {
    Close();
    addresses_.clear();
    next_ = 0;
    lastError_ = ECONNREFUSED;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    // An address, or the name every system gives its loopback, needs no lookup.
    const std::string address = host == "localhost" ? "127.0.0.1" : host;
    const int numeric = getaddrinfo(address.c_str(), port.c_str(), &hints, &found);
    if (numeric == 0) {
        TakeAddresses(found);
        return ConnectNext();
    }
    if (numeric != EAI_NONAME) {
        return EADDRNOTAVAIL;
    }
    if (!lookup_) {
        lookup_ = std::make_unique<NameLookup>();
        lookup_->host = host;
        lookup_->port = port;
        lookup_->hints.ai_socktype = SOCK_STREAM;
        lookup_->hints.ai_flags = AI_ADDRCONFIG;
        lookup_->request.ar_name = lookup_->host.c_str();
        lookup_->request.ar_service = lookup_->port.c_str();
        lookup_->request.ar_request = &lookup_->hints;
        gaicb* list[] = {&lookup_->request};
        if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
            lookup_.reset();
            return EHOSTUNREACH;
        }
    }
    lookingUp_ = true;
    return 0;
}

void TcpStream::TakeAddresses(addrinfo* found) {
    for (const addrinfo* a : Results(found)) {
        Address entry{};
        std::memcpy(&entry.storage, a->ai_addr, a->ai_addrlen);
        entry.length = a->ai_addrlen;
        addresses_.push_back(entry);
    }
    freeaddrinfo(found);
}

int TcpStream::Finish() {
    if (lookingUp_) {
        const int state = gai_error(&lookup_->request);
        if (state == EAI_INPROGRESS) {
            return EINPROGRESS;
        }
        lookingUp_ = false;
        addrinfo* found = lookup_->request.ar_result;
        lookup_.reset();
        if (state != 0) {
            if (found != nullptr) {
                freeaddrinfo(found);
            }
            return EHOSTUNREACH;
        }
        TakeAddresses(found);
        if (const int error = ConnectNext(); error != 0) {
            return error;
        }
    }
    // Each pass either ends or moves on to the next address.
    while (fd_ >= 0 && !connected_) {
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, 0) == 0) {
            return EINPROGRESS;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
        }
        if (error == 0) {
            connected_ = true;
            break;
        }
        lastError_ = error;
        CloseSocket();
        if (const int next = ConnectNext(); next != 0) {
            return next;
        }
    }
    return connected_ ? 0 : ENOTCONN;
}

int TcpStream::ConnectNext() {
    while (next_ < addresses_.size()) {
        const Address& address = addresses_[next_++];
        fd_ = socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            lastError_ = errno;
            continue;
        }
        if (connect(fd_, reinterpret_cast<const sockaddr*>(&address.storage), address.length) ==
            0) {
            connected_ = true;
            return 0;
        }
        if (errno == EINPROGRESS) {
            return 0;
        }
        lastError_ = errno;
        CloseSocket();
    }
    return lastError_;
}

int TcpStream::Send(std::string_view bytes) {
    if (!connected_) {
        return ENOTCONN;
    }
    const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0) {
        return errno;
    }
    return static_cast<std::size_t>(sent) == bytes.size() ? 0 : EIO;
}

int TcpStream::Receive(std::span<char> buffer, std::size_t& received) {
    received = 0;
    if (!connected_) {
        return ENOTCONN;
    }
    for (;;) {
        const ssize_t got = recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (got > 0) {
            received = static_cast<std::size_t>(got);
            return 0;
        }
        if (got == 0) {
            return ECONNRESET;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        if (errno != EINTR) {
            return errno;
        }
    }
}

void TcpStream::CloseSocket() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    connected_ = false;
}

void TcpStream::Close() {
    CloseSocket();
    // A lookup under way is kept for the next start.
    lookingUp_ = false;
}
