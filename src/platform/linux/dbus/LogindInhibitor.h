#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/linux/dbus/DbusConnection.h"

struct sd_bus_message;

// A systemd-logind sleep inhibitor held while a report runs. A block lock keeps the phone
// from suspending between the alarm key and the last follow-up; where logind lets the
// user's own suspend past it, a delay lock still has logind announce the sleep
// (PrepareForSleep) and wait until the lock is let go, so an exchange in flight can end.
// Asked for without waiting; the answer is taken on a later turn of the loop. Without
// logind nothing is held, and that is said once.
class LogindInhibitor {
public:
    enum class Lock { Block, Delay };

    explicit LogindInhibitor(std::function<void(const std::string&)> say, Lock lock = Lock::Block);
    ~LogindInhibitor();
    LogindInhibitor(const LogindInhibitor&) = delete;
    LogindInhibitor& operator=(const LogindInhibitor&) = delete;

    // Called on every turn of the loop with whether a report runs.
    void Want(bool held);
    bool Holds() const { return fd_ >= 0; }
    // An answer is awaited; the loop should look again soon.
    bool Pending() const { return pending_; }

    // A delay lock: logind has announced a sleep and waits for the lock to go.
    bool SleepAnnounced() const { return sleepAnnounced_; }

    // Logind's answer to the question Want asked; its announcement of a sleep or a resume.
    void Answered(sd_bus_message* reply);
    void OnPrepareForSleep(bool sleeping) { sleepAnnounced_ = sleeping; }

private:
    void Release();
    void Refused(const std::string& why);

    void FollowSleep();

    DbusConnection bus_;
    std::function<void(const std::string&)> say_;
    Lock lock_;
    bool sleepAnnounced_ = false;
    std::uint64_t followedGeneration_ = 0;
    int fd_ = -1;
    bool wanted_ = false;
    bool pending_ = false;
    bool refusedThisReport_ = false;
    bool said_ = false;
};
