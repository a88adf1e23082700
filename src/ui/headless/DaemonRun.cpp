#include "ui/headless/DaemonRun.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/EntryPoint.h"
#include "common/LastErrorText.h"
#include "platform/Clock.h"
#include "platform/NullDisplay.h"
#include "platform/linux/NonBlockingOutput.h"
#include "platform/linux/WriteAll.h"
#include "ui/headless/DaemonLoop.h"
#include "ui/headless/HeadlessShell.h"
#include "ui/headless/ServiceNotifier.h"
#include "ui/launcher/TrackerInstance.h"

namespace {

void WriteEventLine(const Clock& clock, const std::string& text) {
    LocalTime now = clock.LocalNow();
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", now.hour, now.minute, now.second);
    StandardOutput().Line(stamp + text);
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
    if (options.command) {
        return HandCommand("mzorvanyd", folder, *options.command);
    }
    TrackerInstance instance("mzorvanyd", folder);
    if (!instance.Claim()) {
        return ExitAlreadyRunning;
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
                        StandardError().Line("mzorvanyd: signalfd: " + LastErrorText(errno));
                        return 1;
                    }
                    DaemonLoop loop(shell, instance, backends.keys, signalFd, service, bus,
                                    backends.routeWatch.get());
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
