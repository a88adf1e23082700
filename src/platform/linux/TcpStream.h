#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct NameLookup;
struct addrinfo;

// A TCP connection made and used without ever waiting: the name lookup and the connect
// go on while the caller does other things, and each call looks at how far they got.
class TcpStream {
public:
    TcpStream();
    ~TcpStream();
    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    // Starts connecting to host (an address, "localhost", or a name to look up) at port:
    // 0, or why it cannot start (an errno value).
    int Start(const std::string& host, const std::string& port);
    // 0 once connected; EINPROGRESS while the lookup or the connect goes on; otherwise why
    // no address would take the connection, and the stream is closed.
    int Finish();
    // Sends a short request whole, at once: 0 or an errno value.
    int Send(std::string_view bytes);
    // Takes what has arrived, at most the buffer's size; received is 0 when nothing waits.
    // ECONNRESET when the peer has closed the connection.
    int Receive(std::span<char> buffer, std::size_t& received);
    void Close();
    bool IsStarted() const { return fd_ >= 0 || lookingUp_; }

private:
    struct Address {
        sockaddr_storage storage;
        socklen_t length;
    };
    // Starts a connect to the next address; 0 when one is under way or made.
    // Keeps the addresses of a lookup's results and frees them.
    void TakeAddresses(addrinfo* found);
    int ConnectNext();
    void CloseSocket();

    int fd_ = -1;
    bool connected_ = false;
    std::vector<Address> addresses_;
    std::size_t next_ = 0;
    int lastError_ = 0;
    // The lookup of a name runs on for as long as it takes, across connection attempts:
    // an attempt that finds one under way waits for it rather than starting another.
    std::unique_ptr<NameLookup> lookup_;
    bool lookingUp_ = false;
};
