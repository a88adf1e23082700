// The launch options as any arguments: parsing never crashes, and a parse that succeeds
// names only a known command.
#include "FuzzCheck.h"
#include "ui/launcher/LaunchOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Arguments are separated by zero bytes, as in /proc/PID/cmdline.
    std::vector<std::string> arguments;
    if (size > 0) {
        arguments.emplace_back();
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back() += static_cast<char>(data[i]);
        }
    }
    const ParsedOptions parsed = ParseLaunchOptions(arguments);
    if (parsed.error.empty() && parsed.options.command) {
        FUZZ_CHECK(!WordOf(*parsed.options.command).empty());
    }
    return 0;
}
