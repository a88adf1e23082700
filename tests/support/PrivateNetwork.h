#pragma once

#include <sched.h>

#include <cstdlib>
#include <functional>
#include <thread>

// Runs body on a thread of its own inside a private network namespace with loopback up,
// so the test may break the network without touching the machine's; the programs it
// starts run in that namespace too. False when no namespace can be made (not root).
inline bool InPrivateNetwork(const std::function<void()>& body) {
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
