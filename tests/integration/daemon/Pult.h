#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

// mzorvany-pult listening on a free loopback port, writing into home, and a tracker's
// settings in home that point at it; port is "" when it did not start.
inline std::unique_ptr<ChildProcess> StartPult(const TempFolder& home, const std::string& params,
                                               std::string& port) {
    auto pult = std::make_unique<ChildProcess>(
        std::vector<std::string>{MZ_PULT, "--listen", "127.0.0.1:0"}, home / "pult");
    std::smatch match;
    std::string errors;
    const bool listening = WaitFor([&] {
        errors = pult->Errors();
        return std::regex_search(errors, match, std::regex(R"(listening on [0-9.]+:(\d+))"));
    });
    port = listening ? match[1].str() : std::string();
    std::filesystem::create_directories(home / "MZorvany");
    WriteWholeFile(home / "MZorvany/params.ini",
                   "MainServer=127.0.0.1\r\nPort=" + port + "\r\n" + params);
    return pult;
}

// mzorvanyd --command=WORD for the tracker running with env, its output in home/WORD: the
// exit status, nullopt when it did not end within the deadline.
inline std::optional<int> TrackerCommand(const TempFolder& home, const std::string& word,
                                         const std::vector<std::string>& env,
                                         std::chrono::seconds deadline = std::chrono::seconds(20)) {
    return ChildProcess({MZ_DAEMON, "--command=" + word}, home / word, env).Wait(deadline);
}
