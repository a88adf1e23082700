#include "ui/launcher/Startup.h"

#include <cstdio>

#include "platform/linux/NonBlockingOutput.h"

Startup StartUp(const FrontEnd& frontEnd, const std::vector<std::string>& arguments) {
    Startup start;
    const char* program = frontEnd.program.c_str();
    ParsedOptions parsed = ParseLaunchOptions(arguments);
    if (!parsed.error.empty()) {
        StandardError().Line(frontEnd.program + ": " + parsed.error);
        StandardError().Line("Try " + frontEnd.program + " --help.");
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
        StandardError().Line(frontEnd.program + ": " + built.error);
        start.exitCode = ExitUsage;
        return start;
    }
    if (!start.options.command) {
        // Diagnostics never wait: a start-up with standard error on a pipe nobody reads
        // goes on (help and version above are the answer asked for, so they may).
        StandardError().Line(frontEnd.program + ": " + built.backends->choice);
    }
    start.backends = std::move(built.backends);
    return start;
}
