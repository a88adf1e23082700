#include "ui/launcher/LaunchOptions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The options as one line, to compare a row at a glance.
std::string Shown(const LaunchOptions& o) {
    std::string keys;
    for (const std::string& key : o.keyDevices) {
        keys += key + ";";
    }
    return "gps=" + std::to_string(static_cast<int>(o.gps)) + " " + o.gpsHost + ":" + o.gpsPort +
           " modem=" + std::to_string(static_cast<int>(o.modem)) + " " + o.modemDevice + ":" +
           std::to_string(o.modemBaud) + " #" + o.modemIndex +
           " link=" + std::to_string(static_cast<int>(o.link)) + " " + o.linkProfile +
           " keys=" + keys +
           " command=" + (o.command ? std::to_string(static_cast<int>(*o.command)) : "none");
}

// gps 0 gpsd; modem 0 auto, 2 AT, 4 ModemManager; link 0 auto, 2 route, 3 NetworkManager.
TEST(LaunchOptions, DefaultsAndDeviceChoices) {
    const std::string test = std::to_string(static_cast<int>(TrackerCommand::Test));
    // clang-format off
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "gps=0 localhost:2947 modem=0 :115200 # link=0  keys= command=none"},
        // the later --gps wins
        {{"--gps=none", "--gps=gpsd:[::1]:2950", "--modem=at:/dev/ttyUSB2:9600", "--link=route", "--keys=/dev/input/event3,/tmp/k", "--command=test"},
         "gps=0 ::1:2950 modem=2 /dev/ttyUSB2:9600 # link=2  keys=/dev/input/event3;/tmp/k; command=" + test},
        {{"--modem=mm:2", "--link=nm:My Phone"}, "gps=0 localhost:2947 modem=4 :115200 #2 link=3 My Phone keys= command=none"},
        {{"--modem=mm", "--link=nm:x", "--link=nm"}, "gps=0 localhost:2947 modem=4 :115200 # link=3  keys= command=none"},
        // a device name with a colon keeps it when no baud rate follows
        {{"--modem=at:/dev/serial/by-path/pci-0:1"}, "gps=0 localhost:2947 modem=2 /dev/serial/by-path/pci-0:1:115200 # link=0  keys= command=none"},
        {{"--modem=at:/dev/ttyACM0"}, "gps=0 localhost:2947 modem=2 /dev/ttyACM0:115200 # link=0  keys= command=none"},
    };
    // clang-format on
    for (const auto& [arguments, shown] : cases) {
        const ParsedOptions parsed = ParseLaunchOptions(arguments);
        EXPECT_EQ(parsed.error, "") << shown;
        EXPECT_EQ(Shown(parsed.options), shown);
    }
}

TEST(LaunchOptions, MalformedArgumentsAreRefused) {
    // clang-format off
    for (const char* argument : {
             "--gps=gpsd:host:port", "--gps=gpsd::2947", "--gps=serial", "--modem=at:",
             "--modem=sim:", "--modem=sim:123", "--modem=sim:zz", "--modem=sim:0x", "--modem=mm:",
             "--modem=mm:a", "--modem=mmx", "--link=", "--link=nm:", "--link=nmx", "--keys=",
             "--keys=a,,b", "--command=stop", "--command=SHOW", "--settings=/x", "gps=none", "-x"}) {
        // clang-format on
        EXPECT_NE(ParseLaunchOptions({argument}).error, "") << argument;
    }
}

}  // namespace
