#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimSoundPlayer.h"
#include "settings/Settings.h"

using Lines = std::vector<std::string>;

// Settings whose event log lines are collected, on a clock the test moves.
struct LoggedSettings {
    auto Logged(const std::string& line) const { return std::ranges::count(log, line); }

    SimClock clock{UtcSecondsOf(2026, 12, 6, 14, 3, 7)};
    SimFolders folders{"/nonexistent", "/nonexistent/mzorvany"};
    SimSoundPlayer sound;
    SimFileWriter writer;
    std::vector<std::string> log;
    CSettings settings{[this](const std::string& line) { log.push_back(line); },
                       CSettings::Platform{clock, folders, sound, writer}};
};
