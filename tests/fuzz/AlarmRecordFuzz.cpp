// The alarm record left by an earlier run, as any bytes: it is resumed only when it is
// well formed and younger than the period, and what was read writes back the same.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "app/AlarmRecord.h"

namespace {

constexpr std::int64_t kPeriodMs = 900'000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The first byte chooses whether the record is judged in its own boot or after a reboot.
    const bool sameBoot = size > 0 && (data[0] & 1) != 0;
    AlarmRecord::Stamp read;
    const bool parsed = AlarmRecord::Parse(text, read);
    const AlarmRecord::Moment now{1'780'000'000, sameBoot ? read.bootId : "other-boot", 5'000'000};
    const AlarmRecord::Loaded loaded = AlarmRecord::Judge(text, now, kPeriodMs);
    switch (loaded.found) {
        case AlarmRecord::Found::None:
            FUZZ_CHECK(false);
            break;
        case AlarmRecord::Found::Malformed:
            FUZZ_CHECK(!parsed || size > 256);
            break;
        case AlarmRecord::Found::InFuture:
            // Only an acknowledged alarm is dropped for a clock step.
            FUZZ_CHECK(loaded.ageMs < 0 && loaded.acknowledged);
            break;
        case AlarmRecord::Found::Expired:
            FUZZ_CHECK(loaded.ageMs >= kPeriodMs);
            break;
        case AlarmRecord::Found::Resumable:
            FUZZ_CHECK(loaded.ageMs >= 0 && loaded.ageMs < kPeriodMs);
            break;
    }
    if (loaded.found != AlarmRecord::Found::Malformed) {
        const AlarmRecord::Stamp& stamp = loaded.stamp;
        FUZZ_CHECK(parsed && stamp.startedUtc >= 0 && stamp.startedUtc == read.startedUtc);
        FUZZ_CHECK(loaded.acknowledged == stamp.acknowledged);
        AlarmRecord::Stamp again;
        FUZZ_CHECK(AlarmRecord::Parse(AlarmRecord::Text(stamp), again));
        FUZZ_CHECK(again.startedUtc == stamp.startedUtc &&
                   again.acknowledged == stamp.acknowledged && again.bootId == stamp.bootId &&
                   again.startedBootMs == stamp.startedBootMs);
    }
    return 0;
}
