#include "ui/headless/DaemonRun.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/EntryPoint.h"
#include "common/LastErrorText.h"
#include "platform/Clock.h"
#include "platform/NullDisplay.h"
#include "platform/linux/NonBlockingOutput.h"
#include "ui/headless/CommandChannel.h"
#include "ui/headless/DaemonLoop.h"
#include "ui/headless/HeadlessShell.h"
#include "ui/headless/ServiceNotifier.h"

namespace {

void WriteEventLine(const Clock& clock, const std::string& text) {
    LocalTime now = clock.LocalNow();
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", now.hour, now.minute, now.second);
    StandardOutput().Line(stamp + text);
}

// Hands a command on; a socket of another user that was passed over is said.
bool HandCommand(const std::string& folder, TrackerCommand command) {
    std::vector<std::string> distrusted;
    const bool delivered = SendCommand(folder, command, distrusted);
    for (const std::string& each : distrusted) {
        StandardError().Line("mzorvanyd: " + each + ", not by this user or root: not trusted");
    }
    return delivered;
}

int BlockedSignalsFd() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
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
        return HandCommand(folder, *options.command) ? 0 : 1;
    }
    InstanceLock lock(folder);
    switch (lock.Acquire()) {
        case InstanceLock::Result::HeldByAnother:
            HandCommand(folder, TrackerCommand::Show);
            return ExitAlreadyRunning;
        case InstanceLock::Result::Failed:
            // Reporting matters more than uniqueness: run, but say so.
            StandardError().Line("mzorvanyd: " + lock.Path() + ": " + LastErrorText(errno) +
                                 "; a second instance would not be noticed");
            break;
        case InstanceLock::Result::Acquired:
            break;
    }
    CommandServer commands(folder);
    if (!commands.Listen()) {
        StandardError().Line("mzorvanyd: no command socket: " + commands.ErrorText());
    }
    for (auto& keys : backends.keys) {
        if (!keys->Open()) {
            StandardError().Line("mzorvanyd: " + keys->ErrorText() +
                                 " (looked for again while running)");
        }
    }
    HeadlessShell shell(StandardError());
    NullDisplay display;
    ServiceNotifier service;
    const Clock& clock = *backends.clock;
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
                        StandardError().Line("mzorvanyd: signalfd: " + LastErrorText(errno));
                        return 1;
                    }
                    DaemonLoop loop(shell, commands, backends.keys, signalFd, service);
                    service.Ready("Работает");
                    return loop.Run(window);
                });
        },
        [](const std::string& text) { StandardError().Line("Error: " + text); });
    service.Stopping();
    if (signalFd >= 0) {
        close(signalFd);
    }
    return exitCode;
}
