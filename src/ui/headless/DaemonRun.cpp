#include "ui/headless/DaemonRun.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/EntryPoint.h"
#include "common/LastErrorText.h"
#include "platform/Clock.h"
#include "platform/NullDisplay.h"
#include "platform/linux/WriteAll.h"
#include "ui/headless/CommandChannel.h"
#include "ui/headless/DaemonLoop.h"
#include "ui/headless/HeadlessShell.h"
#include "ui/headless/ServiceNotifier.h"

namespace {

void WriteEventLine(const Clock& clock, const std::string& text) {
    LocalTime now = clock.LocalNow();
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", now.hour, now.minute, now.second);
    const std::string line = stamp + text + "\n";
    WriteAll(STDOUT_FILENO, line);
}

int BlockedSignalsFd() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
        return -1;
    }
    return signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
}

}  // namespace

int RunDaemon(const LaunchOptions& options, Backends& backends) {
    const std::string folder = backends.SettingsFolder();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);

    if (options.command) {
        return SendCommand(folder, *options.command) ? 0 : 1;
    }
    InstanceLock lock(folder);
    switch (lock.Acquire()) {
        case InstanceLock::Result::HeldByAnother:
            SendCommand(folder, TrackerCommand::Show);
            return ExitAlreadyRunning;
        case InstanceLock::Result::Failed:
            // Reporting matters more than uniqueness: run, but say so.
            std::fprintf(stderr, "mzorvanyd: %s: %s; a second instance would not be noticed\n",
                         lock.Path().c_str(), LastErrorText(errno).c_str());
            break;
        case InstanceLock::Result::Acquired:
            break;
    }
    CommandServer commands(folder);
    if (!commands.Listen()) {
        std::fprintf(stderr, "mzorvanyd: no command socket: %s\n", commands.ErrorText().c_str());
    }
    for (auto& keys : backends.keys) {
        if (!keys->Open()) {
            std::fprintf(stderr, "mzorvanyd: %s (looked for again while running)\n",
                         keys->ErrorText().c_str());
        }
    }
    HeadlessShell shell(stderr);
    NullDisplay display;
    ServiceNotifier service;
    const Clock& clock = *backends.clock;
    DbusConnection* bus = backends.bus.get();
    int signalFd = -1;
    int exitCode = RunGuarded(
        [&] {
            return RunMainWindow(
                shell, display, backends.MakePlatform([&](const std::string& text) {
                    WriteEventLine(clock, text);
                    service.Status(text);
                }),
                [&](CMainWindow& window) {
                    signalFd = BlockedSignalsFd();
                    if (signalFd < 0) {
                        std::perror("mzorvanyd: signalfd");
                        return 1;
                    }
                    DaemonLoop loop(shell, commands, backends.keys, signalFd, service, bus);
                    service.Ready("Работает");
                    return loop.Run(window);
                });
        },
        [](const std::string& text) {
            std::fprintf(stderr, "Error: %s\n", text.c_str());
            std::fflush(stderr);
        });
    service.Stopping();
    if (signalFd >= 0) {
        close(signalFd);
    }
    return exitCode;
}
