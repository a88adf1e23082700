#include <gtest/gtest.h>

#include "common/MessageCodes.h"
#include "platform/linux/AtModemSimCard.h"
#include "support/PtyModem.h"
#include "unit/delivery/SenderFixture.h"

namespace {

using Answers = PtyModem::Answers;

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
    const Answers classic = PtyModem::ClassicSim("082926017920451836");
    const std::string imsi = classic.at(read);
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
