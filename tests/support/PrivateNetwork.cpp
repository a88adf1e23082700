#include "support/PrivateNetwork.h"

#include <sched.h>

#include <cstdlib>
#include <thread>

bool InPrivateNetwork(const std::function<void()>& body) {
    bool made = false;
    std::thread([&] {
        if (::unshare(CLONE_NEWNET) != 0 ||
            std::system("PATH=/usr/sbin:/sbin:$PATH ip link set lo up") != 0) {
            return;
        }
        made = true;
        body();
    }).join();
    return made;
}
