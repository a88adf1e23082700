#include "platform/linux/dbus/LogindInhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <utility>

namespace {

int OnReply(sd_bus_message* reply, void* self, sd_bus_error*) {
    static_cast<LogindInhibitor*>(self)->Answered(reply);
    return 0;
}

int OnSleepSignal(sd_bus_message* signal, void* self, sd_bus_error*) {
    int sleeping = 0;
    if (sd_bus_message_read(signal, "b", &sleeping) >= 0) {
        static_cast<LogindInhibitor*>(self)->OnPrepareForSleep(sleeping != 0);
    }
    return 0;
}

}  // namespace

LogindInhibitor::LogindInhibitor(std::function<void(const std::string&)> say, Lock lock)
    : say_(std::move(say)), lock_(lock) {}

void LogindInhibitor::FollowSleep() {
    if (lock_ != Lock::Delay || bus_.Bus() == nullptr) {
        return;
    }
    if (followedGeneration_ != bus_.Generation()) {
        followedGeneration_ = bus_.Generation();
        sleepAnnounced_ = false;
        sd_bus_match_signal_async(bus_.Bus(), nullptr, "org.freedesktop.login1",
                                  "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                  "PrepareForSleep", OnSleepSignal, nullptr, this);
    }
    bus_.Drain();
}

LogindInhibitor::~LogindInhibitor() {
    Release();
}

void LogindInhibitor::Want(bool held) {
    wanted_ = held;
    FollowSleep();
    if (pending_) {
        bus_.Drain();
        if (pending_ && bus_.Bus() == nullptr) {
            pending_ = false;  // the bus went away with the question
            Refused("the system bus went away");
        }
    }
    if (!held) {
        Release();
        refusedThisReport_ = false;
        return;
    }
    if (fd_ >= 0 || pending_ || refusedThisReport_) {
        return;
    }
    if (!bus_.Ensure()) {
        Refused("no system bus");
        return;
    }
    const int result = sd_bus_call_method_async(
        bus_.Bus(), nullptr, "org.freedesktop.login1", "/org/freedesktop/login1",
        "org.freedesktop.login1.Manager", "Inhibit", OnReply, this, "ssss", "sleep", "MZorvany",
        "A report or an alarm is on its way to the control room",
        lock_ == Lock::Delay ? "delay" : "block");
    if (result < 0) {
        Refused("the question could not be sent");
        return;
    }
    pending_ = true;
    bus_.Drain();
}

void LogindInhibitor::Answered(sd_bus_message* reply) {
    pending_ = false;
    if (sd_bus_message_is_method_error(reply, nullptr)) {
        const sd_bus_error* error = sd_bus_message_get_error(reply);
        Refused(error != nullptr && error->message != nullptr ? error->message : "refused");
        return;
    }
    int fd = -1;
    if (sd_bus_message_read(reply, "h", &fd) < 0 || fd < 0) {
        Refused("no lock in the answer");
        return;
    }
    // The answer owns its descriptor; the lock lives as long as our copy.
    fd_ = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (!wanted_) {
        Release();  // the report ended before the answer came
    }
}

void LogindInhibitor::Release() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

void LogindInhibitor::Refused(const std::string& why) {
    refusedThisReport_ = true;
    if (!said_) {
        said_ = true;
        say_("no sleep inhibitor from systemd-logind (" + why +
             "); the machine may suspend while a report runs");
    }
}
