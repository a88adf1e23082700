#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Lines for a descriptor that may stop taking them (a pipe nobody reads, a terminal
// stopped with Ctrl-S, a journal slow to read), written without ever waiting for it.
// What cannot go at once waits in a bounded backlog that the owner's loop sends on when
// the descriptor is writable; a line that does not fit there is dropped, and once the
// backlog has gone out one more line says how many were.
//
// The descriptor's own mode is left alone, since others may share its open file (the
// shell's terminal or pipe): a socket is written with MSG_DONTWAIT, a pipe or terminal
// through a non-blocking open file of our own (/proc/self/fd), and where that cannot be
// had, a pipe only once poll() says a page of it is free. A regular file never waits
// for a reader.
class NonBlockingOutput {
public:
    static constexpr std::size_t DefaultBacklogBytes = 64 * 1024;

    explicit NonBlockingOutput(int fd, std::size_t backlogBytes = DefaultBacklogBytes);
    ~NonBlockingOutput();
    NonBlockingOutput(const NonBlockingOutput&) = delete;
    NonBlockingOutput& operator=(const NonBlockingOutput&) = delete;

    // Writes text and a line break now, or keeps them for later, or drops them.
    void Line(std::string_view text);
    // Sends on what it can of the backlog without waiting.
    void Flush();
    // Gives the backlog up to waitMs to go out: before the program ends.
    void Drain(int waitMs);
    // The descriptor to poll for POLLOUT while a backlog waits; -1 while none does.
    int PendingFd() const;

private:
    enum class Way { Send, OwnOpenFile, PollFirst, Plain };
    // Writes from the front of bytes without waiting; how many bytes are done with
    // (all of them when the output has failed for good: nobody is left to read them).
    std::size_t WriteSome(std::string_view bytes);
    int WriteFd() const { return ownFd_ >= 0 ? ownFd_ : fd_; }

    int fd_;
    int ownFd_ = -1;
    Way way_ = Way::Plain;
    std::size_t limit_;
    std::string backlog_;
    std::size_t dropped_ = 0;
};

// The program's standard output and standard error, for everyone who writes there.
NonBlockingOutput& StandardOutput();
NonBlockingOutput& StandardError();
