#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>

#include "app/Resources.h"
#include "platform/linux/EvdevKeySource.h"
#include "ui/qt/MainWidget.h"
#include "ui/qt/QtKeyDevices.h"
#include "ui/qt/demo/SimTracker.h"

namespace {

// A key held on a real key device (a FIFO of input_event records) or typed into the window
// reaches the alarm handling through the Qt event loop: its hold timer runs while it is held.
TEST(KeyDevicesQt, HeldKeysRunTheirHoldTimersUntilReleased) {
    SimTracker tracker({false, {}});
    const std::string fifo = tracker.SettingsFolder() + "/keys.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::unique_ptr<EvdevKeySource>> sources;
    sources.push_back(std::make_unique<EvdevKeySource>(fifo));
    QtKeyDevices devices(sources,
                         [&](const KeyEvent& event) { tracker.Shell().OnDeviceKey(event); });
    ASSERT_TRUE(sources[0]->IsOpen()) << sources[0]->ErrorText();
    const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    auto key = [writer](int value) {
        const input_event events[2] = {{{}, EV_KEY, KEY_F1, value}, {{}, EV_SYN, 0, 0}};
        return write(writer, events, sizeof(events)) == static_cast<ssize_t>(sizeof(events));
    };
    ASSERT_TRUE(key(1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tracker.Shell().IsTimerRunning(112); }, 20000));
    EXPECT_EQ(tracker.Shell().TrayIconId(), IconKeyHeld);
    ASSERT_TRUE(key(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tracker.Shell().IsTimerRunning(112); }, 20000));
    close(writer);

    tracker.Shell().ShowMainWindow();
    QWindow* window = tracker.Shell().Window().windowHandle();
    ASSERT_NE(window, nullptr);
    QTest::keyPress(window, Qt::Key_F2);
    EXPECT_TRUE(tracker.Shell().IsTimerRunning(113));
    QTest::keyRelease(window, Qt::Key_F2);
    EXPECT_FALSE(tracker.Shell().IsTimerRunning(113));
}

struct RetryCase {
    const char* name;
    int devices;
    bool missingAtStart;
};

// Key devices are looked at every 2 s (a missing one, or one made anew under its path),
// but without any nothing wakes the loop to look: a hidden tracker must be able to sleep.
TEST(KeyDevicesQt, LooksForDevicesOnlyWhenThereAreAny) {
    for (const RetryCase row :
         {RetryCase{"no_device", 0, false}, RetryCase{"every_device_open", 1, false},
          RetryCase{"a_device_missing_then_back", 1, true}}) {
        SimTracker tracker({false, {}});
        const std::string fifo = tracker.SettingsFolder() + "/keys.fifo";
        if (!row.missingAtStart) {
            ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << row.name;
        }
        std::vector<std::unique_ptr<EvdevKeySource>> sources;
        for (int i = 0; i < row.devices; ++i) {
            sources.push_back(std::make_unique<EvdevKeySource>(fifo));
        }
        QtKeyDevices devices(sources, [](const KeyEvent&) {});
        EXPECT_EQ(devices.Retrying(), row.devices > 0) << row.name;
        if (!row.missingAtStart) {
            continue;
        }
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return sources[0]->IsOpen(); }, 10000))
            << sources[0]->ErrorText();
    }
}

}  // namespace
