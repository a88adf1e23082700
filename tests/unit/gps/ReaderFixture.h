#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimSoundPlayer.h"
#include "settings/Settings.h"

// Settings whose event log lines are collected, on a clock the test moves.
struct LoggedSettings {
    SimClock clock{UtcSecondsOf(2026, 12, 6, 14, 3, 7)};
    SimFolders folders{"/nonexistent", "/nonexistent/mzorvany"};
    SimSoundPlayer sound;
    SimFileWriter writer;
    std::vector<std::string> log;
    CSettings settings{[this](const std::string& line) { log.push_back(line); },
                       CSettings::Platform{clock, folders, sound, writer}};

    std::vector<std::string> TakeLog() { return std::exchange(log, {}); }
};
