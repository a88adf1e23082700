// The alarm record left by an earlier run, as any bytes: it is resumed only when it is
// well formed and younger than the period, and what was read writes back the same.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "app/AlarmRecord.h"

namespace {

constexpr std::int64_t kNow = 1'780'000'000;
constexpr std::int64_t kPeriod = 900;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const AlarmRecord::Loaded loaded = AlarmRecord::Judge(text, kNow, kPeriod);
    std::int64_t started = 0;
    bool acknowledged = false;
    const bool parsed = AlarmRecord::Parse(text, started, acknowledged);
    switch (loaded.found) {
        case AlarmRecord::Found::None:
            FUZZ_CHECK(false);
            break;
        case AlarmRecord::Found::Malformed:
            FUZZ_CHECK(!parsed || size > 256);
            break;
        case AlarmRecord::Found::InFuture:
            FUZZ_CHECK(loaded.ageSeconds < 0);
            break;
        case AlarmRecord::Found::Expired:
            FUZZ_CHECK(loaded.ageSeconds >= kPeriod);
            break;
        case AlarmRecord::Found::Resumable:
            FUZZ_CHECK(loaded.ageSeconds >= 0 && loaded.ageSeconds < kPeriod);
            break;
    }
    if (loaded.found != AlarmRecord::Found::Malformed) {
        FUZZ_CHECK(parsed && started >= 0 && loaded.startedUtc == started);
        FUZZ_CHECK(loaded.ageSeconds == kNow - started && loaded.acknowledged == acknowledged);
        std::int64_t again = -1;
        bool ackAgain = !acknowledged;
        FUZZ_CHECK(AlarmRecord::Parse(AlarmRecord::Text(started, acknowledged), again, ackAgain));
        FUZZ_CHECK(again == started && ackAgain == acknowledged);
    }
    return 0;
}
