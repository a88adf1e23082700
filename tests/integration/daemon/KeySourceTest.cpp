#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <tuple>

#include "platform/linux/EvdevKeySource.h"
#include "platform/linux/LinuxKeyMap.h"
#include "support/TempFolder.h"

namespace {

TEST(LinuxKeyMap, NamedKeysReachTheirVirtualKeys) {
    struct {
        int linuxCode;
        int virtualKey;
    } cases[] = {{KEY_F1, 112},         {KEY_F12, 123},     {KEY_F13, 124},  {KEY_F24, 135},
                 {KEY_A, 65},           {KEY_Z, 90},        {KEY_Q, 81},     {KEY_0, 48},
                 {KEY_1, 49},           {KEY_9, 57},        {KEY_ENTER, 13}, {KEY_ESC, 27},
                 {KEY_BACKSPACE, 8},    {KEY_TAB, 9},       {KEY_SPACE, 32}, {KEY_LEFT, 37},
                 {KEY_UP, 38},          {KEY_RIGHT, 39},    {KEY_DOWN, 40},  {KEY_VOLUMEUP, 117},
                 {KEY_VOLUMEDOWN, 118}, {KEY_POWER, 129},   {KEY_KP5, 101},  {KEY_LEFTSHIFT, 160},
                 {KEY_MUTE, 173},       {KEY_RESERVED, -1}, {KEY_FN, -1},    {-1, -1},
                 {KEY_MAX + 1, -1},     {100000, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(VirtualKeyOfLinuxKey(c.linuxCode), c.virtualKey) << c.linuxCode;
    }
    for (int code = 0; code <= KEY_MAX; ++code) {
        int key = VirtualKeyOfLinuxKey(code);
        EXPECT_TRUE(key == -1 || (key >= 1 && key <= 254)) << code;
    }
}

// Writes the events in two pieces: a record split across reads must still come out whole.
void Write(int fd, const std::vector<input_event>& events) {
    const auto bytes = reinterpret_cast<const char*>(events.data());
    const std::size_t size = events.size() * sizeof(input_event);
    ASSERT_EQ(write(fd, bytes, 5), 5);
    ASSERT_EQ(write(fd, bytes + 5, size - 5), static_cast<ssize_t>(size - 5));
}

TEST(KeyFifo, KeysComeOutWithTheirTimeAndScanCodeAndOthersAreSkipped) {
    TempFolder folder;
    const std::string path = folder / "keys";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EvdevKeySource source(path);
    ASSERT_TRUE(source.Open()) << source.ErrorText();
    KeyEvent event;
    EXPECT_FALSE(source.Next(event));
    int writer = open(path.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    Write(writer, {{{12, 345678}, EV_MSC, MSC_SCAN, 0x70045},
                   {{12, 345678}, EV_KEY, KEY_F1, 1},
                   {{}, EV_SYN, SYN_REPORT, 0},
                   {{}, EV_KEY, KEY_FN, 1},
                   {{13, 0}, EV_KEY, KEY_F1, 2},
                   {{14, 0}, EV_KEY, KEY_F1, 0},
                   {{}, EV_KEY, KEY_A, 7}});
    // key code, down, time in ms, scan code
    std::vector<std::tuple<std::uint32_t, bool, std::uint32_t, std::uint32_t>> got;
    while (source.Next(event)) {
        got.emplace_back(event.keyCode, event.down, event.timeMs, event.scanCode);
    }
    EXPECT_EQ(got, (decltype(got){{112, true, 12345, 0x70045},
                                  {112, true, 13000, KEY_F1},  // auto-repeat is a key-down
                                  {112, false, 14000, KEY_F1}}));

    // The writer going away is not the end: the next writer is read on.
    close(writer);
    EXPECT_FALSE(source.Next(event));
    EXPECT_TRUE(source.IsOpen());
    writer = open(path.c_str(), O_WRONLY);
    Write(writer, {{{}, EV_KEY, KEY_F1, 1}});
    EXPECT_TRUE(source.Next(event));
    close(writer);
}

TEST(KeyFifo, AMissingDeviceSaysWhy) {
    EvdevKeySource source("/nonexistent/absent");
    EXPECT_FALSE(source.Open());
    EXPECT_NE(source.ErrorText().find("absent"), std::string::npos);
    KeyEvent event;
    EXPECT_FALSE(source.Next(event));
}

}  // namespace
