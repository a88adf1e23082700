#pragma once

#include <poll.h>

#include <memory>
#include <vector>

#include "app/TickPacer.h"
#include "platform/linux/EvdevKeySource.h"
#include "platform/linux/RouteWatch.h"
#include "ui/launcher/LoopPower.h"

class CMainWindow;
class HeadlessShell;
class ServiceNotifier;
class TrackerInstance;

// The daemon's one thread: poll() over the signalfd, the timers, the key devices and
// the command socket, handing each event to the window as it comes.
class DaemonLoop {
public:
    DaemonLoop(HeadlessShell& shell, TrackerInstance& instance,
               std::vector<std::unique_ptr<EvdevKeySource>>& keys, int signalFd,
               ServiceNotifier& service, DbusConnection* bus = nullptr,
               RouteWatch* routes = nullptr);

    // Runs until the program is ended; the exit code.
    int Run(CMainWindow& window);

private:
    enum class Source { Signal, Timer, Key, Command, WakeAlarm, Output, Bus, Routes };
    struct Watched {
        Source source;
        int fd;
        int id;  // timer id, key source index or output index
        short events = POLLIN;
    };

    std::vector<Watched> Collect() const;
    void Handle(CMainWindow& window, const Watched& watched);
    void ReadKeys(CMainWindow& window, EvdevKeySource& keys);
    // Every 2 s: closes the sources whose path names a new file, and opens those closed.
    void RetryClosedKeys(CMainWindow& window);
    // Before a sleep: the tick timer is set for the first tick that can do something.
    void SleepThroughQuietTicks(CMainWindow& window);
    // After a wake-up: the core counts the quiet ticks that passed meanwhile.
    void CatchUpQuietTicks(CMainWindow& window);

    HeadlessShell& shell;
    TrackerInstance& instance;
    std::vector<std::unique_ptr<EvdevKeySource>>& keys;
    int signalFd;
    ServiceNotifier& service;
    std::int64_t nextKeyLookMs = 0;  // monotonic
    DbusConnection* bus;             // read whenever readable, so no signal waits for a report
    RouteWatch* routes;              // the same: a changed network ends a link's back-off
    TickPacer pacer;
    LoopPower power;
    std::int64_t tickArmedForMs = -1;  // the tick timer's next expiry as last set
};
