#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ui/headless/DaemonRun.h"
#include "ui/launcher/Startup.h"

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
    MakePipedOutputNonBlocking();
    Startup start = StartUp({"mzorvanyd", {}, {}}, std::vector<std::string>(argv + 1, argv + argc));
    if (!start.backends) {
        return start.exitCode;
    }
    return RunDaemon(start.options, *start.backends);
}
