#pragma once

// The virtual-key code 0..255 of a Linux input key code, or -1 for a key without one.
int VirtualKeyOfLinuxKey(int linuxKeyCode);
