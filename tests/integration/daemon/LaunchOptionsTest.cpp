#include "ui/launcher/LaunchOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(LaunchOptions, DefaultsAreGpsdNoModemDirectLink) {
    ParsedOptions parsed = ParseLaunchOptions({});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.gps, LaunchOptions::Gps::Gpsd);
    EXPECT_EQ(parsed.options.gpsHost, "localhost");
    EXPECT_EQ(parsed.options.gpsPort, "2947");
    EXPECT_EQ(parsed.options.modem, LaunchOptions::Modem::None);
    EXPECT_EQ(parsed.options.link, LaunchOptions::Link::Direct);
    EXPECT_TRUE(parsed.options.keyDevices.empty());
    EXPECT_EQ(parsed.options.command, LaunchOptions::Command::None);
}

TEST(LaunchOptions, DeviceChoices) {
    auto options =
        ParseLaunchOptions({"--gps=gpsd:[::1]:2950", "--modem=at:/dev/ttyUSB2:9600", "--link=route",
                            "--keys=/dev/input/event3,/tmp/k", "--command=test"});
    ASSERT_EQ(options.error, "");
    EXPECT_EQ(options.options.gpsHost, "::1");
    EXPECT_EQ(options.options.gpsPort, "2950");
    EXPECT_EQ(options.options.modemDevice, "/dev/ttyUSB2");
    EXPECT_EQ(options.options.modemBaud, 9600);
    EXPECT_EQ(options.options.link, LaunchOptions::Link::Route);
    EXPECT_EQ(options.options.keyDevices,
              (std::vector<std::string>{"/dev/input/event3", "/tmp/k"}));
    EXPECT_EQ(options.options.command, LaunchOptions::Command::Test);

    // Later options override earlier ones.
    auto sim = ParseLaunchOptions(
        {"--gps=none", "--gps=sim:55.75,37.61", "--modem=sim:080910101032547698"});
    ASSERT_EQ(sim.error, "");
    EXPECT_EQ(sim.options.gps, LaunchOptions::Gps::Fixed);
    EXPECT_EQ(sim.options.fixedPosition, "55.75,37.61");
    EXPECT_EQ(sim.options.simHex, "080910101032547698");

    // A device name with a colon keeps it when no baud rate follows.
    auto colon = ParseLaunchOptions({"--modem=at:/dev/serial/by-path/pci-0:1"});
    EXPECT_EQ(colon.options.modemDevice, "/dev/serial/by-path/pci-0:1");
    EXPECT_EQ(colon.options.modemBaud, 115200);
    auto plain = ParseLaunchOptions({"--modem=at:/dev/ttyACM0"});
    EXPECT_EQ(plain.options.modemDevice, "/dev/ttyACM0");
    EXPECT_EQ(plain.options.modemBaud, 115200);
}

TEST(LaunchOptions, MalformedArgumentsAreRefused) {
    for (const char* argument : {"--gps=gpsd:host:port", "--gps=gpsd::2947", "--gps=serial",
                                 "--modem=at:", "--modem=sim:", "--modem=sim:123", "--modem=sim:zz",
                                 "--link=", "--keys=", "--keys=a,,b", "--command=stop",
                                 "--settings=/x", "gps=none", "-x"}) {
        EXPECT_NE(ParseLaunchOptions({argument}).error, "") << argument;
    }
}

TEST(LaunchOptions, HexDecoding) {
    EXPECT_EQ(DecodeHex("0aFf"), (std::vector<unsigned char>{0x0A, 0xFF}));
    EXPECT_EQ(DecodeHex(""), std::vector<unsigned char>{});
    EXPECT_FALSE(DecodeHex("abc"));
    EXPECT_FALSE(DecodeHex("0x"));
}

}  // namespace
