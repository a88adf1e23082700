#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/AtomicFileWriter.h"

// Writes files plainly, without syncing; can be told to fail, leaving the old file.
class SimFileWriter final : public AtomicFileWriter {
public:
    bool Replace(const std::string& path, const std::string& content) override;
    bool Remove(const std::string& path) override;

    bool failWrites = false;
    // Every replacement made, in order: the path and the new content.
    std::vector<std::pair<std::string, std::string>> replaced;
};
