#pragma once

#include <string>

// The key list's text for a virtual-key code: the code in decimal, one blank, and the
// key's name, or "Unknown keycode" for a code without one (any code outside 1..254 too).
std::string KeyName(int code);
