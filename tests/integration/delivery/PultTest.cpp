#include <gtest/gtest.h>

#include "PultAckPolicy.h"
#include "PultOptions.h"
#include "PultOutput.h"
#include "PultProcess.h"
#include "RealSenderFixture.h"
#include "common/MessageCodes.h"

namespace {

TEST(Pult, SenderReportIsPrintedAndAcknowledged) {
    PultProcess pult({"--listen", "127.0.0.1:0", "--json", "--count", "2"});
    const std::uint16_t port = pult.WaitListening();
    ASSERT_NE(port, 0) << "mzorvany-pult did not start listening";

    LoopbackPeer prankster("127.0.0.1", 0);
    prankster.SendTo({1, 2, 3}, "127.0.0.1", port);
    std::string line;
    ASSERT_TRUE(pult.ReadLine(line));
    EXPECT_EQ(line,
              "{\"kind\":\"malformed\",\"from\":\"127.0.0.1:" + std::to_string(prankster.Port()) +
                  "\",\"size\":3,\"error\":\"short datagram (3 bytes)\"}");

    RealSenderFixture f;
    f.settings.Port = port;
    f.gpsDevice.PushFix(55.7558, 37.6173);
    f.gps.SwitchOn();
    ASSERT_TRUE(f.TickUntil([&] {
        f.gps.Tick();
        return f.gps.IsFixRecent();
    }));
    f.sender->Post(MsgIntimate, 0);
    ASSERT_TRUE(f.TickUntil([&] { return f.sender->IsQueueEmpty(); }));
    EXPECT_TRUE(f.Logged("Сообщение 699 передано"));
    ASSERT_TRUE(pult.ReadLine(line));
    EXPECT_NE(line.find("\"imsi\":\"001010123456789\",\"number\":1780000000,\"code\":699,"
                        "\"parameter\":0,\"acknowledged\":true,"
                        "\"lines\":[\"Long=37.617300 E\",\"Lat=55.755800 N\"]}"),
              std::string::npos)
        << line;
    EXPECT_EQ(pult.WaitExit(), 0);
}

TEST(Pult, OptionsAreReadOrRefused) {
    struct Case {
        std::vector<std::string> arguments;
        std::string error;
    };
    const Case cases[] = {
        {{"--listen", "127.0.0.2:9000", "--json", "--count", "4"}, ""},
        {{"--listen", ":0"}, ""},
        {{"--drop-rate", "1.5"}, "--drop-rate wants a probability from 0 to 1: 1.5"},
        {{"--listen", "pult.example:830"}, "bad address for --listen: pult.example:830"},
        {{"--listen", "127.0.0.1:70000"}, "bad address for --listen: 127.0.0.1:70000"},
        {{"--count"}, "--count needs a value"},
        {{"--count", "0"}, "bad number for --count: 0"},
        {{"--verbose"}, "unknown option --verbose"}};
    for (const Case& c : cases) {
        std::string error;
        ParsePultOptions(c.arguments, error);
        EXPECT_EQ(error, c.error) << c.arguments[0];
    }
    std::string error;
    const PultOptions o = ParsePultOptions({"--listen", "127.0.0.2:9000", "--count", "4"}, error);
    EXPECT_EQ(o.listen, (Ipv4Endpoint{0x7F000002u, 9000}));
    EXPECT_EQ(o.count, 4);
}

TEST(Pult, DroppingFollowsTheOptionsAndTheSeed) {
    std::string error;
    PultAckPolicy first(ParsePultOptions({"--drop-first", "2"}, error));
    EXPECT_EQ((std::vector<bool>{first.ShouldAcknowledge(), first.ShouldAcknowledge(),
                                 first.ShouldAcknowledge()}),
              (std::vector<bool>{false, false, true}));
    PultAckPolicy none(ParsePultOptions({"--no-ack"}, error));
    EXPECT_FALSE(none.ShouldAcknowledge());

    const PultOptions seeded = ParsePultOptions({"--drop-rate", "0.5", "--seed", "42"}, error);
    PultAckPolicy a(seeded), b(seeded);
    int answered = 0;
    for (int i = 0; i < 200; ++i) {
        const bool answer = a.ShouldAcknowledge();
        EXPECT_EQ(answer, b.ShouldAcknowledge());
        answered += answer ? 1 : 0;
    }
    EXPECT_GT(answered, 50);
    EXPECT_LT(answered, 150);
}

TEST(Pult, TextLineKeepsOneDatagramOnOneLine) {
    PultEntry entry;
    entry.from = {0x7F000001u, 5000};
    entry.size = 60;
    entry.report.fields = {"001010123456789", 7, 122, 0, "Long=1.0 E\r\nbad\nbyte\xFF\r\n"};
    EXPECT_EQ(FormatPultLine(entry, false),
              "report from=127.0.0.1:5000 imsi=001010123456789 number=7 code=122 parameter=0 "
              "ack=no lines=Long=1.0 E|bad|byte\\xFF");
    EXPECT_NE(
        FormatPultLine(entry, true).find("\"lines\":[\"Long=1.0 E\",\"bad\",\"byte\\u00FF\"]"),
        std::string::npos);
}

}  // namespace
