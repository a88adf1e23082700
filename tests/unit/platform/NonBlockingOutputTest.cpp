#include <fcntl.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <utility>

#include "platform/linux/NonBlockingOutput.h"

namespace {

using Ends = std::pair<int, int>;  // the end written, the end read

Ends Pipe() {
    int fds[2] = {-1, -1};
    if (pipe(fds) == 0) {
        fcntl(fds[1], F_SETPIPE_SZ, 4096);
    }
    return {fds[1], fds[0]};
}

Ends StreamSocket() {       // what the journal gives a service
    int fds[2] = {-1, -1};  // stay -1 on a failure, which the test's first check stops
    const int size = 4096;
    socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
    setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    return {fds[0], fds[1]};
}

Ends Terminal() {  // one that nobody reads, as one stopped with Ctrl-S
    int master = -1, terminal = -1;
    termios raw{};
    cfmakeraw(&raw);
    openpty(&master, &terminal, nullptr, &raw, nullptr);
    return {terminal, master};
}

std::string ReadAvailable(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::string got;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

// A reader that stops reading holds nothing up; the lines kept and the count left out add up.
TEST(NonBlockingOutput, NeverWaitsKeepsWholeLinesAndSaysWhatItDropped) {
    const std::pair<const char*, std::function<Ends()>> cases[] = {
        {"pipe", Pipe}, {"stream_socket", StreamSocket}, {"terminal", Terminal}};
    constexpr int kLines = 3000;
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        const auto [written, read] = make();
        ASSERT_GE(written, 0);
        const int flags = fcntl(written, F_GETFL);
        std::string received;
        {
            NonBlockingOutput output(written, 8192);
            for (int i = 0; i < kLines; ++i) {
                output.Line(std::to_string(10000 + i) + " " + std::string(90, 'x'));
            }
            EXPECT_EQ(fcntl(written, F_GETFL), flags) << "a shared descriptor keeps its mode";
            for (int round = 0; round < 1000 && output.PendingFd() >= 0; ++round) {
                received += ReadAvailable(read);
                output.Flush();
            }
        }
        received += ReadAvailable(read);
        const std::regex kept(R"((\d{5}) x{90}\n)"), count(R"(\((\d+) lines left out: .*\)\n)");
        int lines = 0, last = 0;
        std::smatch match;
        auto at = received.cbegin();
        for (; std::regex_search(at, received.cend(), match, kept,
                                 std::regex_constants::match_continuous);
             at = match[0].second, ++lines) {
            EXPECT_GT(std::stoi(match[1]), std::exchange(last, std::stoi(match[1])));
        }
        // The count comes last, and alone.
        ASSERT_TRUE(std::regex_match(at, received.cend(), match, count))
            << std::string(at, received.cend()).substr(0, 200);
        EXPECT_EQ(lines + std::stoi(match[1]), kLines);
        close(written);
        close(read);
    }
}

}  // namespace
