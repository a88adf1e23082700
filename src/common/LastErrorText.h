#pragma once

#include <string>

// The system's message for an error number (errno); empty for 0.
std::string LastErrorText(int errorCode);
