#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// A property that must hold for every input: a violation stops the run like a crash, so
// libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)

// Hands bytes on in pieces of 1 to longest bytes, cut where the seed says: a reader fed
// these must read what it reads from the bytes in one piece.
template <typename Take>
void FeedInPieces(std::string_view bytes, std::uint32_t seed, std::size_t longest, Take take) {
    std::uint32_t state = seed | 1u;
    for (std::size_t at = 0; at < bytes.size();) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const std::size_t length = std::min<std::size_t>(1 + state % longest, bytes.size() - at);
        take(bytes.substr(at, length));
        at += length;
    }
}
