#include "ui/launcher/LaunchOptions.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using O = LaunchOptions;

TEST(LaunchOptions, DefaultsAndDeviceChoices) {
    const ParsedOptions none = ParseLaunchOptions({});
    const O& d = none.options;
    EXPECT_EQ(std::tie(none.error, d.gps, d.gpsHost, d.gpsPort, d.modem, d.link, d.command),
              std::tuple("", O::Gps::Gpsd, "localhost", "2947", O::Modem::Auto, O::Link::Auto,
                         O::Command::None));

    const ParsedOptions all =
        ParseLaunchOptions({"--gps=none", "--gps=gpsd:[::1]:2950", "--modem=at:/dev/ttyUSB2:9600",
                            "--link=route", "--keys=/dev/input/event3,/tmp/k", "--command=test"});
    const O& o = all.options;
    EXPECT_EQ(
        std::tie(all.error, o.gpsHost, o.gpsPort, o.modemDevice, o.modemBaud, o.link, o.command),
        std::tuple("", "::1", "2950", "/dev/ttyUSB2", 9600, O::Link::Route, O::Command::Test));
    EXPECT_EQ(o.keyDevices, (std::vector<std::string>{"/dev/input/event3", "/tmp/k"}));

    const O mm = ParseLaunchOptions({"--modem=mm:2", "--link=nm:My Phone"}).options;
    EXPECT_EQ(std::tie(mm.modem, mm.modemIndex, mm.link, mm.linkProfile),
              std::tuple(O::Modem::ModemManager, "2", O::Link::NetworkManager, "My Phone"));
    const O first = ParseLaunchOptions({"--modem=mm", "--link=nm:x", "--link=nm"}).options;
    EXPECT_EQ(std::tie(first.modemIndex, first.linkProfile), std::tuple("", ""));

    // A device name with a colon keeps it when no baud rate follows.
    for (std::string device : {"/dev/serial/by-path/pci-0:1", "/dev/ttyACM0"}) {
        const O at = ParseLaunchOptions({"--modem=at:" + device}).options;
        EXPECT_EQ(std::tie(at.modemDevice, at.modemBaud), std::tuple(device, 115200));
    }
}

TEST(LaunchOptions, MalformedArgumentsAreRefused) {
    for (const char* argument :
         {"--gps=gpsd:host:port", "--gps=gpsd::2947", "--gps=serial",   "--modem=at:",
          "--modem=sim:",         "--modem=sim:123",  "--modem=sim:zz", "--modem=sim:0x",
          "--modem=mm:",          "--modem=mm:a",     "--modem=mmx",    "--link=",
          "--link=nm:",           "--link=nmx",       "--keys=",        "--keys=a,,b",
          "--command=stop",       "--settings=/x",    "gps=none",       "-x"}) {
        EXPECT_NE(ParseLaunchOptions({argument}).error, "") << argument;
    }
}

}  // namespace
