#pragma once

#include <string>
#include <vector>

#include "ui/launcher/CommandChannel.h"
#include "ui/launcher/TrackerCommand.h"

// The one tracker per settings folder, whichever front end starts it: both take the same
// lock file and serve the same command socket, so a daemon and a desktop tracker on one
// folder see each other and never report twice.
class TrackerInstance {
public:
    TrackerInstance(std::string program, std::string folder);

    // Becomes the tracker for the folder; false when another runs (it has been asked to
    // show itself, and this start is to end with ExitAlreadyRunning). A lock or socket
    // that cannot be made is said on standard error and the tracker runs anyway:
    // reporting matters more than uniqueness.
    bool Claim();

    // The socket's descriptors and deadlines, for the front end's event loop.
    CommandServer& Commands() { return commands; }
    // Serves a readable descriptor; each command taken is said on standard error, so
    // that the journal tells why the tracker showed itself or ended.
    void Serve(int fd, const CommandServer::Obey& obey);

private:
    std::string program;
    std::string folder;
    InstanceLock lock;
    CommandServer commands;
};

// --command=WORD: hands the command to the tracker running for the folder and waits for
// its answer; the exit code, 0 when it took the command, 1 when none did.
int HandCommand(const std::string& program, const std::string& folder, TrackerCommand command);
