#pragma once

#include <functional>
#include <string>

#include "platform/linux/dbus/DbusConnection.h"

struct sd_bus_message;

// A systemd-logind sleep inhibitor ("sleep", "block") held while a report runs, so the
// phone cannot suspend between the alarm key and the last follow-up. Asked for without
// waiting; the answer is taken on a later turn of the loop. Without logind nothing is
// held, and that is said once.
class LogindInhibitor {
public:
    explicit LogindInhibitor(std::function<void(const std::string&)> say);
    ~LogindInhibitor();
    LogindInhibitor(const LogindInhibitor&) = delete;
    LogindInhibitor& operator=(const LogindInhibitor&) = delete;

    // Called on every turn of the loop with whether a report runs.
    void Want(bool held);
    bool Holds() const { return fd_ >= 0; }
    // An answer is awaited; the loop should look again soon.
    bool Pending() const { return pending_; }

    // Logind's answer to the question Want asked.
    void Answered(sd_bus_message* reply);

private:
    void Release();
    void Refused(const std::string& why);

    DbusConnection bus_;
    std::function<void(const std::string&)> say_;
    int fd_ = -1;
    bool wanted_ = false;
    bool pending_ = false;
    bool refusedThisReport_ = false;
    bool said_ = false;
};
