#pragma once

#include <memory>
#include <regex>

#include "support/ChildProcess.h"

// mzorvany-pult listening on a free loopback port, writing into folder; gives the port,
// or "" when it did not start.
inline std::unique_ptr<ChildProcess> StartPult(const std::string& folder, std::string& port) {
    auto pult = std::make_unique<ChildProcess>(
        std::vector<std::string>{MZ_PULT, "--listen", "127.0.0.1:0"}, folder + "/pult");
    std::smatch match;
    std::string errors;
    const bool listening = WaitFor([&] {
        errors = pult->Errors();
        return std::regex_search(errors, match, std::regex(R"(listening on [0-9.]+:(\d+))"));
    });
    port = listening ? match[1].str() : std::string();
    return pult;
}
