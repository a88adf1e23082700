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

    // What the record holds. Within one boot the age is read on the boot clock, which no
    // time correction moves; the wall-clock start serves across a reboot, and for a record
    // from a version that kept only that (its boot id is empty).
    struct Stamp {
        std::int64_t startedUtc = 0;
        bool acknowledged = false;
        std::string bootId;
        std::int64_t startedBootMs = 0;
    };

    enum class Found { None, Resumable, Malformed, InFuture, Expired };
    struct Loaded {
        Found found = Found::None;
        std::int64_t ageMs = 0;
        bool acknowledged = false;
        bool removed = true;  // false when one not resumable is still there
        Stamp stamp;
    };
    // The clocks a record's age is read on.
    struct Moment {
        std::int64_t utcSeconds = 0;
        std::string bootId;
        std::int64_t bootMs = 0;
    };
    // Reads the record left by an earlier run; one that cannot be resumed (malformed,
    // in the future, as old as the period or older) is removed. An unacknowledged alarm
    // is never dropped as in the future: only a clock step puts it there.
    Loaded Load(std::int64_t periodMs);
    // What a record's text amounts to at a moment: what Load decides on.
    static Loaded Judge(const std::string& text, const Moment& now, std::int64_t periodMs);

    // A new alarm, started now and not yet acknowledged. False when it could not be written.
    bool Start();
    bool MarkAcknowledged();
    // Whether the file says what the record holds; Store writes it again (a disk that was
    // full at the alarm's start may have room now).
    bool Stored() const { return stored_; }
    bool Store();
    // False when something is still there.
    bool Remove();

    // The record's text; parsed back by Parse.
    static std::string Text(const Stamp& stamp);
    static bool Parse(const std::string& text, Stamp& stamp);

    // A wall clock set back by no more than this across a reboot still reads as "now".
    static constexpr std::int64_t StepBackToleranceMs = 120'000;

private:
    static std::int64_t AgeMs(const Stamp& stamp, const Moment& now);

    AtomicFileWriter& writer_;
    const Clock& clock_;
    std::string path_;
    Stamp stamp_;
    bool stored_ = true;
};
