#include "app/AlarmRecord.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "platform/AtomicFileWriter.h"
#include "platform/Clock.h"

namespace {

// A record is four short lines; anything longer is not one.
constexpr std::size_t kMaxRecordSize = 256;
constexpr std::size_t kMaxBootIdSize = 64;
// Far beyond any real clock, and small enough that an age in milliseconds cannot overflow.
constexpr std::int64_t kMaxStartedUtc = 100'000'000'000;
constexpr std::int64_t kMaxBootMs = 100'000'000'000'000;

// Takes "key=value\n" off the front of text; false when the front is not that line.
bool TakeLine(std::string_view& text, std::string_view key, std::string_view& value) {
    if (text.substr(0, key.size()) != key || text.size() <= key.size() || text[key.size()] != '=') {
        return false;
    }
    const std::size_t end = text.find('\n', key.size() + 1);
    if (end == std::string_view::npos) {
        return false;
    }
    value = text.substr(key.size() + 1, end - key.size() - 1);
    text.remove_prefix(end + 1);
    return true;
}

bool ReadNumber(std::string_view text, std::int64_t& number) {
    const char* end = text.data() + text.size();
    auto [next, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && !text.empty() && next == end;
}

bool IsBootId(std::string_view text) {
    if (text.empty() || text.size() > kMaxBootIdSize) {
        return false;
    }
    for (char c : text) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '-';
        if (!plain) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string AlarmRecord::Text(const Stamp& stamp) {
    std::string text = "Started=" + std::to_string(stamp.startedUtc) + "\n" +
                       "Acknowledged=" + (stamp.acknowledged ? "1" : "0") + "\n";
    if (!stamp.bootId.empty()) {
        text += "BootId=" + stamp.bootId +
                "\nBootStartedMs=" + std::to_string(stamp.startedBootMs) + "\n";
    }
    return text;
}

bool AlarmRecord::Parse(const std::string& text, Stamp& stamp) {
    std::string_view rest = text;
    std::string_view started, acknowledged;
    if (!TakeLine(rest, "Started", started) || !ReadNumber(started, stamp.startedUtc) ||
        stamp.startedUtc < 0 || stamp.startedUtc > kMaxStartedUtc ||
        !TakeLine(rest, "Acknowledged", acknowledged) ||
        (acknowledged != "0" && acknowledged != "1")) {
        return false;
    }
    stamp.acknowledged = acknowledged == "1";
    stamp.bootId.clear();
    stamp.startedBootMs = 0;
    if (rest.empty()) {
        return true;  // written before the boot clock was kept
    }
    std::string_view bootId, bootMs;
    if (!TakeLine(rest, "BootId", bootId) || !IsBootId(bootId) ||
        !TakeLine(rest, "BootStartedMs", bootMs) || !ReadNumber(bootMs, stamp.startedBootMs) ||
        stamp.startedBootMs < -kMaxBootMs || stamp.startedBootMs > kMaxBootMs || !rest.empty()) {
        return false;
    }
    stamp.bootId = bootId;
    return true;
}

std::int64_t AlarmRecord::AgeMs(const Stamp& stamp, const Moment& now) {
    if (!stamp.bootId.empty() && stamp.bootId == now.bootId) {
        return now.bootMs - stamp.startedBootMs;
    }
    const std::int64_t ageMs = (now.utcSeconds - stamp.startedUtc) * 1000;
    return ageMs < 0 && ageMs >= -StepBackToleranceMs ? 0 : ageMs;
}

AlarmRecord::Loaded AlarmRecord::Load(std::int64_t periodMs) {
    Loaded loaded;
    if (path_.empty()) {
        return loaded;
    }
    writer_.RemoveLeftovers(path_);
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path_, error))) {
        return loaded;
    }
    std::string text;
    if (std::filesystem::is_regular_file(path_, error)) {
        std::ifstream in(path_, std::ios::binary);
        try {
            char buffer[kMaxRecordSize + 1];
            in.read(buffer, sizeof buffer);
            text.assign(buffer, static_cast<std::size_t>(in.gcount()));
        } catch (const std::ios_base::failure&) {
            text.clear();
        }
    }
    loaded =
        Judge(text, {clock_.UtcSeconds(), clock_.BootId(), clock_.BootMilliseconds()}, periodMs);
    stamp_ = loaded.stamp;
    if (loaded.found != Found::Resumable) {
        loaded.removed = Remove();
    } else if (stamp_.bootId != clock_.BootId()) {
        // From now on the age is measured on this boot's clock.
        stamp_.startedUtc = clock_.UtcSeconds() - loaded.ageMs / 1000;
        stamp_.bootId = clock_.BootId();
        stamp_.startedBootMs = clock_.BootMilliseconds() - loaded.ageMs;
        Store();
    }
    return loaded;
}

AlarmRecord::Loaded AlarmRecord::Judge(const std::string& text, const Moment& now,
                                       std::int64_t periodMs) {
    Loaded loaded;
    if (text.size() > kMaxRecordSize || !Parse(text, loaded.stamp)) {
        loaded.found = Found::Malformed;
        return loaded;
    }
    loaded.ageMs = AgeMs(loaded.stamp, now);
    loaded.acknowledged = loaded.stamp.acknowledged;
    if (loaded.ageMs < 0 && !loaded.acknowledged) {
        loaded.ageMs = 0;  // the control room has not heard of it: start it over
    }
    loaded.found = loaded.ageMs < 0           ? Found::InFuture
                   : loaded.ageMs >= periodMs ? Found::Expired
                                              : Found::Resumable;
    return loaded;
}

bool AlarmRecord::Start() {
    stamp_ = {clock_.UtcSeconds(), false, clock_.BootId(), clock_.BootMilliseconds()};
    return Store();
}

bool AlarmRecord::MarkAcknowledged() {
    stamp_.acknowledged = true;
    return Store();
}

bool AlarmRecord::Store() {
    // Without a path (no settings folder) there is nothing to keep.
    stored_ = path_.empty() || writer_.Replace(path_, Text(stamp_));
    return stored_;
}

bool AlarmRecord::Remove() {
    return path_.empty() || writer_.Remove(path_);
}
