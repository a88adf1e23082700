#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/linux/EvdevKeySource.h"
#include "platform/linux/LinuxKeyMap.h"
#include "support/TempFolder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

TEST(LinuxKeyMap, NamedKeysReachTheirVirtualKeys) {
    struct MapCase {
        const char* name;
        int linuxCode;
        int virtualKey;  // -1: none
    };
    // clang-format off
    const MapCase cases[] = {
        {"F1", KEY_F1, 112}, {"F24", KEY_F24, 135}, {"Q", KEY_Q, 81}, {"0", KEY_0, 48},
        {"Enter", KEY_ENTER, 13}, {"Left", KEY_LEFT, 37}, {"VolumeDown", KEY_VOLUMEDOWN, 118},
        {"Keypad5", KEY_KP5, 101}, {"LeftShift", KEY_LEFTSHIFT, 160}, {"FnHasNone", KEY_FN, -1},
        {"NegativeCode", -1, -1}, {"BeyondKeyMax", KEY_MAX + 1, -1}};
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(VirtualKeyOfLinuxKey(c.linuxCode), c.virtualKey) << c.name;
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

// Every key the source has now, each as "KEY down|up TIME scan SCAN".
std::vector<std::string> Keys(EvdevKeySource& source) {
    std::vector<std::string> keys;
    for (KeyEvent e; source.Next(e);) {
        char text[64];
        std::snprintf(text, sizeof text, "%u %s %u scan %#x", e.keyCode, e.down ? "down" : "up",
                      e.timeMs, e.scanCode);
        keys.emplace_back(text);
    }
    return keys;
}

// Whatever else the device sends (a key without a virtual key, a value of 7) is skipped; a
// writer that dies halfway through a record does not put the next out of step.
TEST(KeySource, KeysComeOutWithTheirTimeAndScanCodeAndOthersAreSkipped) {
    TempFolder folder;
    const std::string path = folder / "keys";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EvdevKeySource source{path};
    ASSERT_TRUE(source.Open()) << source.ErrorText();
    EXPECT_EQ(Keys(source), std::vector<std::string>{});
    int writer = open(path.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    // clang-format off
    Write(writer, {{{12, 345678}, EV_MSC, MSC_SCAN, 0x70045}, {{12, 345678}, EV_KEY, KEY_F1, 1},
                   {{}, EV_SYN, SYN_REPORT, 0}, {{}, EV_KEY, KEY_FN, 1}, {{13, 0}, EV_KEY, KEY_F1, 2},
                   {{14, 0}, EV_KEY, KEY_F1, 0}, {{}, EV_KEY, KEY_A, 7}});
    // clang-format on
    EXPECT_EQ(Keys(source), (std::vector<std::string>{"112 down 12345 scan 0x70045",
                                                      "112 down 13000 scan 0x3b",  // auto-repeat
                                                      "112 up 14000 scan 0x3b"}));
    const input_event half{{}, EV_KEY, KEY_F2, 1};
    ASSERT_EQ(write(writer, &half, 10), 10);
    close(writer);
    EXPECT_EQ(Keys(source), std::vector<std::string>{});
    writer = open(path.c_str(), O_WRONLY);
    Write(writer, {{{20, 0}, EV_KEY, KEY_F1, 1}});
    EXPECT_EQ(Keys(source), std::vector<std::string>{"112 down 20000 scan 0x3b"});
    close(writer);
}

// A key whose key-up can no longer come must not stay held: it would raise an alarm.
TEST(KeySource, AKeyHeldByASourceThatGoesOrLosesEventsIsLetGo) {
    for (const std::string how : {"TheWriterCloses", "EventsWereDropped", "ThePathIsMadeAnew"}) {
        SCOPED_TRACE(how);
        TempFolder folder;
        const std::string path = folder / "keys";
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        EvdevKeySource source(path);
        ASSERT_TRUE(source.Open());
        EXPECT_FALSE(source.CloseIfReplaced());
        int writer = open(path.c_str(), O_WRONLY);
        Write(writer, {{{}, EV_KEY, KEY_F1, 1}});
        ASSERT_EQ(Keys(source).size(), 1u);
        if (how == "TheWriterCloses") {
            close(writer);
            writer = -1;
        } else if (how == "EventsWereDropped") {
            Write(writer, {{{}, EV_SYN, SYN_DROPPED, 0}});
        } else {
            ASSERT_EQ(unlink(path.c_str()), 0);
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
            EXPECT_TRUE(source.CloseIfReplaced());
        }
        EXPECT_THAT(Keys(source), ElementsAre(StartsWith("112 up "))) << "one key-up";
        close(writer);  // -1 when gone already
        // Keys work again, through the path as it is now.
        ASSERT_TRUE(source.IsOpen() || source.Open()) << source.ErrorText();
        writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        ASSERT_GE(writer, 0);
        Write(writer, {{{}, EV_KEY, KEY_F1, 1}});
        EXPECT_THAT(Keys(source), ElementsAre(StartsWith("112 down ")));
        close(writer);
    }
}

}  // namespace
