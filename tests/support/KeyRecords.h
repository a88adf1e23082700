#pragma once

#include <linux/input.h>
#include <unistd.h>

// Writes a key's down (1), auto-repeat (2) or up (0) and the report's end, as an evdev
// device would; false when the records did not go whole.
inline bool WriteKey(int fd, int linuxKey, int value) {
    const input_event events[2] = {{{}, EV_KEY, static_cast<__u16>(linuxKey), value},
                                   {{}, EV_SYN, SYN_REPORT, 0}};
    return write(fd, events, sizeof(events)) == static_cast<ssize_t>(sizeof(events));
}
