#include <fcntl.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <regex>
#include <string>

#include "platform/linux/NonBlockingOutput.h"

namespace {

struct Ends {
    int write = -1;
    int read = -1;
};

Ends Pipe() {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    fcntl(fds[1], F_SETPIPE_SZ, 4096);
    return {fds[1], fds[0]};
}

Ends StreamSocket() {  // what the journal gives a service
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        return {};
    }
    const int size = 4096;
    setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    return {fds[0], fds[1]};
}

Ends Terminal() {  // one that nobody reads, as one stopped with Ctrl-S
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        return {};
    }
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    termios mode{};
    tcgetattr(terminal, &mode);
    cfmakeraw(&mode);
    tcsetattr(terminal, TCSANOW, &mode);
    return {terminal, master};
}

std::string ReadAvailable(int fd) {
    std::string got;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

struct OutputCase {
    const char* name;
    std::function<Ends()> make;
};

// A reader that stops reading holds nothing up; when it reads again it gets whole lines in
// order, then one line saying how many were left out, and the two add up.
TEST(NonBlockingOutput, NeverWaitsKeepsWholeLinesAndSaysWhatItDropped) {
    const OutputCase cases[] = {
        {"pipe", Pipe}, {"stream_socket", StreamSocket}, {"terminal", Terminal}};
    constexpr int kLines = 3000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Ends ends = c.make();
        ASSERT_GE(ends.write, 0);
        const int flags = fcntl(ends.write, F_GETFL);
        std::string received;
        {
            NonBlockingOutput output(ends.write, 8192);
            for (int i = 0; i < kLines; ++i) {
                char line[128];
                std::snprintf(line, sizeof line, "line %05d %s", i, std::string(88, 'x').c_str());
                output.Line(line);
            }
            EXPECT_EQ(fcntl(ends.write, F_GETFL), flags) << "a shared descriptor keeps its mode";
            for (int round = 0; round < 1000 && output.PendingFd() >= 0; ++round) {
                received += ReadAvailable(ends.read);
                output.Flush();
            }
            EXPECT_EQ(output.PendingFd(), -1);
        }
        received += ReadAvailable(ends.read);
        const std::regex line(R"(line (\d{5}) x{88}\n)");
        int lines = 0;
        int last = -1;
        auto at = received.cbegin();
        for (std::smatch match; std::regex_search(at, received.cend(), match, line,
                                                  std::regex_constants::match_continuous);
             at = match.suffix().first) {
            EXPECT_GT(std::stoi(match[1]), last);
            last = std::stoi(match[1]);
            ++lines;
        }
        std::smatch notice;
        const std::string rest(at, received.cend());
        ASSERT_TRUE(std::regex_match(rest, notice, std::regex(R"(\((\d+) lines left out: .*\)\n)")))
            << rest.substr(0, 200);
        EXPECT_EQ(lines + std::stoi(notice[1]), kLines);
        close(ends.write);
        close(ends.read);
    }
}

}  // namespace
