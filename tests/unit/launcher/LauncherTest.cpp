#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "ui/launcher/CommandChannel.h"
#include "ui/launcher/LaunchOptions.h"

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

int ConnectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    return connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 ? fd : -1;
}

bool ClosedByServer(int fd) {
    char byte = 0;
    return recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

// Idle clients cannot crowd a command out: a fifth one waiting drops the one waiting
// longest, and the four after it keep their places.
TEST(CommandServer, AFifthIdleClientDropsTheOldest) {
    TempFolder home;
    CommandServer server(home.Path());
    ASSERT_TRUE(server.Listen()) << server.ErrorText();
    const auto obey = [](TrackerCommand) { return CommandDoneLine; };
    std::vector<int> idle;
    for (int i = 0; i < 5; ++i) {
        idle.push_back(ConnectTo(server.SocketPath()));
        ASSERT_GE(idle.back(), 0);
        server.Serve(server.Descriptors().front(), obey);
    }
    EXPECT_TRUE(ClosedByServer(idle[0]));
    for (std::size_t i = 1; i < idle.size(); ++i) {
        EXPECT_FALSE(ClosedByServer(idle[i])) << "client " << i;
    }
    for (const int fd : idle) {
        close(fd);
    }
}

}  // namespace
