#include "platform/linux/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "common/LastErrorText.h"

namespace {

speed_t SpeedOf(int baud) {
    switch (baud) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return B115200;
    }
}

int Milliseconds(std::chrono::milliseconds timeout) {
    return timeout.count() < 0 ? 0 : static_cast<int>(timeout.count());
}

}  // namespace

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::Fail(const std::string& what) {
    errorText_ = what + ": " + LastErrorText(errno);
    return false;
}

bool SerialPort::Open(const std::string& path, int baud) {
    Close();
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        return Fail(path);
    }
    termios tty{};
    if (::tcgetattr(fd_, &tty) != 0) {
        const bool result = Fail(path);
        Close();
        return result;
    }
    ::cfmakeraw(&tty);
    tty.c_cflag |= CLOCAL | CREAD;
    tty.c_cc[VMIN] = 0;
    tty.c_cc[VTIME] = 0;
    ::cfsetispeed(&tty, SpeedOf(baud));
    ::cfsetospeed(&tty, SpeedOf(baud));
    if (::tcsetattr(fd_, TCSANOW, &tty) != 0) {
        const bool result = Fail(path);
        Close();
        return result;
    }
    errorText_.clear();
    return true;
}

void SerialPort::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void SerialPort::DiscardInput() {
    if (fd_ >= 0) {
        ::tcflush(fd_, TCIFLUSH);
        char scrap[256];
        while (::read(fd_, scrap, sizeof scrap) > 0) {
        }
    }
}

bool SerialPort::Write(std::string_view bytes, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            return Fail("write");
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            errorText_ = "write: timed out";
            return false;
        }
        pollfd watched{fd_, POLLOUT, 0};
        ::poll(&watched, 1, Milliseconds(left));
    }
    return true;
}

bool SerialPort::Read(std::string& bytes, std::chrono::milliseconds timeout) {
    pollfd watched{fd_, POLLIN, 0};
    const int ready = ::poll(&watched, 1, Milliseconds(timeout));
    if (ready < 0) {
        return errno == EINTR ? true : Fail("poll");
    }
    if (ready == 0) {
        return true;
    }
    char chunk[512];
    const ssize_t got = ::read(fd_, chunk, sizeof chunk);
    if (got > 0) {
        bytes.append(chunk, static_cast<std::size_t>(got));
        return true;
    }
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
        return true;
    }
    if (got == 0 || (watched.revents & (POLLHUP | POLLERR)) != 0) {
        errorText_ = "the device hung up";
        return false;
    }
    return Fail("read");
}
