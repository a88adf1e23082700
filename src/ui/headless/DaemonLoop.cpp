#include "ui/headless/DaemonLoop.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "app/MainWindow.h"
#include "app/Resources.h"
#include "ui/headless/CommandChannel.h"
#include "ui/headless/HeadlessShell.h"

namespace {

// A key device that went away is looked for again this often.
constexpr int kRetryMs = 2000;

}  // namespace

DaemonLoop::DaemonLoop(HeadlessShell& shell, CommandServer& commands,
                       std::vector<std::unique_ptr<EvdevKeySource>>& keys, int signalFd)
    : shell(shell), commands(commands), keys(keys), signalFd(signalFd) {}

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
    for (int fd : commands.Descriptors()) {
        watched.push_back({Source::Command, fd, 0});
    }
    return watched;
}

int DaemonLoop::Run(CMainWindow& window) {
    while (!shell.Ended()) {
        std::vector<Watched> watched = Collect();
        std::vector<pollfd> fds;
        for (const auto& each : watched) {
            fds.push_back({each.fd, POLLIN, 0});
        }
        bool anyClosed = false;
        for (const auto& source : keys) {
            anyClosed = anyClosed || !source->IsOpen();
        }
        int timeoutMs = anyClosed ? kRetryMs : -1;
        const int commandsMs = commands.WaitMs();
        if (commandsMs >= 0 && (timeoutMs < 0 || commandsMs < timeoutMs)) {
            timeoutMs = commandsMs;
        }
        int ready = poll(fds.data(), fds.size(), timeoutMs);
        if (ready < 0 && errno != EINTR) {
            std::perror("poll");
            return 1;
        }
        commands.DropIdle();
        if (ready == 0 && anyClosed && timeoutMs == kRetryMs) {
            RetryClosedKeys();
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
            if (read(signalFd, &info, sizeof(info)) == sizeof(info)) {
                // SIGTERM and SIGINT end the tracker as a close answered Yes does.
                shell.EndProgram(0);
            }
            break;
        }
        case Source::Timer:
            if (shell.TakeExpiry(watched.id, watched.fd)) {
                window.OnTimer(watched.id);
                if (watched.id == TickTimerId && ++ticksSinceRetry * TickPeriodMs >= kRetryMs) {
                    ticksSinceRetry = 0;
                    RetryClosedKeys();
                }
            }
            break;
        case Source::Key:
            ReadKeys(window, *keys[watched.id]);
            break;
        case Source::Command:
            for (const auto& command : commands.Serve(watched.fd)) {
                if (command == "show") {
                    window.OnTrayIconMessage();
                } else if (command == "test") {
                    window.OnCommand(CmdTest);
                } else if (command == "exit") {
                    window.OnDeliberateExit();
                    shell.EndProgram(0);
                }
            }
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
        std::fprintf(stderr, "%s\n", source.ErrorText().c_str());
    }
}

void DaemonLoop::RetryClosedKeys() {
    for (auto& source : keys) {
        if (!source->IsOpen() && source->Open()) {
            std::fprintf(stderr, "%s: watching keys again\n", source->Path().c_str());
        }
    }
}
