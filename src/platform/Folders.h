#pragma once

#include <string>

// Where the program lives and where it may keep its data.
class Folders {
public:
    Folders() = default;
    Folders(const Folders&) = delete;
    Folders& operator=(const Folders&) = delete;
    virtual ~Folders() = default;

    // The per-user application-data folder, not created; empty when the platform has none.
    virtual std::string AppDataFolder() const = 0;
    // Full path of the running program file; empty when it cannot be found.
    virtual std::string ProgramFilePath() const = 0;
};
