#include "ui/launcher/TrackerInstance.h"

#include <cerrno>
#include <filesystem>
#include <string_view>

#include "common/LastErrorText.h"
#include "platform/linux/NonBlockingOutput.h"

namespace {

// Asks the tracker that runs to show itself; whom it does not trust is not asked.
bool Knock(const std::string& folder) {
    std::vector<std::string> distrusted;
    return SendCommand(folder, TrackerCommand::Show, distrusted) != CommandAnswer::None;
}

}  // namespace

TrackerInstance::TrackerInstance(std::string programName, std::string settingsFolder)
    : program(std::move(programName)),
      folder(std::move(settingsFolder)),
      lock(folder),
      commands(folder) {}

bool TrackerInstance::Claim() {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    switch (lock.Acquire()) {
        case InstanceLock::Result::HeldByAnother:
            // Said, so that a service manager's log tells why this start ended.
            StandardError().Line(program + ": a tracker already runs for " + folder +
                                 "; it was asked to show itself");
            Knock(folder);
            return false;
        case InstanceLock::Result::Failed: {
            const std::string why = LastErrorText(errno);
            // Without the lock, one that answers on the socket is the tracker running;
            // listening would take its socket from it.
            if (Knock(folder)) {
                return false;
            }
            StandardError().Line(program + ": " + lock.Path() + ": " + why +
                                 "; a second instance would not be noticed");
            break;
        }
        case InstanceLock::Result::Acquired:
            break;
    }
    if (!commands.Listen()) {
        StandardError().Line(program + ": no command socket: " + commands.ErrorText());
    }
    return true;
}

void TrackerInstance::Serve(int fd, const CommandServer::Obey& obey) {
    commands.Serve(fd, [&](TrackerCommand command) {
        StandardError().Line(program + ": --command=" + std::string(WordOf(command)) + " received");
        return obey(command);
    });
}

int HandCommand(const std::string& program, const std::string& folder, TrackerCommand command) {
    std::vector<std::string> distrusted;
    const CommandAnswer answer = SendCommand(folder, command, distrusted);
    // A socket of another user that was passed over is said.
    for (const std::string& each : distrusted) {
        StandardError().Line(program + ": " + each + ", not by this user or root: not trusted");
    }
    switch (answer) {
        case CommandAnswer::Done:
            return 0;
        case CommandAnswer::AlreadyQueued:
            // The request stands: the test report waiting goes as asked.
            StandardOutput().Line("already queued");
            return 0;
        case CommandAnswer::None:
            break;
    }
    return 1;
}
