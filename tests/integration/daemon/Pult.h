#pragma once

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"
#include "support/TextCount.h"

// The test network's SIM, for a tracker without ModemManager.
inline constexpr const char* SimModem = "--modem=sim:080910101032547698";

// The daemon, and the Qt front end where built; a test's parameter, named by the file name.
inline const std::vector<std::string> kFrontEnds = {MZ_DAEMON,
#ifdef MZ_QT_TRACKER
                                                    MZ_QT_TRACKER
#endif
};
inline std::string FrontEndName(const testing::TestParamInfo<std::string>& info) {
    return std::filesystem::path(info.param).filename();
}

// A home of the test's own: mzorvany-pult on loopback and the settings pointing at it (port ""
// when it did not start), a runtime folder, the tracker's environment and the tracker.
struct TrackerHome {
    explicit TrackerHome(const std::string& params = "Frequency=144000\r\n") {
        mkdir(runtime.c_str(), 0700);  // as the session makes it: Qt warns about any other
        std::smatch match;
        std::string errors;
        if (WaitFor([&] {
                errors = pult->Errors();
                return std::regex_search(errors, match,
                                         std::regex(R"(listening on [0-9.]+:(\d+))"));
            })) {
            port = match[1].str();
        }
        std::filesystem::create_directories(home / "MZorvany");
        WriteWholeFile(home / "MZorvany/params.ini",
                       "MainServer=127.0.0.1\r\nPort=" + port + "\r\n" + params);
    }
    // Runs the tracker, or a shell that ends in it, in home's environment.
    void Run(const std::vector<std::string>& command) {
        tracker = std::make_unique<ChildProcess>(command, home / "tracker", env);
    }
    // A FIFO in home for key records; "" when it could not be made.
    std::string KeyFifo() const {
        const std::string fifo = home / "keys";
        return mkfifo(fifo.c_str(), 0600) == 0 ? fifo : "";
    }
    // mzorvanyd --command=WORD to the tracker: its exit status, -1 when it did not end.
    int Command(const std::string& word, std::chrono::seconds deadline = std::chrono::seconds(20)) {
        return ChildProcess({MZ_DAEMON, "--command=" + word},
                            home / (word + std::to_string(++commands)), env)
            .Wait(deadline)
            .value_or(-1);
    }
    long Log(const std::string& pattern) const { return CountMatches(tracker->Output(), pattern); }
    long Received(const std::string& pattern) const {
        return CountMatches(pult->Output(), pattern);
    }
    // Acknowledged and taken by the tracker: only then is a next test not "already queued".
    long Delivered() const {
        return std::min(Received("code=699.*ack=yes"), Log("Сообщение 699 передано"));
    }
    std::string Why() const {
        return (tracker ? tracker->Output() + tracker->Errors() : "") + pult->Output() +
               pult->Errors();
    }
    // Polls until the condition holds; failing, says what the tracker and the pult said.
    testing::AssertionResult Until(const std::function<bool()>& condition,
                                   std::chrono::seconds deadline = std::chrono::seconds(20)) const {
        return WaitFor(condition, deadline) ? testing::AssertionSuccess()
                                            : testing::AssertionFailure() << Why();
    }
    // Asks for a test report and waits until `delivered` reports have been.
    testing::AssertionResult Reported(long delivered) {
        return Command("test") == 0 ? Until([&] { return Delivered() == delivered; })
                                    : testing::AssertionFailure() << "no test command";
    }

    TempFolder home;
    std::string port;
    std::unique_ptr<ChildProcess> pult = std::make_unique<ChildProcess>(
        std::vector<std::string>{MZ_PULT, "--listen", "127.0.0.1:0"}, home / "pult");
    std::unique_ptr<ChildProcess> tracker;
    const std::string runtime = home / "run";
    std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path(), "XDG_RUNTIME_DIR=" + runtime,
                                    "QT_QPA_PLATFORM=offscreen"};
    int commands = 0;
};
