#include "ui/headless/DaemonLoop.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <string>

#include "app/MainWindow.h"
#include "app/Resources.h"
#include "common/LastErrorText.h"
#include "platform/linux/NonBlockingOutput.h"
#include "ui/headless/HeadlessShell.h"
#include "ui/headless/ServiceNotifier.h"
#include "ui/launcher/ObeyCommand.h"
#include "ui/launcher/TrackerInstance.h"

namespace {

constexpr int kRetryMs = EvdevKeySource::ReopenIntervalMs;

std::int64_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

NonBlockingOutput& Output(int index) {
    return index == 0 ? StandardOutput() : StandardError();
}

void Say(const std::string& text) {
    StandardError().Line("mzorvanyd: " + text);
}

}  // namespace

DaemonLoop::DaemonLoop(HeadlessShell& daemonShell, TrackerInstance& trackerInstance,
                       std::vector<std::unique_ptr<EvdevKeySource>>& keySources, int signals,
                       ServiceNotifier& serviceManager, DbusConnection* systemBus,
                       RouteWatch* routeWatch)
    : shell(daemonShell),
      instance(trackerInstance),
      keys(keySources),
      signalFd(signals),
      service(serviceManager),
      bus(systemBus),
      routes(routeWatch),
      pacer(TickPeriodMs),
      power(Say) {
    if (routes != nullptr && routes->Fd() < 0) {
        Say(routes->Unwatched());
    }
}

std::vector<DaemonLoop::Watched> DaemonLoop::Collect() const {
    std::vector<Watched> watched;
    watched.push_back({Source::Signal, signalFd, 0});
    for (const auto& [id, fd] : shell.Timers()) {
        watched.push_back({Source::Timer, fd, id});
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i]->IsOpen()) {
            watched.push_back({Source::Key, keys[i]->Fd(), static_cast<int>(i)});
        }
    }
    if (power.WakeAlarmFd() >= 0) {
        watched.push_back({Source::WakeAlarm, power.WakeAlarmFd(), 0});
    }
    for (int fd : instance.Commands().Descriptors()) {
        watched.push_back({Source::Command, fd, 0});
    }
    // Lines waiting for a reader go on as soon as it takes them.
    for (int index = 0; index < 2; ++index) {
        if (const int fd = Output(index).PendingFd(); fd >= 0) {
            watched.push_back({Source::Output, fd, index, POLLOUT});
        }
    }
    if (bus != nullptr && bus->Fd() >= 0) {
        watched.push_back({Source::Bus, bus->Fd(), 0});
    }
    if (routes != nullptr && routes->Fd() >= 0) {
        watched.push_back({Source::Routes, routes->Fd(), 0});
    }
    return watched;
}

int DaemonLoop::Run(CMainWindow& window) {
    while (!shell.Ended()) {
        // A turn of this loop is the sign of life the service manager's watchdog waits for.
        service.Alive();
        SleepThroughQuietTicks(window);
        std::vector<Watched> watched = Collect();
        std::vector<pollfd> fds;
        for (const auto& each : watched) {
            const short events = each.source == Source::Bus ? bus->Events() : each.events;
            fds.push_back({each.fd, events, 0});
        }
        // A key source made anew under its path is looked for even while asleep: a
        // writer cannot reach the one held open any more.
        const bool lookAgain = !keys.empty();
        int timeoutMs = -1;
        if (lookAgain) {
            timeoutMs = static_cast<int>(
                std::clamp<std::int64_t>(nextKeyLookMs - MonotonicMs(), 0, kRetryMs));
        }
        const int commandsMs = instance.Commands().WaitMs();
        if (commandsMs >= 0 && (timeoutMs < 0 || commandsMs < timeoutMs)) {
            timeoutMs = commandsMs;
        }
        const int busMs = bus != nullptr ? bus->DueInMs() : -1;
        if (busMs >= 0 && (timeoutMs < 0 || busMs < timeoutMs)) {
            timeoutMs = busMs;
        }
        const int sleepMs = service.SleepLimitMs(timeoutMs);
        int ready = poll(fds.data(), fds.size(), sleepMs);
        if (ready < 0 && errno != EINTR) {
            Say("poll: " + LastErrorText(errno));
            return 1;
        }
        CatchUpQuietTicks(window);
        instance.Commands().DropIdle();
        if (lookAgain && MonotonicMs() >= nextKeyLookMs) {
            nextKeyLookMs = MonotonicMs() + kRetryMs;
            RetryClosedKeys(window);
        }
        if (bus != nullptr && bus->DueInMs() == 0) {
            bus->Drain();  // a call's time-out, or messages read but not yet handled
        }
        for (std::size_t i = 0; i < fds.size() && !shell.Ended() && ready > 0; ++i) {
            if (fds[i].revents != 0) {
                Handle(window, watched[i]);
            }
        }
    }
    return shell.ExitCode();
}

