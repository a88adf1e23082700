#pragma once

#include <cstdint>

// One key event as the alarm-key handling sees it: the event's own time stamp in
// milliseconds, the hardware scan code and the virtual-key code 0..255.
struct KeyEvent {
    std::uint32_t timeMs = 0;
    std::uint32_t scanCode = 0;
    std::uint32_t keyCode = 0;
    bool down = false;
};
