#include "ui/launcher/TrackerInstance.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "common/LastErrorText.h"

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
            SendCommand(folder, TrackerCommand::Show);
            return false;
        case InstanceLock::Result::Failed: {
            const std::string why = LastErrorText(errno);
            // Without the lock, one that answers on the socket is the tracker running;
            // listening would take its socket from it.
            if (SendCommand(folder, TrackerCommand::Show)) {
                return false;
            }
            std::fprintf(stderr, "%s: %s: %s; a second instance would not be noticed\n",
                         program.c_str(), lock.Path().c_str(), why.c_str());
            break;
        }
        case InstanceLock::Result::Acquired:
            break;
    }
    if (!commands.Listen()) {
        std::fprintf(stderr, "%s: no command socket: %s\n", program.c_str(),
                     commands.ErrorText().c_str());
    }
    return true;
}

std::vector<TrackerCommand> TrackerInstance::Serve(int fd) {
    std::vector<TrackerCommand> taken = commands.Serve(fd);
    for (const TrackerCommand command : taken) {
        const std::string_view word = WordOf(command);
        std::fprintf(stderr, "%s: --command=%.*s received\n", program.c_str(),
                     static_cast<int>(word.size()), word.data());
    }
    return taken;
}

int HandCommand(const std::string& folder, TrackerCommand command) {
    return SendCommand(folder, command) ? 0 : 1;
}
