#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdio>

#include "PultOutput.h"
#include "RealSenderFixture.h"
#include "common/MessageCodes.h"

namespace {

using ::testing::HasSubstr;

// The next output line of the program, waiting at most 20 s.
std::string ReadLine(FILE* out) {
    pollfd watched{fileno(out), POLLIN, 0};
    char text[4096] = {};
    if (::poll(&watched, 1, 20000) <= 0 || std::fgets(text, sizeof text, out) == nullptr) {
        return "(no line within 20 s)";
    }
    return text;
}

TEST(Pult, SenderReportIsPrintedAndAcknowledgedAfterAMalformedOne) {
    RealSenderFixture f;
    const std::uint16_t port = LoopbackPeer("127.0.0.1", 0).Port();  // free a moment ago
    const std::string command =
        std::string(MZ_PULT_PATH) + " --json --count 2 --listen :" + std::to_string(port) + " 2>&1";
    FILE* pult = ::popen(command.c_str(), "r");
    ASSERT_NE(pult, nullptr);
    ASSERT_EQ(ReadLine(pult), "listening on 0.0.0.0:" + std::to_string(port) + "\n");
    const sockaddr_in to = LoopbackAddress("127.0.0.1", port);
    ::sendto(f.main.fd, "abc", 3, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    EXPECT_THAT(ReadLine(pult), HasSubstr("\"kind\":\"malformed\""));

    // Sent to 127.0.0.2 from 127.0.0.1: the answer must still come from 127.0.0.2.
    f.settings.MainServer = "127.0.0.2";
    f.settings.Port = port;
    f.gpsDevice.PushFix(55.7558, 37.6173);
    f.gps.SwitchOn();
    ASSERT_TRUE(f.TickUntil([&] {
        f.gps.Tick();
        return f.gps.IsFixRecent();
    }));
    f.sender->Post(MsgIntimate, 0);
    ASSERT_TRUE(f.TickUntilSent());
    EXPECT_EQ(f.Logged("Сообщение 699 передано"), 1);
    EXPECT_THAT(ReadLine(pult), HasSubstr("\"imsi\":\"001010123456789\",\"number\":1780000000,"
                                          "\"code\":699,\"parameter\":0,\"acknowledged\":true,"
                                          "\"lines\":[\"Long=37.617300 E\",\"Lat=55.755800 N\"]}"));
    EXPECT_EQ(::pclose(pult), 0);
}

TEST(Pult, TextLineKeepsOneDatagramOnOneLine) {
    PultEntry entry;
    entry.from = {0x7F000001u, 5000};
    entry.report.fields = {"001010123456789", 7, 122, 0, "Long=1.0 E\r\nbad\nbyte\xFF\r\n"};
    EXPECT_EQ(FormatPultLine(entry, false),
              "report from=127.0.0.1:5000 imsi=001010123456789 number=7 code=122 parameter=0 "
              "ack=no lines=Long=1.0 E|bad|byte\\xFF");
    EXPECT_THAT(FormatPultLine(entry, true),
                HasSubstr("\"lines\":[\"Long=1.0 E\",\"bad\",\"byte\\u00FF\"]"));
}

}  // namespace
