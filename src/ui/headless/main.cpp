#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/linux/NonBlockingOutput.h"
#include "ui/headless/DaemonRun.h"
#include "ui/launcher/Startup.h"

namespace {

// What still waits to be written at the end gets a moment, not a wait on whoever
// stopped reading.
constexpr int kLastWordsMs = 200;

// Until the loop takes SIGTERM and SIGINT from its signalfd, they end a start-up that
// takes too long (settings on a hung file system, say) as they would end the loop.
void EndAtOnce(int) {
    _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGTERM, EndAtOnce);
    signal(SIGINT, EndAtOnce);
    // Ignored by the convention for daemons; SIGHUP waits, blocked, for the loop to read
    // params.ini again.
    signal(SIGUSR1, SIG_IGN);
    signal(SIGUSR2, SIG_IGN);
    sigset_t hangUp;
    sigemptyset(&hangUp);
    sigaddset(&hangUp, SIGHUP);
    sigprocmask(SIG_BLOCK, &hangUp, nullptr);
    Startup start = StartUp({"mzorvanyd", {}, {}}, std::vector<std::string>(argv + 1, argv + argc));
    const int exitCode =
        start.backends ? RunDaemon(start.options, *start.backends) : start.exitCode;
    StandardOutput().Drain(kLastWordsMs);
    StandardError().Drain(kLastWordsMs);
    return exitCode;
}
