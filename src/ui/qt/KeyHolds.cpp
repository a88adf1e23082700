#include "ui/qt/KeyHolds.h"

std::bitset<KeyHolds::kCodes>& KeyHolds::Held(Source source) {
    switch (source) {
        case Source::Window:
            return window_;
        case Source::Device:
            break;
    }
    return device_;
}

const std::bitset<KeyHolds::kCodes>& KeyHolds::Other(Source source) const {
    switch (source) {
        case Source::Window:
            return device_;
        case Source::Device:
            break;
    }
    return window_;
}

bool KeyHolds::Press(Source source, std::uint32_t keyCode) {
    // Codes beyond the table pass straight on; the core refuses them itself.
    if (keyCode >= kCodes) {
        return true;
    }
    const bool first = !window_[keyCode] && !device_[keyCode];
    Held(source).set(keyCode);
    return first;
}

bool KeyHolds::Release(Source source, std::uint32_t keyCode) {
    if (keyCode >= kCodes) {
        return true;
    }
    // A key-up without its key-down (pressed before the window had the keyboard, or
    // during a key capture) still reaches the core, which ignores what it never held.
    Held(source).reset(keyCode);
    return !Other(source)[keyCode];
}

std::vector<std::uint32_t> KeyHolds::ReleaseAll(Source source) {
    std::vector<std::uint32_t> released;
    std::bitset<kCodes>& held = Held(source);
    for (std::uint32_t code = 0; code < kCodes; ++code) {
        if (held[code]) {
            held.reset(code);
            if (!Other(source)[code]) {
                released.push_back(code);
            }
        }
    }
    return released;
}
