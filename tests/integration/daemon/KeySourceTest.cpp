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
    // clang-format off
    const std::pair<int, int> cases[] = {{KEY_F1, 112}, {KEY_F24, 135}, {KEY_Q, 81}, {KEY_0, 48},
        {KEY_ENTER, 13}, {KEY_LEFT, 37}, {KEY_VOLUMEDOWN, 118}, {KEY_KP5, 101},
        {KEY_LEFTSHIFT, 160}, {KEY_FN, -1}, {-1, -1}, {KEY_MAX + 1, -1}};
    // clang-format on
    for (const auto& [linuxCode, virtualKey] : cases) {
        EXPECT_EQ(VirtualKeyOfLinuxKey(linuxCode), virtualKey) << linuxCode;
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
    EvdevKeySource missing("/nonexistent/absent");
    EXPECT_FALSE(missing.Open());
    EXPECT_NE(missing.ErrorText().find("absent"), std::string::npos);
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

TEST(KeyFifo, AWriterDyingHalfwayThroughARecordDoesNotPutTheNextOutOfStep) {
    TempFolder folder;
    const std::string path = folder / "keys";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EvdevKeySource source(path);
    ASSERT_TRUE(source.Open()) << source.ErrorText();
    KeyEvent event;
    int writer = open(path.c_str(), O_WRONLY);
    const input_event half{{}, EV_KEY, KEY_F2, 1};
    ASSERT_EQ(write(writer, &half, 10), 10);
    close(writer);
    EXPECT_FALSE(source.Next(event));
    writer = open(path.c_str(), O_WRONLY);
    Write(writer, {{{20, 0}, EV_KEY, KEY_F1, 1}});
    ASSERT_TRUE(source.Next(event));
    EXPECT_EQ(event.keyCode, 112u);
    EXPECT_EQ(event.timeMs, 20000u);
    close(writer);
}

TEST(KeyFifo, ASourceThatNeverRunsDryGivesWayAfterABoundedRead) {
    EvdevKeySource endless("/dev/zero");  // records that are no keys, without end
    ASSERT_TRUE(endless.Open()) << endless.ErrorText();
    KeyEvent event;
    EXPECT_FALSE(endless.Next(event));
    EXPECT_FALSE(endless.Next(event));  // and again on the next turn
    EXPECT_TRUE(endless.IsOpen());
}

}  // namespace
