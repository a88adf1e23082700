#pragma once

#include "platform/AtomicFileWriter.h"

// Writes a temporary file beside the target, fsyncs it, renames it over the target
// and fsyncs the folder.
class PosixAtomicFileWriter final : public AtomicFileWriter {
public:
    bool Replace(const std::string& path, const std::string& content) override;
    // Unlinks, then fsyncs the folder.
    bool Remove(const std::string& path) override;
    // Removes the temporary files (".NAME.XXXXXX") of replacements that were killed.
    void RemoveLeftovers(const std::string& path) override;
};
