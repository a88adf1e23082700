#pragma once

#include <cstdint>

// Message codes posted to the sender and carried on the wire.
constexpr std::uint16_t MsgAlarm = 122;
constexpr std::uint16_t MsgIntimate = 699;
