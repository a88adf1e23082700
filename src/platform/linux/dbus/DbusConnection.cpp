#include "platform/linux/dbus/DbusConnection.h"

#include <systemd/sd-bus.h>

namespace {
// Bounds one drain when a service floods the bus faster than the tick reads it.
constexpr int MaxMessagesPerDrain = 1000;
}  // namespace

DbusConnection::DbusConnection(std::chrono::milliseconds retryInterval)
    : retryInterval_(retryInterval) {}

DbusConnection::~DbusConnection() {
    Drop();
}

bool DbusConnection::Ensure() {
    if (bus_ != nullptr) {
        return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (attempted_ && now - lastAttempt_ < retryInterval_) {
        return false;
    }
    attempted_ = true;
    lastAttempt_ = now;
    sd_bus* bus = nullptr;
    // Honours DBUS_SYSTEM_BUS_ADDRESS; the connection and its greeting proceed while the
    // bus is processed, so a slow bus holds nothing up here.
    if (sd_bus_open_system(&bus) < 0) {
        return false;
    }
    bus_ = bus;
    ++generation_;
    return true;
}

void DbusConnection::Drain() {
    if (bus_ == nullptr) {
        return;
    }
    for (int i = 0; i < MaxMessagesPerDrain; ++i) {
        const int processed = sd_bus_process(bus_, nullptr);
        if (processed < 0) {
            Drop();
            return;
        }
        if (processed == 0) {
            break;
        }
    }
    if (!sd_bus_is_open(bus_)) {
        Drop();
    }
}

bool DbusConnection::NameHasOwner(const std::string& name, std::chrono::milliseconds timeout) {
    if (!Ensure()) {
        return false;
    }
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    int owned = 0;
    if (sd_bus_message_new_method_call(bus_, &call, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "NameHasOwner") >= 0 &&
        sd_bus_message_append(call, "s", name.c_str()) >= 0 &&
        sd_bus_call(bus_, call, static_cast<std::uint64_t>(timeout.count()) * 1000, nullptr,
                    &reply) >= 0) {
        if (sd_bus_message_read(reply, "b", &owned) < 0) {
            owned = 0;
        }
    }
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    if (!sd_bus_is_open(bus_)) {
        Drop();
    }
    return owned != 0;
}

void DbusConnection::Drop() {
    if (bus_ != nullptr) {
        sd_bus_close(bus_);
        bus_ = sd_bus_unref(bus_);
    }
}
