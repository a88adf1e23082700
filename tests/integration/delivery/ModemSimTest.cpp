#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>

#include <atomic>
#include <map>
#include <thread>

#include "RealSenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"
#include "platform/linux/AtModemSim.h"

namespace {

// A modem on a pseudo-terminal: a thread of the test answers each AT command line from
// a table (ERROR for anything else), in two writes so the reader may see it split.
class PtyModem {
public:
    PtyModem(const std::map<std::string, std::string>& answers, bool echo) {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
            path = name;
            thread_ = std::thread([this, answers, echo] { Run(answers, echo); });
        }
    }
    ~PtyModem() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        ::close(master_);
        ::close(slave_);
    }
    std::string path;

private:
    void Run(const std::map<std::string, std::string>& answers, bool echo) {
        std::string line;
        char c = 0;
        while (!stop_) {
            pollfd watched{master_, POLLIN, 0};
            if (::poll(&watched, 1, 20) <= 0 || ::read(master_, &c, 1) != 1) {
                continue;
            }
            if (c != '\r') {
                line += c;
                continue;
            }
            const auto found = answers.find(line);
            std::string answer = found == answers.end() ? "\r\nERROR\r\n" : found->second;
            answer = (echo ? line + "\r" : "") + answer;
            const std::size_t half = answer.size() / 2;
            (void)!::write(master_, answer.data(), half);
            (void)!::write(master_, answer.data() + half, answer.size() - half);
            line.clear();
        }
    }
    int master_ = -1;
    int slave_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

const std::string kOk = "\r\nOK\r\n";
const std::string kDirectory = "\r\n+CRSM: 144,0,\"0000000C7F2002000000000009\"" + kOk;
const std::string kImsiFileInfo = "\r\n+CRSM: 144,0,\"000000096F0704000A000001000000\"" + kOk;
const std::string kImsiFileFcp =
    "\r\n+CRSM: 144,0,\"62178202412183026F07A506C00100CA01808A01058002FFFF\"" + kOk;
const std::string kImsi = "\r\n+CRSM: 144,0,\"082926017920451836\"" + kOk;

const std::map<std::string, std::string> kGoodModem = {{"AT+CRSM=192,32544", kDirectory},
                                                       {"AT+CRSM=192,28423", kImsiFileInfo},
                                                       {"AT+CRSM=176,28423,0,0,9", kImsi}};

std::map<std::string, std::string> With(const std::string& command, const std::string& answer) {
    auto answers = kGoodModem;
    answers[command] = answer;
    return answers;
}

struct ModemCase {
    const char* name;
    bool echo;
    std::map<std::string, std::string> answers;  // by command; others get ERROR
    const char* imsi;                            // "" when the SIM cannot be read
};

TEST(ModemSim, TheModemsImsiIsTheOneOnTheWire) {
    const std::string read = "AT+CRSM=176,28423,0,0,9";
    const ModemCase cases[] = {
        {"EchoOff", false, kGoodModem, "262109702548163"},
        {"EchoOnAndUnsolicited", true, With(read, "\r\nRING\r\n\r\n+CREG: 1\r\n" + kImsi),
         "262109702548163"},
        {"UiccNoDirectory",
         false,
         {{"AT+CRSM=192,28423", kImsiFileFcp}, {read, kImsi}},
         "262109702548163"},
        {"ReadRefused", false, With(read, "\r\n+CME ERROR: 10\r\n"), ""},
        {"Garbled", true, With(read, "\r\n+CRSM: 144,0,\"0829260\"" + kOk), ""},
        {"WrongStatus", false, With(read, "\r\n+CRSM: 106,130" + kOk), ""},
        {"Silent", false, With(read, ""), ""}};
    for (const ModemCase& c : cases) {
        SCOPED_TRACE(c.name);
        PtyModem modem(c.answers, c.echo);
        ASSERT_FALSE(modem.path.empty()) << "openpty failed";
        AtModemSim sim(modem.path);
        RealSenderFixture f(&sim);
        f.sender->Post(MsgAlarm, 0);
        if (std::string(c.imsi).empty()) {
            ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetState() == SenderStarting; }));
            f.Tick(3);
            EXPECT_EQ(f.sender->GetState(), SenderStarting);
            EXPECT_EQ(f.sender->GetLastError(), "Нет SIM карты");
            EXPECT_EQ(f.sender->imsi, "");
            continue;
        }
        Bytes bytes;
        sockaddr_in from{};
        bool fromMain = false;
        ASSERT_TRUE(f.NextDatagram(bytes, from, fromMain)) << sim.ErrorText();
        EXPECT_EQ(DecodeReportDatagram(bytes).fields.imsi, c.imsi);
        f.main.Acknowledge(bytes, from);
        EXPECT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
    }
}

TEST(ModemSim, MissingDeviceFailsAtOnce) {
    AtModemSim sim("/nonexistent/ttyMZ0");
    EXPECT_FALSE(sim.Open());
    EXPECT_NE(sim.ErrorText(), "");
}

}  // namespace
