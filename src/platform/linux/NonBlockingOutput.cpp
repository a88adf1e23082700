#include "platform/linux/NonBlockingOutput.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

std::string DroppedNotice(std::size_t dropped) {
    // Appended in place: GCC 12 at -O3 warns falsely (-Wrestrict) on "(" + std::string.
    std::string notice = "(";
    notice += std::to_string(dropped);
    notice += " lines left out: the output did not take them)\n";
    return notice;
}

}  // namespace

NonBlockingOutput::NonBlockingOutput(int fd, std::size_t backlogBytes)
    : fd_(fd), limit_(std::max<std::size_t>(backlogBytes, 2)) {
    struct stat status {};
    if (fstat(fd_, &status) != 0) {
        return;
    }
    if (S_ISSOCK(status.st_mode)) {
        way_ = Way::Send;
    } else if (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)) {
        // A new open of the same pipe or terminal has a mode of its own.
        const std::string path = "/proc/self/fd/" + std::to_string(fd_);
        ownFd_ = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        way_ = ownFd_ >= 0 ? Way::OwnOpenFile : Way::PollFirst;
    }
}

NonBlockingOutput::~NonBlockingOutput() {
    Flush();
    if (ownFd_ >= 0) {
        close(ownFd_);
    }
}

void NonBlockingOutput::Line(std::string_view text) {
    Flush();
    std::string line(text.substr(0, limit_ - 1));
    line += '\n';
    if (!backlog_.empty()) {
        if (backlog_.size() + line.size() <= limit_) {
            backlog_ += line;
        } else {
            ++dropped_;
        }
        return;
    }
    line.erase(0, WriteSome(line));
    // The rest of a line begun must follow before anything else, or two lines would mix.
    backlog_ = std::move(line);
}

void NonBlockingOutput::Flush() {
    while (true) {
        if (backlog_.empty()) {
            if (dropped_ == 0) {
                return;
            }
            backlog_ = DroppedNotice(dropped_);
            dropped_ = 0;
        }
        backlog_.erase(0, WriteSome(backlog_));
        if (!backlog_.empty()) {
            return;
        }
    }
}

void NonBlockingOutput::Drain(int waitMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    Flush();
    while (PendingFd() >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd writable{PendingFd(), POLLOUT, 0};
        if (left <= 0 || poll(&writable, 1, static_cast<int>(left)) == 0) {
            return;
        }
        Flush();
    }
}

int NonBlockingOutput::PendingFd() const {
    return backlog_.empty() && dropped_ == 0 ? -1 : WriteFd();
}

std::size_t NonBlockingOutput::WriteSome(std::string_view bytes) {
    ssize_t written = -1;
    do {
        switch (way_) {
            case Way::Send:
                written = send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
                break;
            case Way::PollFirst: {
                // A pipe that polls writable has a free page, which a write of at most
                // that much fills without waiting.
                pollfd writable{fd_, POLLOUT, 0};
                if (poll(&writable, 1, 0) != 1) {
                    return 0;
                }
                written = write(fd_, bytes.data(), std::min<std::size_t>(bytes.size(), PIPE_BUF));
                break;
            }
            case Way::OwnOpenFile:
            case Way::Plain:
                written = write(WriteFd(), bytes.data(), bytes.size());
                break;
        }
    } while (written < 0 && errno == EINTR);
    if (written >= 0) {
        return static_cast<std::size_t>(written);
    }
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : bytes.size();
}

NonBlockingOutput& StandardOutput() {
    static NonBlockingOutput output(STDOUT_FILENO);
    return output;
}

NonBlockingOutput& StandardError() {
    static NonBlockingOutput output(STDERR_FILENO);
    return output;
}
