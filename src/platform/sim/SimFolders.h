#pragma once

#include <string>
#include <utility>

#include "platform/Folders.h"

class SimFolders final : public Folders {
public:
    SimFolders(std::string appDataFolder, std::string programFilePath)
        : appData_(std::move(appDataFolder)), programFile_(std::move(programFilePath)) {}

    std::string AppDataFolder() const override { return appData_; }
    std::string ProgramFilePath() const override { return programFile_; }

private:
    std::string appData_;
    std::string programFile_;
};
