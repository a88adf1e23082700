#pragma once

#include <cstdint>
#include <map>

#include "platform/ConnectionManager.h"

// The connections a link has handed out, by handle: the server address each is for and
// whether it has been up. A handle is never 0, which the sender reads as "none".
class HeldLinks {
public:
    struct Link {
        std::uint32_t address = 0;
        bool wasConnected = false;
    };

    // Holds a new connection to the destination's address and returns its handle.
    std::uint32_t Hold(const DestinationId& destination);
    // The held connection, or nullptr for a handle released or never given.
    Link* Find(std::uint32_t handle);
    void Release(std::uint32_t handle) { held_.erase(handle); }

private:
    std::map<std::uint32_t, Link> held_;
    std::uint32_t nextHandle_ = 1;
};
