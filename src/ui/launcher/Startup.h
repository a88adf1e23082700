#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/SoundPlayer.h"
#include "ui/launcher/Backends.h"
#include "ui/launcher/LaunchOptions.h"

// What a front end brings to the start both front ends share.
struct FrontEnd {
    std::string program;  // its name, which begins each of its messages
    // Runs after --help and --version, before the backends are built, unless the start
    // only hands a command on (the Qt tracker opens its display here); an exit code ends
    // the start with it.
    std::function<std::optional<int>()> beforeBackends;
    // Its own sound player; without one a player program is used.
    std::function<std::unique_ptr<SoundPlayer>()> makeSound;
};

// The backends to run with, or the exit code to end with at once.
struct Startup {
    LaunchOptions options;
    std::unique_ptr<Backends> backends;
    int exitCode = 0;  // when backends is null
};

// The arguments, then --help and --version (answered on standard output, exit 0), then
// the backends. A bad option prints its one-line error and "Try PROGRAM --help." on
// standard error and ends with ExitUsage, as do options the backends cannot serve (with
// the reason). When the tracker itself is to run, the automatic choices are written to
// standard error first.
Startup StartUp(const FrontEnd& frontEnd, const std::vector<std::string>& arguments);
