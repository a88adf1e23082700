#include "platform/linux/ProcessSoundPlayer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <utility>

#include "platform/linux/DataFile.h"

extern char** environ;

ProcessSoundPlayer::ProcessSoundPlayer(std::vector<std::string> command)
    : command_(std::move(command)) {}

ProcessSoundPlayer::~ProcessSoundPlayer() {
    for (pid_t pid : running_) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
}

void ProcessSoundPlayer::ReapFinished() {
    std::erase_if(running_, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

void ProcessSoundPlayer::PlayAsync(const std::string& path) {
    ReapFinished();
    if (command_.empty()) {
        return;
    }
    std::vector<std::string> args = command_;
    args.push_back(FindDataFile(path));
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    // The player's chatter about a missing device or file must not reach our output.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // A daemon blocks SIGTERM for its signalfd; the player must not inherit that, or it
    // could not be stopped. Nor the signals the daemon ignores.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t ignored;
    sigemptyset(&ignored);
    for (int each : {SIGPIPE, SIGUSR1, SIGUSR2}) {
        sigaddset(&ignored, each);
    }
    posix_spawnattr_setsigdefault(&attributes, &ignored);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ) == 0) {
        running_.push_back(pid);
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}
