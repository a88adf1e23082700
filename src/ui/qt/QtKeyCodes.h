#pragma once

#include <cstdint>

class QKeyEvent;

// The virtual-key code 0..255 of a key pressed on the window's own keyboard; 0 when
// the key has none.
std::uint32_t VirtualKeyOf(const QKeyEvent& event);
