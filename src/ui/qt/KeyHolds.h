#pragma once

#include <bitset>
#include <cstdint>
#include <vector>

// Which of the front end's key sources hold each virtual-key code. One physical key
// can arrive through the window's own keyboard and through a key device at once; the
// core is to see one hold of it, from the first source's key-down to the last one's
// key-up.
class KeyHolds {
public:
    enum class Source { Window, Device };

    // True when no source held the key before: the core is to see this key-down.
    bool Press(Source source, std::uint32_t keyCode);
    // True when no other source holds the key: the core is to see this key-up.
    bool Release(Source source, std::uint32_t keyCode);
    // Lets go of every key the source holds; returns those whose key-up the core is to
    // see, in ascending order.
    std::vector<std::uint32_t> ReleaseAll(Source source);

private:
    static constexpr std::size_t kCodes = 256;
    std::bitset<kCodes>& Held(Source source);
    const std::bitset<kCodes>& Other(Source source) const;

    std::bitset<kCodes> window_;
    std::bitset<kCodes> device_;
};
