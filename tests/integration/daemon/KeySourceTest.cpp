#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>

#include "platform/linux/EvdevKeySource.h"
#include "platform/linux/LinuxKeyMap.h"
#include "support/TempFolder.h"

namespace {

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

// Keys come out with their time and scan code, whatever else the device sends; a writer
// that dies halfway through a record does not put the next out of step.
TEST(KeySource, KeysComeOutWithTheirTimeAndScanCodeAndOthersAreSkipped) {
    TempFolder folder;
    const std::string path = folder / "keys";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EvdevKeySource source{path};
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
    struct ExpectedKey {
        const char* name;
        std::uint32_t keyCode;
        bool down;
        std::uint32_t timeMs;
        std::uint32_t scanCode;
    };
    const ExpectedKey expected[] = {
        {"DownWithTheScanCodeBeforeIt", 112, true, 12345, 0x70045},
        {"AutoRepeatIsAKeyDown", 112, true, 13000, KEY_F1},
        {"Up", 112, false, 14000, KEY_F1},
        {"AfterAHalfRecord", 112, true, 20000, KEY_F1},
    };
    for (const auto& key : expected) {
        if (std::string(key.name) == "AfterAHalfRecord") {
            EXPECT_FALSE(source.Next(event)) << "a key without a virtual key, and a value of 7";
            const input_event half{{}, EV_KEY, KEY_F2, 1};
            ASSERT_EQ(write(writer, &half, 10), 10);
            close(writer);
            EXPECT_FALSE(source.Next(event));
            writer = open(path.c_str(), O_WRONLY);
            Write(writer, {{{20, 0}, EV_KEY, KEY_F1, 1}});
        }
        ASSERT_TRUE(source.Next(event)) << key.name;
        EXPECT_EQ(event.keyCode, key.keyCode) << key.name;
        EXPECT_EQ(event.down, key.down) << key.name;
        EXPECT_EQ(event.timeMs, key.timeMs) << key.name;
        EXPECT_EQ(event.scanCode, key.scanCode) << key.name;
    }
    close(writer);
}

struct LetGoCase {
    const char* name;
    std::function<void(const std::string& path, int& writer, EvdevKeySource& source)> lose;
};

// A key whose key-up can no longer come must not stay held: it would raise an alarm.
TEST(KeySource, AKeyHeldByASourceThatGoesOrLosesEventsIsLetGo) {
    const LetGoCase cases[] = {
        {"TheWriterCloses",
         [](const std::string&, int& writer, EvdevKeySource&) {
             close(writer);
             writer = -1;
         }},
        {"EventsWereDropped",
         [](const std::string&, int& writer, EvdevKeySource&) {
             Write(writer, {{{}, EV_SYN, SYN_DROPPED, 0}});
         }},
        {"ThePathIsMadeAnew",
         [](const std::string& path, int&, EvdevKeySource& source) {
             ASSERT_EQ(unlink(path.c_str()), 0);
             ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
             EXPECT_TRUE(source.CloseIfReplaced());
         }},
    };
    for (const LetGoCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string path = folder / "keys";
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        EvdevKeySource source(path);
        ASSERT_TRUE(source.Open());
        EXPECT_FALSE(source.CloseIfReplaced());
        int writer = open(path.c_str(), O_WRONLY);
        Write(writer, {{{}, EV_KEY, KEY_F1, 1}});
        KeyEvent event;
        ASSERT_TRUE(source.Next(event));
        c.lose(path, writer, source);
        ASSERT_TRUE(source.Next(event));
        EXPECT_EQ(event.keyCode, 112u);
        EXPECT_FALSE(event.down);
        EXPECT_FALSE(source.Next(event)) << "one key-up";
        if (writer >= 0) {
            close(writer);
        }
        // Keys work again, through the path as it is now.
        ASSERT_TRUE(source.IsOpen() || source.Open()) << source.ErrorText();
        writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        ASSERT_GE(writer, 0);
        Write(writer, {{{}, EV_KEY, KEY_F1, 1}});
        EXPECT_TRUE(source.Next(event) && event.down);
        close(writer);
    }
}

}  // namespace
