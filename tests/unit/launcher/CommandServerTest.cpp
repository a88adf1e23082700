#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/TempFolder.h"
#include "ui/launcher/CommandChannel.h"

namespace {

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
