#pragma once

#include <string_view>

// Writes every byte to a file descriptor, going on after interruptions by signals.
// False when a write fails (including a non-blocking one that would have to wait).
bool WriteAll(int fd, std::string_view bytes);
