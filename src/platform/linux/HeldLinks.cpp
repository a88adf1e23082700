#include "platform/linux/HeldLinks.h"

#include "platform/linux/LinkDestination.h"

std::uint32_t HeldLinks::Hold(const DestinationId& destination) {
    const std::uint32_t handle = nextHandle_++;
    if (nextHandle_ == 0) {
        nextHandle_ = 1;
    }
    held_[handle] = Link{AddressOfDestination(destination), false};
    return handle;
}

HeldLinks::Link* HeldLinks::Find(std::uint32_t handle) {
    auto found = held_.find(handle);
    return found == held_.end() ? nullptr : &found->second;
}
