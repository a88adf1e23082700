#pragma once

#include "platform/Folders.h"

// $XDG_DATA_HOME, else $HOME/.local/share; the program file from /proc/self/exe.
class XdgFolders final : public Folders {
public:
    std::string AppDataFolder() const override;
    std::string ProgramFilePath() const override;
};
