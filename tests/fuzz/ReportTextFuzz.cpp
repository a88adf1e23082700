// The report text from a position record filled from the input (NaN, infinities, any
// satellite counts): never over 985 bytes, never a zero byte, whole CR LF lines only.
#include <cstring>

#include "FuzzCheck.h"
#include "gps/PositionText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    GpsPosition position;
    std::memcpy(&position, data, std::min(size, sizeof(position)));
    for (bool withSatellites : {false, true}) {
        const std::string text = ReportTextOf(position, withSatellites);
        FUZZ_CHECK(text.size() <= MaxReportTextBytes);
        FUZZ_CHECK(text.find('\0') == std::string::npos);
        FUZZ_CHECK(text.empty() || text.ends_with("\r\n"));
    }
    LatitudeTextOf(position);
    LongitudeTextOf(position);
    return 0;
}
