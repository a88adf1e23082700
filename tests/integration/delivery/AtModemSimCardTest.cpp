#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>

#include <map>
#include <thread>

#include "common/MessageCodes.h"
#include "platform/linux/AtModemSimCard.h"
#include "unit/delivery/SenderFixture.h"

namespace {

using Answers = std::map<std::string, std::string>;

// A modem on a pseudo-terminal: a thread answers each AT command line from a table (ERROR
// for anything else), in two writes so that the reader may see the answer split.
struct PtyModem {
    PtyModem(const Answers& answers, bool echo) {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
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

// What differs from a classic SIM card's answers, and whether the IMSI can be read.
struct ModemCase {
    const char* name;
    bool echo;
    Answers answers;
    bool readable;
};

TEST(AtModemSimCard, TheModemsImsiIsTheOneOnTheWire) {
    const std::string directory = "AT+CRSM=192,32544", info = "AT+CRSM=192,28423",
                      read = "AT+CRSM=176,28423,0,0,9", ok = "\r\nOK\r\n";
    const std::string imsi = "\r\n+CRSM: 144,0,\"082926017920451836\"" + ok;
    const Answers classic = {{directory, "\r\n+CRSM: 144,0,\"0000000C7F2002000000000009\"" + ok},
                             {info, "\r\n+CRSM: 144,0,\"000000096F0704000A000001000000\"" + ok},
                             {read, imsi}};
    const std::string uicc =
        "\r\n+CRSM: 144,0,\"62178202412183026F07A506C00100CA01808A01058002FFFF\"" + ok;
    // clang-format off
    const ModemCase cases[] = {
        {"EchoOnAndUnsolicited", true, {{read, "\r\nRING\r\n\r\n+CREG: 1\r\n" + imsi}}, true},
        {"UiccNoDirectory", false, {{directory, "\r\nERROR\r\n"}, {info, uicc}}, true},
        {"ReadRefused", false, {{read, "\r\n+CME ERROR: 10\r\n"}}, false},
        {"Garbled", true, {{read, "\r\n+CRSM: 144,0,\"0829260\"" + ok}}, false},
        {"WrongStatus", false, {{read, "\r\n+CRSM: 106,130" + ok}}, false},
        {"Silent", false, {{read, ""}}, false}};
    // clang-format on
    for (const ModemCase& row : cases) {
        SCOPED_TRACE(row.name);
        Answers answers = row.answers;
        answers.insert(classic.begin(), classic.end());
        PtyModem modem(answers, row.echo);
        ASSERT_FALSE(modem.path.empty()) << "openpty failed";
        AtModemSimCard sim(modem.path);
        SenderFixture f(true, &sim);
        f.sender->Post(MsgAlarm, 0);
        if (!row.readable) {
            f.Tick(10);
            EXPECT_EQ(f.sender->GetState(), SenderState::Starting);
            EXPECT_EQ(f.sender->GetLastError(), "Нет SIM карты");
            EXPECT_EQ(f.sender->imsi, "");
            continue;
        }
        ASSERT_TRUE(f.TickUntilSent()) << sim.ErrorText();
        EXPECT_EQ(f.mainRoom.reports.at(0).fields.imsi, "262109702548163");
    }
}

}  // namespace
