#pragma once

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <map>
#include <string>
#include <thread>

// A modem on a raw pseudo-terminal (openpty is in libutil): a thread answers each AT
// command line ending in CR from a table (ERROR for anything else), in two writes so that
// the reader may see the answer split.
struct PtyModem {
    using Answers = std::map<std::string, std::string>;

    // A classic SIM card's answers: its GSM directory, the IMSI file's header, and the
    // IMSI file itself holding the given bytes in hex.
    static Answers ClassicSim(const std::string& imsiFile) {
        const std::string ok = "\r\nOK\r\n";
        return {{"AT+CRSM=192,32544", "\r\n+CRSM: 144,0,\"0000000C7F2002000000000009\"" + ok},
                {"AT+CRSM=192,28423", "\r\n+CRSM: 144,0,\"000000096F0704000A000001000000\"" + ok},
                {"AT+CRSM=176,28423,0,0,9", "\r\n+CRSM: 144,0,\"" + imsiFile + "\"" + ok}};
    }

    PtyModem(const Answers& answers, bool echo) {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
            return;
        }
        path = name;
        thread = std::jthread([=, this](std::stop_token stop) {
            std::string input;
            for (char chunk[256]; !stop.stop_requested();) {
                pollfd watched{master, POLLIN, 0};
                const ssize_t n = ::poll(&watched, 1, 20) > 0 ? ::read(master, chunk, 256) : 0;
                input.append(chunk, n > 0 ? static_cast<std::size_t>(n) : 0);
                for (std::size_t end; (end = input.find('\r')) != std::string::npos;
                     input.erase(0, end + 1)) {
                    const std::string line = input.substr(0, end);
                    const auto found = answers.find(line);
                    const std::string answer =
                        (echo ? line + "\r" : "") +
                        (found == answers.end() ? "\r\nERROR\r\n" : found->second);
                    const std::size_t half = answer.size() / 2;
                    (void)!::write(master, answer.data(), half);
                    (void)!::write(master, answer.data() + half, answer.size() - half);
                }
            }
        });
    }
    ~PtyModem() {
        thread = {};  // stops and joins before the descriptors go
        ::close(master);
        ::close(slave);
    }

    int master = -1, slave = -1;
    std::string path;
    std::jthread thread;
};
