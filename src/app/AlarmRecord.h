#pragma once

#include <cstdint>
#include <string>

class AtomicFileWriter;
class Clock;

// A running alarm kept in the settings folder, so that a kill, a crash, a shutdown or a
// power loss does not end it: written when the alarm starts, marked when its 122 is
// acknowledged, removed when the alarm is over or the person exits on purpose.
class AlarmRecord {
public:
    AlarmRecord(AtomicFileWriter& writer, const Clock& clock) : writer_(writer), clock_(clock) {}

    void SetPath(std::string path) { path_ = std::move(path); }

    enum class Found { None, Resumable, Malformed, InFuture, Expired };
    struct Loaded {
        Found found = Found::None;
        std::int64_t ageSeconds = 0;
        bool acknowledged = false;
        bool removed = true;  // false when one not resumable is still there
        std::int64_t startedUtc = 0;
    };
    // Reads the record left by an earlier run; one that cannot be resumed (malformed,
    // in the future, as old as the period or older) is removed.
    Loaded Load(std::int64_t periodSeconds);
    // What a record's text amounts to at nowUtc: what Load decides on.
    static Loaded Judge(const std::string& text, std::int64_t nowUtc, std::int64_t periodSeconds);

    // A new alarm, started now and not yet acknowledged. False when it could not be written.
    bool Start();
    bool MarkAcknowledged();
    // Whether the file says what the record holds; Store writes it again (a disk that was
    // full at the alarm's start may have room now).
    bool Stored() const { return stored_; }
    bool Store();
    // False when something is still there.
    bool Remove();

    // The record's text; parsed back by Parse. Started is UTC seconds.
    static std::string Text(std::int64_t startedUtc, bool acknowledged);
    static bool Parse(const std::string& text, std::int64_t& startedUtc, bool& acknowledged);

private:
    AtomicFileWriter& writer_;
    const Clock& clock_;
    std::string path_;
    std::int64_t startedUtc_ = 0;
    bool acknowledged_ = false;
    bool stored_ = true;
};
