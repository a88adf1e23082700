#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

namespace {

struct Program {
    std::string name;
    const char* path;  // null where the program is not built
};

const Program kPrograms[] = {
    {"mzorvanyd", MZ_DAEMON},
#ifdef MZ_QT_TRACKER
    {"mzorvany", MZ_QT_TRACKER},
#else
    {"mzorvany", nullptr},
#endif
};

// Both front ends start alike: the same answer to options they cannot use.
TEST(Startup, BothProgramsRefuseABadOptionAndUnservableOptionsAlike) {
    struct RefusalCase {
        const char* name;
        std::vector<std::string> arguments;
        std::string errors;  // standard error after "PROGRAM: ", with {} for the program
    };
    const RefusalCase cases[] = {
        {"BadOption",
         {"--gps=serial"},
         "--gps takes gpsd[:HOST:PORT], sim:LAT,LON[,ALT] or none\nTry {} --help.\n"},
        {"BackendsCannotServeTheOptions",
         {"--gps=sim:north", "--modem=none", "--link=direct"},
         "--gps=sim:north: not a latitude and longitude in decimal degrees\n"},
    };
    TempFolder home;
    const std::string runtime = home / "run";
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    const std::vector<std::string> env = {
        "XDG_DATA_HOME=" + home.Path(), "XDG_RUNTIME_DIR=" + runtime, "QT_QPA_PLATFORM=offscreen"};
    for (const auto& program : kPrograms) {
        if (program.path == nullptr) {
            continue;
        }
        for (const auto& c : cases) {
            SCOPED_TRACE(program.name + " " + c.name);
            std::vector<std::string> command{program.path};
            command.insert(command.end(), c.arguments.begin(), c.arguments.end());
            ChildProcess run(command, home / (program.name + c.name), env);
            EXPECT_EQ(run.Wait(), 64);
            std::string errors = program.name + ": " + c.errors;
            if (const auto at = errors.find("{}"); at != std::string::npos) {
                errors.replace(at, 2, program.name);
            }
            EXPECT_EQ(run.Errors(), errors);
            EXPECT_EQ(run.Output(), "");
        }
    }
}

}  // namespace