void DaemonLoop::Handle(CMainWindow& window, const Watched& watched) {
    switch (watched.source) {
        case Source::Signal: {
            signalfd_siginfo info;
            if (read(signalFd, &info, sizeof(info)) != sizeof(info)) {
                break;
            }
            if (info.ssi_signo == SIGHUP) {
                // The daemons' convention: read the configuration again.
                Say(window.ReloadSettings() ? "params.ini read again"
                                            : "params.ini cannot be read; the settings stay");
            } else {
                // SIGTERM and SIGINT end the tracker as a close answered Yes does.
                shell.EndProgram(0);
            }
            break;
        }
        case Source::Timer:
            if (shell.TakeExpiry(watched.id, watched.fd)) {
                window.OnTimer(watched.id);
                if (watched.id == TickTimerId) {
                    pacer.Ticked(MonotonicMs());
                }
            }
            break;
        case Source::WakeAlarm:
            power.TakeWakeAlarm();
            break;
        case Source::Key:
            ReadKeys(window, *keys[watched.id]);
            break;
        case Source::Output:
            Output(watched.id).Flush();
            break;
        case Source::Bus:
            bus->Drain();
            break;
        case Source::Routes:
            routes->Drain();  // the core learns of it when the loop next asks for quiet ticks
            break;
        case Source::Command:
            instance.Serve(watched.fd, [&](TrackerCommand command) {
                switch (ObeyCommand(window, command)) {
                    case CommandOutcome::Done:
                        break;
                    case CommandOutcome::AlreadyQueued:
                        return CommandAlreadyQueuedLine;
                    case CommandOutcome::EndProgram:
                        shell.EndProgram(0);
                        break;
                }
                return CommandDoneLine;
            });
            break;
    }
}

void DaemonLoop::ReadKeys(CMainWindow& window, EvdevKeySource& source) {
    KeyEvent event;
    while (source.Next(event)) {
        if (event.down) {
            window.OnAlarmKeyDown(event.timeMs, event.scanCode, event.keyCode);
        } else {
            window.OnAlarmKeyUp(event.timeMs, event.scanCode, event.keyCode);
        }
    }
    if (!source.IsOpen()) {
        StandardError().Line(source.ErrorText());
    }
}

void DaemonLoop::RetryClosedKeys(CMainWindow& window) {
    for (auto& source : keys) {
        if (source->CloseIfReplaced()) {
            ReadKeys(window, *source);  // the key-ups of what it held
        }
        if (!source->IsOpen() && source->Open()) {
            StandardError().Line(source->Path() + ": watching keys again");
        }
    }
}

void DaemonLoop::SleepThroughQuietTicks(CMainWindow& window) {
    power.HoldLocks(window);
    if (!pacer.Started() || shell.Timers().count(TickTimerId) == 0) {
        return;
    }
    // A periodic timer that fired has moved on to its next period by itself.
    const std::int64_t now = MonotonicMs();
    while (tickArmedForMs >= 0 && tickArmedForMs <= now) {
        tickArmedForMs += TickPeriodMs;
    }
    // Logind's answer is looked for on the next tick, not after a long sleep.
    pacer.SetQuiet(power.AnswerAwaited() ? 0 : window.QuietTicks());
    if (pacer.NextTickMs() != tickArmedForMs) {
        tickArmedForMs = pacer.NextTickMs();
        shell.ArmTimerAt(TickTimerId, tickArmedForMs, TickPeriodMs);
    }
    power.ArmWakeAlarm(window, pacer, now);
}

void DaemonLoop::CatchUpQuietTicks(CMainWindow& window) {
    // The quiet ticks awake first: they were quiet by what the core knew before the sleep.
    const std::int64_t now = MonotonicMs();
    window.SkipQuietTicks(pacer.CatchUp(now));
    window.OnSuspended(power.TakePassedTicks(pacer, now));
}
