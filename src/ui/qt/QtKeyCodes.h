#pragma once

#include <cstdint>

class QKeyEvent;

// The virtual-key code 0..255 of a key pressed on the window's own keyboard; 0 when
// the key has none. A key with a native scan code maps through the Linux key table, as
// the key devices do, so the code follows the physical key and not the layout.
std::uint32_t VirtualKeyOf(const QKeyEvent& event);
