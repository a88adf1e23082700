// Key event records as any bytes through a real pipe: only keys with a virtual-key code
// come out, never more than a key-down and its key-up per record, and the source ends
// its turn.
#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

#include "FuzzCheck.h"
#include "platform/linux/EvdevKeySource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 16 * 1024) {
        return 0;  // a pipe holds 64 KiB; stay well inside it
    }
    int fds[2];
    FUZZ_CHECK(pipe2(fds, O_CLOEXEC) == 0);
    FUZZ_CHECK(write(fds[1], data, size) == static_cast<ssize_t>(size));
    close(fds[1]);
    EvdevKeySource source("/proc/self/fd/" + std::to_string(fds[0]));
    FUZZ_CHECK(source.Open());
    std::size_t events = 0;
    KeyEvent event;
    while (source.Next(event)) {
        FUZZ_CHECK(event.keyCode > 0 && event.keyCode < 256);
        ++events;
    }
    // A record gives at most one event, and a key it left down one key-up more.
    FUZZ_CHECK(events <= 2 * (size / sizeof(input_event)));
    close(fds[0]);
    return 0;
}
