#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

struct sd_bus;

// The system bus as the Linux backends share it. Connecting starts without waiting for the
// bus to answer; a bus that is absent or lost is looked for again at most once per retry
// interval; Drain handles what has arrived and never waits.
class DbusConnection {
public:
    explicit DbusConnection(std::chrono::milliseconds retryInterval = std::chrono::seconds(5));
    ~DbusConnection();
    DbusConnection(const DbusConnection&) = delete;
    DbusConnection& operator=(const DbusConnection&) = delete;

    // Connects when not connected and the retry interval has passed; true while connected.
    bool Ensure();
    // Handles every message that has arrived; a broken connection is dropped.
    void Drain();
    sd_bus* Bus() const { return bus_; }
    // Grows with every new connection, so that users subscribe and read again.
    std::uint64_t Generation() const { return generation_; }
    // Called right after every new connection, so that every user subscribes before any
    // of them reads its cache; the id removes it.
    int AddConnectHook(std::function<void()> hook);
    void RemoveConnectHook(int id);

    // For a poll loop: the descriptor to watch (-1 while not connected), the poll events
    // to watch it for, and in how many milliseconds Drain is due anyway (-1: not due).
    int Fd() const;
    short Events() const;
    int DueInMs() const;

    // Whether the name has an owner now, waiting at most the timeout. Only for choices made
    // at start; the tick never calls it.
    bool NameHasOwner(const std::string& name, std::chrono::milliseconds timeout);

private:
    void Drop();

    std::chrono::milliseconds retryInterval_;
    std::chrono::steady_clock::time_point lastAttempt_{};
    bool attempted_ = false;
    sd_bus* bus_ = nullptr;
    std::uint64_t generation_ = 0;
    std::map<int, std::function<void()>> connectHooks_;
    int nextHookId_ = 0;
};
