#include <gtest/gtest.h>

#include <map>

#include "PtyModem.h"
#include "RealSenderFixture.h"
#include "common/MessageCodes.h"
#include "delivery/ReportDatagram.h"
#include "platform/linux/AtModemSim.h"

namespace {

const std::string kOk = "\r\nOK\r\n";
const std::string kDirectory = "\r\n+CRSM: 144,0,\"0000000C7F2002000000000009\"" + kOk;
const std::string kImsiFileInfo = "\r\n+CRSM: 144,0,\"000000096F0704000A000001000000\"" + kOk;
const std::string kImsiFileFcp =
    "\r\n+CRSM: 144,0,\"62178202412183026F07A506C00100CA01808A01058002FFFF\"" + kOk;
const std::string kImsi = "\r\n+CRSM: 144,0,\"082926017920451836\"" + kOk;

struct ModemCase {
    const char* name;
    bool echo;
    std::map<std::string, std::string> answers;  // by command; unknown commands get ERROR
    const char* imsi;                            // "" when the SIM cannot be read
};

class ModemSimTest : public ::testing::TestWithParam<ModemCase> {};

TEST_P(ModemSimTest, TheModemsImsiIsTheOneOnTheWire) {
    const ModemCase& c = GetParam();
    PtyModem modem(
        [&](const std::string& command) {
            const auto found = c.answers.find(command);
            return found == c.answers.end() ? std::string("\r\nERROR\r\n") : found->second;
        },
        c.echo);
    ASSERT_FALSE(modem.DevicePath().empty()) << "openpty failed";
    AtModemSim sim(modem.DevicePath());
    RealSenderFixture f(&sim);
    f.sender->Post(MsgAlarm, 0);

    if (std::string(c.imsi).empty()) {
        ASSERT_TRUE(f.TickUntil([&] { return f.sender->GetState() == SenderStarting; }));
        for (int i = 0; i < 3; ++i) {
            f.clock.AdvanceMilliseconds(100);
            f.sender->Tick();
        }
        EXPECT_EQ(f.sender->GetState(), SenderStarting);
        EXPECT_EQ(f.sender->GetLastError(), "Нет SIM карты");
        EXPECT_EQ(f.sender->imsi, "");
        return;
    }
    std::vector<std::uint8_t> bytes;
    sockaddr_in from{};
    bool fromMain = false;
    ASSERT_TRUE(f.NextDatagram(bytes, from, fromMain)) << sim.ErrorText();
    EXPECT_EQ(DecodeReportDatagram(bytes).fields.imsi, c.imsi);
    f.main.SendTo(AckOf(bytes), from);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
    EXPECT_EQ(modem.Commands().back(), "AT+CRSM=176,28423,0,0,9");
}

const std::map<std::string, std::string> kGoodModem = {{"AT+CRSM=192,32544", kDirectory},
                                                       {"AT+CRSM=192,28423", kImsiFileInfo},
                                                       {"AT+CRSM=176,28423,0,0,9", kImsi}};

std::map<std::string, std::string> With(std::string command, std::string answer) {
    auto answers = kGoodModem;
    answers[command] = answer;
    return answers;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModemSimTest,
    ::testing::Values(
        ModemCase{"EchoOff", false, kGoodModem, "262109702548163"},
        ModemCase{"EchoOn", true, kGoodModem, "262109702548163"},
        ModemCase{"UnsolicitedLines", false,
                  With("AT+CRSM=176,28423,0,0,9", "\r\nRING\r\n\r\n+CREG: 1\r\n" + kImsi),
                  "262109702548163"},
        ModemCase{"UiccFileInformation", true, With("AT+CRSM=192,28423", kImsiFileFcp),
                  "262109702548163"},
        ModemCase{"NoDirectoryInformation", false, With("AT+CRSM=192,32544", "\r\nERROR\r\n"),
                  "262109702548163"},
        ModemCase{"ReadRefused", false, With("AT+CRSM=176,28423,0,0,9", "\r\n+CME ERROR: 10\r\n"),
                  ""},
        ModemCase{"Garbled", true,
                  With("AT+CRSM=176,28423,0,0,9", "\r\n+CRSM: 144,0,\"0829260\"" + kOk), ""},
        ModemCase{"WrongStatus", false, With("AT+CRSM=176,28423,0,0,9", "\r\n+CRSM: 106,130" + kOk),
                  ""},
        ModemCase{
            "NotTransparent", false,
            With("AT+CRSM=192,28423", "\r\n+CRSM: 144,0,\"000000096F0704000A000001000100\"" + kOk),
            ""},
        ModemCase{"Silent", false, With("AT+CRSM=176,28423,0,0,9", ""), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModemSim, MissingDeviceFailsAtOnce) {
    AtModemSim sim("/nonexistent/ttyMZ0");
    EXPECT_FALSE(sim.Open());
    EXPECT_NE(sim.ErrorText(), "");
}

}  // namespace
