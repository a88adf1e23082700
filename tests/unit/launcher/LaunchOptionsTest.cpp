#include "ui/launcher/LaunchOptions.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using O = LaunchOptions;

// Arguments that are understood, and what they must leave in the options.
struct AcceptedCase {
    const char* name;
    std::vector<std::string> arguments;
    std::function<void(const O&)> expect;
};

TEST(LaunchOptions, DefaultsAndDeviceChoices) {
    const AcceptedCase cases[] = {
        {"NoArgumentsGiveTheDefaults",
         {},
         [](const O& o) {
             EXPECT_EQ(o.gps, O::Gps::Gpsd);
             EXPECT_EQ(o.gpsHost, "localhost");
             EXPECT_EQ(o.gpsPort, "2947");
             EXPECT_EQ(o.modem, O::Modem::Auto);
             EXPECT_EQ(o.link, O::Link::Auto);
             EXPECT_EQ(o.command, std::nullopt);
         }},
        {"EveryDeviceNamedAndTheLaterGpsWins",
         {"--gps=none", "--gps=gpsd:[::1]:2950", "--modem=at:/dev/ttyUSB2:9600", "--link=route",
          "--keys=/dev/input/event3,/tmp/k", "--command=test"},
         [](const O& o) {
             EXPECT_EQ(o.gps, O::Gps::Gpsd);
             EXPECT_EQ(o.gpsHost, "::1");
             EXPECT_EQ(o.gpsPort, "2950");
             EXPECT_EQ(o.modemDevice, "/dev/ttyUSB2");
             EXPECT_EQ(o.modemBaud, 9600);
             EXPECT_EQ(o.link, O::Link::Route);
             EXPECT_EQ(o.command, TrackerCommand::Test);
             EXPECT_EQ(o.keyDevices, (std::vector<std::string>{"/dev/input/event3", "/tmp/k"}));
         }},
        {"ModemManagerIndexAndNetworkManagerProfile",
         {"--modem=mm:2", "--link=nm:My Phone"},
         [](const O& o) {
             EXPECT_EQ(o.modem, O::Modem::ModemManager);
             EXPECT_EQ(o.modemIndex, "2");
             EXPECT_EQ(o.link, O::Link::NetworkManager);
             EXPECT_EQ(o.linkProfile, "My Phone");
         }},
        {"PlainNmForgetsAnEarlierProfile",
         {"--modem=mm", "--link=nm:x", "--link=nm"},
         [](const O& o) {
             EXPECT_EQ(o.modemIndex, "");
             EXPECT_EQ(o.linkProfile, "");
         }},
        // A device name with a colon keeps it when no baud rate follows.
        {"DeviceWithAColonKeepsIt",
         {"--modem=at:/dev/serial/by-path/pci-0:1"},
         [](const O& o) {
             EXPECT_EQ(o.modemDevice, "/dev/serial/by-path/pci-0:1");
             EXPECT_EQ(o.modemBaud, 115200);
         }},
        {"DeviceWithoutBaudTakesTheDefault",
         {"--modem=at:/dev/ttyACM0"},
         [](const O& o) {
             EXPECT_EQ(o.modemDevice, "/dev/ttyACM0");
             EXPECT_EQ(o.modemBaud, 115200);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedOptions parsed = ParseLaunchOptions(c.arguments);
        EXPECT_EQ(parsed.error, "");
        c.expect(parsed.options);
    }
}

TEST(LaunchOptions, MalformedArgumentsAreRefused) {
    struct RefusedCase {
        const char* name;
        const char* argument;
    };
    const RefusedCase cases[] = {
        {"GpsdPortNotANumber", "--gps=gpsd:host:port"},
        {"GpsdWithoutHost", "--gps=gpsd::2947"},
        {"UnknownGps", "--gps=serial"},
        {"AtWithoutDevice", "--modem=at:"},
        {"SimWithoutBytes", "--modem=sim:"},
        {"SimOddHexDigits", "--modem=sim:123"},
        {"SimNotHex", "--modem=sim:zz"},
        {"SimHexPrefix", "--modem=sim:0x"},
        {"MmEmptyIndex", "--modem=mm:"},
        {"MmIndexNotANumber", "--modem=mm:a"},
        {"MmWithTrailingText", "--modem=mmx"},
        {"EmptyLink", "--link="},
        {"NmEmptyProfile", "--link=nm:"},
        {"NmWithTrailingText", "--link=nmx"},
        {"NoKeyPaths", "--keys="},
        {"EmptyKeyPathBetweenCommas", "--keys=a,,b"},
        {"UnknownCommand", "--command=stop"},
        {"CommandInCapitals", "--command=SHOW"},
        {"UnknownOption", "--settings=/x"},
        {"WithoutDashes", "gps=none"},
        {"UnknownShortOption", "-x"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(ParseLaunchOptions({c.argument}).error, "") << c.name;
    }
}

}  // namespace
