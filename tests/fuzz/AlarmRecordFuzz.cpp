// The alarm record left by an earlier run, as any bytes: it is resumed only when it is
// well formed and younger than the period, and what was read writes back the same.
#include <tuple>

#include "FuzzCheck.h"
#include "app/AlarmRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::int64_t kPeriodMs = 900'000;
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
        FUZZ_CHECK(
            std::tie(again.startedUtc, again.acknowledged, again.bootId, again.startedBootMs) ==
            std::tie(stamp.startedUtc, stamp.acknowledged, stamp.bootId, stamp.startedBootMs));
    }
    return 0;
}
