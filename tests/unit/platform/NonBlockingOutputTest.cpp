#include <fcntl.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <sstream>
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

Ends StreamSocket() {  // what the journal gives a service
    int fds[2] = {-1, -1};
    const int size = 4096;
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0) {
        setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    }
    return {fds[0], fds[1]};
}

Ends Terminal() {  // one that nobody reads, as one stopped with Ctrl-S
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    termios mode{};
    tcgetattr(terminal, &mode);
    cfmakeraw(&mode);
    tcsetattr(terminal, TCSANOW, &mode);
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

// A reader that stops reading holds nothing up; when it reads again it gets whole lines in
// order, then one line saying how many were left out, and the two add up.
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
        EXPECT_EQ(received.back(), '\n');
        std::istringstream in(received);
        std::string line;
        std::smatch match;
        int lines = 0;
        int last = 0;
        while (std::getline(in, line) &&
               std::regex_match(line, match, std::regex(R"((\d{5}) x{90})"))) {
            EXPECT_GT(std::stoi(match[1]), last);
            last = std::stoi(match[1]);
            ++lines;
        }
        ASSERT_TRUE(std::regex_match(line, match, std::regex(R"(\((\d+) lines left out: .*\))")))
            << line.substr(0, 200);
        EXPECT_EQ(lines + std::stoi(match[1]), kLines);
        EXPECT_FALSE(std::getline(in, line)) << "the count comes last";
        close(written);
        close(read);
    }
}

}  // namespace
