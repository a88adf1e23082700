#include "app/AlarmRecord.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/AtomicFileWriter.h"
#include "platform/Clock.h"

namespace {

// A record is two short lines; anything longer is not one.
constexpr std::size_t kMaxRecordSize = 256;

}  // namespace

std::string AlarmRecord::Text(std::int64_t startedUtc, bool acknowledged) {
    return "Started=" + std::to_string(startedUtc) + "\n" +
           "Acknowledged=" + (acknowledged ? "1" : "0") + "\n";
}

bool AlarmRecord::Parse(const std::string& text, std::int64_t& startedUtc, bool& acknowledged) {
    const std::string started = "Started=";
    const std::string acked = "\nAcknowledged=";
    if (text.compare(0, started.size(), started) != 0) {
        return false;
    }
    const char* begin = text.data() + started.size();
    const char* end = text.data() + text.size();
    auto [next, error] = std::from_chars(begin, end, startedUtc);
    if (error != std::errc() || next == begin || startedUtc < 0) {
        return false;
    }
    const std::string rest(next, end);
    if (rest != acked + "0\n" && rest != acked + "1\n") {
        return false;
    }
    acknowledged = rest[acked.size()] == '1';
    return true;
}

AlarmRecord::Loaded AlarmRecord::Load(std::int64_t periodSeconds) {
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
    loaded = Judge(text, clock_.UtcSeconds(), periodSeconds);
    startedUtc_ = loaded.startedUtc;
    acknowledged_ = loaded.acknowledged;
    if (loaded.found != Found::Resumable) {
        loaded.removed = Remove();
    }
    return loaded;
}

AlarmRecord::Loaded AlarmRecord::Judge(const std::string& text, std::int64_t nowUtc,
                                       std::int64_t periodSeconds) {
    Loaded loaded;
    if (text.size() > kMaxRecordSize || !Parse(text, loaded.startedUtc, loaded.acknowledged)) {
        loaded.found = Found::Malformed;
        return loaded;
    }
    loaded.ageSeconds = nowUtc - loaded.startedUtc;
    loaded.found = loaded.ageSeconds < 0                ? Found::InFuture
                   : loaded.ageSeconds >= periodSeconds ? Found::Expired
                                                        : Found::Resumable;
    return loaded;
}

bool AlarmRecord::Start() {
    startedUtc_ = clock_.UtcSeconds();
    acknowledged_ = false;
    return Store();
}

bool AlarmRecord::MarkAcknowledged() {
    acknowledged_ = true;
    return Store();
}

bool AlarmRecord::Store() {
    // Without a path (no settings folder) there is nothing to keep.
    stored_ = path_.empty() || writer_.Replace(path_, Text(startedUtc_, acknowledged_));
    return stored_;
}

bool AlarmRecord::Remove() {
    return path_.empty() || writer_.Remove(path_);
}
