// mzorvany-soak [--days N] [--seed S]: runs the whole tracker in simulated time and checks
// every invariant after every tick. A failure prints its seed and day; the same seed
// replays it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Soak.h"

int main(int argc, char** argv) {
    long days = 3;
    unsigned long seed = 1;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--days") == 0 && hasValue) {
            days = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--seed") == 0 && hasValue) {
            seed = std::strtoul(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: mzorvany-soak [--days N] [--seed S]\n");
            return 64;
        }
    }
    const auto started = std::chrono::steady_clock::now();
    Soak soak(static_cast<std::uint32_t>(seed));
    for (long day = 0; day < days; ++day) {
        if (!soak.RunDay()) {
            std::printf("VIOLATION seed %lu %s\nreplay: mzorvany-soak --seed %lu --days %ld\n",
                        seed, soak.Violation().c_str(), seed, day + 1);
            return 1;
        }
        if ((day + 1) % 50 == 0 && day + 1 < days) {
            std::fprintf(stderr, "day %ld: 0 violations so far\n", day + 1);
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const Soak::Counts& c = soak.Totals();
    std::printf(
        "seed %lu: %ld simulated days, 0 violations in %.0f s; %lld messages posted "
        "(%lld alarms), %lld delivered, %lld given up, %lld datagrams, %lld forged or stale "
        "answers, %lld clock jumps, at most %lld waiting\n",
        seed, days, seconds, static_cast<long long>(c.posted), static_cast<long long>(c.alarms),
        static_cast<long long>(c.delivered), static_cast<long long>(c.givenUp),
        static_cast<long long>(c.datagrams), static_cast<long long>(c.forged),
        static_cast<long long>(c.clockJumps), static_cast<long long>(c.maxOpen));
    return 0;
}
