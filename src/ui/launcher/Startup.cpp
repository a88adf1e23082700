#include "ui/launcher/Startup.h"

#include <cstdio>

Startup StartUp(const FrontEnd& frontEnd, const std::vector<std::string>& arguments) {
    Startup start;
    const char* program = frontEnd.program.c_str();
    ParsedOptions parsed = ParseLaunchOptions(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry %s --help.\n", program, parsed.error.c_str(), program);
        start.exitCode = ExitUsage;
        return start;
    }
    start.options = std::move(parsed.options);
    if (start.options.help) {
        std::fputs(LaunchOptionsHelp(program).c_str(), stdout);
        return start;
    }
    if (start.options.version) {
        std::printf("%s %s\n", program, MZORVANY_VERSION);
        return start;
    }
    // A command for the running tracker needs no display.
    if (frontEnd.beforeBackends && !start.options.command) {
        if (const std::optional<int> exitCode = frontEnd.beforeBackends()) {
            start.exitCode = *exitCode;
            return start;
        }
    }
    BuiltBackends built =
        BuildBackends(start.options, frontEnd.makeSound ? frontEnd.makeSound() : nullptr);
    if (!built.backends) {
        std::fprintf(stderr, "%s: %s\n", program, built.error.c_str());
        start.exitCode = ExitUsage;
        return start;
    }
    if (!start.options.command) {
        std::fprintf(stderr, "%s: %s\n", program, built.backends->choice.c_str());
        std::fflush(stderr);
    }
    start.backends = std::move(built.backends);
    return start;
}
