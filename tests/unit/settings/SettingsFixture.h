#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimSoundPlayer.h"
#include "settings/Settings.h"
#include "support/TempFolder.h"

// Settings on simulated services, data in a fresh temporary folder, report lines recorded.
struct SettingsFixture {
    std::unique_ptr<CSettings> Make() { return Make(folders); }
    std::unique_ptr<CSettings> Make(const Folders& from) {
        return std::make_unique<CSettings>(
            [this](const std::string& line) { lines.push_back(line); },
            CSettings::Platform{clock, from, sound, writer});
    }

    TempFolder temp;
    SimClock clock;
    SimFolders folders{temp.Path(), "/opt/mzorvany/bin/mzorvanyd"};
    SimSoundPlayer sound;
    SimFileWriter writer;
    std::vector<std::string> lines;
};
