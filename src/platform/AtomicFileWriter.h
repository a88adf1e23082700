#pragma once

#include <string>

// Replaces a file's whole content so that a reader sees either the old or the new
// content, never a mix, even when the disk fills or the power fails half-way.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    virtual ~AtomicFileWriter() = default;

    // True when the new content is durably in place; on false the old file is untouched.
    virtual bool Replace(const std::string& path, const std::string& content) = 0;
    // Removes the file (or an empty folder) so that a power loss does not bring it back;
    // true when nothing is left at path.
    virtual bool Remove(const std::string& path) = 0;
    // Removes what a replacement of path cut short (a kill, a power loss) left behind.
    virtual void RemoveLeftovers(const std::string& /*path*/) {}
};
