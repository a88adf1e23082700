#include "platform/linux/dbus/DbusConnection.h"

#include <systemd/sd-bus.h>
#include <time.h>

#include <limits>

namespace {
// Bounds one drain, so that a service flooding the bus cannot hold up the loop; the rest
// waits for the next turn.
constexpr int MaxMessagesPerDrain = 64;
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
    // A hook may add or remove hooks; the ones there now are called.
    const auto hooks = connectHooks_;
    for (const auto& [id, hook] : hooks) {
        hook();
    }
    return bus_ != nullptr;
}

int DbusConnection::AddConnectHook(std::function<void()> hook) {
    connectHooks_[++nextHookId_] = std::move(hook);
    return nextHookId_;
}

void DbusConnection::RemoveConnectHook(int id) {
    connectHooks_.erase(id);
}

int DbusConnection::Fd() const {
    return bus_ != nullptr ? sd_bus_get_fd(bus_) : -1;
}

short DbusConnection::Events() const {
    const int events = bus_ != nullptr ? sd_bus_get_events(bus_) : 0;
    return static_cast<short>(events > 0 ? events : 0);
}

int DbusConnection::DueInMs() const {
    std::uint64_t due = 0;
    if (bus_ == nullptr || sd_bus_get_timeout(bus_, &due) < 0 ||
        due == std::numeric_limits<std::uint64_t>::max()) {
        return -1;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t nowMicros = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000 +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000;
    if (due <= nowMicros) {
        return 0;
    }
    const std::uint64_t ms = (due - nowMicros + 999) / 1000;
    return ms > 60'000 ? 60'000 : static_cast<int>(ms);
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
    // Asked without waiting and then waited for with our own deadline: a blocking call
    // would first wait for the bus to greet us, for as long as sd-bus allows that (90 s).
    struct Answer {
        bool done = false;
        int owned = 0;
    } answer;
    auto onReply = [](sd_bus_message* reply, void* userdata, sd_bus_error*) {
        auto* a = static_cast<Answer*>(userdata);
        a->done = true;
        if (sd_bus_message_is_method_error(reply, nullptr) ||
            sd_bus_message_read(reply, "b", &a->owned) < 0) {
            a->owned = 0;
        }
        return 0;
    };
    sd_bus_slot* slot = nullptr;
    if (sd_bus_call_method_async(bus_, &slot, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                 "org.freedesktop.DBus", "NameHasOwner", onReply, &answer, "s",
                                 name.c_str()) < 0) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!answer.done && bus_ != nullptr) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        Drain();
        if (!answer.done && bus_ != nullptr &&
            sd_bus_wait(bus_, static_cast<std::uint64_t>(left.count())) < 0) {
            Drop();
        }
    }
    // The slot must not outlive the answer it writes to.
    sd_bus_slot_unref(slot);
    return answer.done && answer.owned != 0;
}

void DbusConnection::Drop() {
    if (bus_ != nullptr) {
        sd_bus_close(bus_);
        bus_ = sd_bus_unref(bus_);
    }
}
