#include <fcntl.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
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
#include "platform/linux/WriteAll.h"
#include "ui/headless/CommandChannel.h"
#include "ui/headless/DaemonLoop.h"
#include "ui/headless/HeadlessShell.h"
#include "ui/headless/ServiceNotifier.h"
#include "ui/launcher/Backends.h"
#include "ui/launcher/LaunchOptions.h"

namespace {

// A pipe that nobody reads must not stop the tick: there, a line that does not fit is
// dropped instead of waited for (the report list and the log files still have it).
void MakePipedOutputNonBlocking() {
    struct stat status {};
    if (fstat(STDOUT_FILENO, &status) == 0 &&
        (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode))) {
        fcntl(STDOUT_FILENO, F_SETFL, fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
    }
}

void WriteEventLine(const Clock& clock, const std::string& text) {
    LocalTime now = clock.LocalNow();
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", now.hour, now.minute, now.second);
    const std::string line = stamp + text + "\n";
    WriteAll(STDOUT_FILENO, line);
}

const char* CommandWord(LaunchOptions::Command command) {
    switch (command) {
        case LaunchOptions::Command::Show:
            return "show";
        case LaunchOptions::Command::Test:
            return "test";
        default:
            return "exit";
    }
}

// Until the loop takes SIGTERM and SIGINT from its signalfd, they end a start-up that
// takes too long (settings on a hung file system, say) as they would end the loop.
void EndAtOnce(int) {
    _exit(0);
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

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGTERM, EndAtOnce);
    signal(SIGINT, EndAtOnce);
    MakePipedOutputNonBlocking();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    ParsedOptions parsed = ParseLaunchOptions(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "mzorvanyd: %s\nTry mzorvanyd --help.\n", parsed.error.c_str());
        return ExitUsage;
    }
    const LaunchOptions& options = parsed.options;
    if (options.help) {
        std::fputs(LaunchOptionsHelp("mzorvanyd").c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("mzorvanyd %s\n", MZORVANY_VERSION);
        return 0;
    }
    BuiltBackends built = BuildBackends(options);
    if (!built.backends) {
        std::fprintf(stderr, "mzorvanyd: %s\n", built.error.c_str());
        return ExitUsage;
    }
    Backends& backends = *built.backends;
    const std::string folder = backends.SettingsFolder();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);

    if (options.command != LaunchOptions::Command::None) {
        return SendCommand(folder, CommandWord(options.command)) ? 0 : 1;
    }
    std::fprintf(stderr, "mzorvanyd: %s\n", backends.choice.c_str());
    std::fflush(stderr);
    InstanceLock lock(folder);
    switch (lock.Acquire()) {
        case InstanceLock::Result::HeldByAnother:
            SendCommand(folder, "show");
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
                    DaemonLoop loop(shell, commands, backends.keys, signalFd, service);
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
