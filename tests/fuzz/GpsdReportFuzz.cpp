// What gpsd (or whoever answers on its port) sends, in random chunk splits: the lines are
// the same as for the bytes in one piece and never over the limit, and every report read
// from them holds only values a position record can carry.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

#include "FuzzCheck.h"
#include "platform/linux/BoundedLines.h"
#include "platform/linux/GpsdReport.h"

namespace {

constexpr std::size_t MaxLineLength = 512;

void CheckReport(const GpsdReport& report) {
    const GpsPosition& p = report.position;
    switch (report.kind) {
        case GpsdReport::Kind::Unreadable:
        case GpsdReport::Kind::Other:
            FUZZ_CHECK(p.dwValidFields == 0);
            return;
        case GpsdReport::Kind::Fix:
            if ((p.dwValidFields & GPS_VALID_LATITUDE) != 0) {
                FUZZ_CHECK(std::fabs(p.dblLatitude) <= 90 && std::fabs(p.dblLongitude) <= 180);
            }
            if ((p.dwValidFields & GPS_VALID_SPEED) != 0) {
                FUZZ_CHECK(p.flSpeed >= 0 && std::isfinite(p.flSpeed));
            }
            if ((p.dwValidFields & GPS_VALID_UTC_TIME) != 0) {
                const GpsSystemTime& t = p.stUTCTime;
                FUZZ_CHECK(t.wYear >= 2000 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
                           t.wDay <= 31 && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 &&
                           t.wMilliseconds < 1000 && t.wDayOfWeek < 7);
            }
            FUZZ_CHECK(p.dwSatellitesInView == 0 && p.dwSatelliteCount == 0);
            return;
        case GpsdReport::Kind::Sky:
            FUZZ_CHECK(p.dwValidFields == GPS_VALID_SATELLITE_COUNT);
            FUZZ_CHECK(p.dwSatellitesInView <= GPS_MAX_SATELLITES &&
                       p.dwSatelliteCount <= GPS_MAX_SATELLITES);
            for (std::uint32_t i = 0; i < p.dwSatellitesInView; ++i) {
                FUZZ_CHECK(p.rgdwSatellitesInViewPRNs[i] >= 1 &&
                           p.rgdwSatellitesInViewElevation[i] <= 90 &&
                           p.rgdwSatellitesInViewAzimuth[i] <= 359 &&
                           p.rgdwSatellitesInViewSignalToNoiseRatio[i] <= 99);
            }
            return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::uint32_t splitSeed = input.ConsumeIntegral<std::uint32_t>();
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    std::vector<std::string> whole, pieces;
    BoundedLines wholeLines(MaxLineLength), pieceLines(MaxLineLength);
    wholeLines.Feed(bytes, [&](std::string_view line) { whole.emplace_back(line); });
    FeedInPieces(bytes, splitSeed, 64, [&](std::string_view piece) {
        pieceLines.Feed(piece, [&](std::string_view line) { pieces.emplace_back(line); });
    });
    FUZZ_CHECK(whole == pieces);
    for (const std::string& line : whole) {
        FUZZ_CHECK(line.size() <= MaxLineLength);
        CheckReport(ReadGpsdReport(line));
    }
    // A whole input as one line, however long: the reader's time grows with its length only.
    CheckReport(ReadGpsdReport(bytes));
    return 0;
}
