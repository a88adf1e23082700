#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include "app/Resources.h"
#include "integration/qt/ModalDriver.h"
#include "platform/linux/EvdevKeySource.h"
#include "support/KeyRecords.h"
#include "ui/qt/MainWidget.h"
#include "ui/qt/QtKeyDevices.h"
#include "ui/qt/SoftKeyBar.h"
#include "ui/qt/demo/SimTracker.h"

namespace {

// X11 and Wayland number a key by its Linux key code plus 8.
void WindowKey(QtShell& shell, bool down, int linuxKey, int qtKey, const QString& text = {}) {
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, Qt::NoModifier,
                    static_cast<quint32>(linuxKey + 8), 0, 0, text);
    QApplication::sendEvent(&shell.Window(), &event);
}

// The keys whose hold timers run, and the tray icon: what the holds show.
std::pair<std::vector<int>, int> Holds(QtShell& shell) {
    std::vector<int> running;
    for (int code = 0; code < 256; ++code) {
        if (shell.IsTimerRunning(code)) {
            running.push_back(code);
        }
    }
    return {running, shell.TrayIconId()};
}

const std::pair<std::vector<int>, int> NoHold{{}, IconIdle};

TEST(KeyboardQt, WindowKeysHoldTheCodesOfTheKeyDevicesWhateverTheLayoutUntilReleased) {
    struct Case {
        const char* name;
        int linuxKey, qtKey;
        const char* text;
        int code;
    };
    const Case cases[] = {
        {"Russian letter on the A key", KEY_A, 0x0424, "ф", 65},
        {"left Alt", KEY_LEFTALT, Qt::Key_Alt, "", 164},
        {"right Shift", KEY_RIGHTSHIFT, Qt::Key_Shift, "", 161},
        {"right Ctrl", KEY_RIGHTCTRL, Qt::Key_Control, "", 163},
        {"minus", KEY_MINUS, Qt::Key_Minus, "-", 189},
        {"Russian full stop on the slash key", KEY_SLASH, Qt::Key_Period, ".", 191},
        {"keypad slash", KEY_KPSLASH, Qt::Key_Slash, "/", 111},
    };
    SimTracker tracker({false, {}});
    QtShell& shell = tracker.Shell();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowKey(shell, true, c.linuxKey, c.qtKey, QString::fromUtf8(c.text));
        EXPECT_EQ(Holds(shell), std::pair(std::vector<int>{c.code}, IconKeyHeld));
        WindowKey(shell, false, c.linuxKey, c.qtKey, QString::fromUtf8(c.text));
        EXPECT_EQ(Holds(shell), NoHold);
    }
    // A key taken out of the permitted set while held is let go on its release.
    WindowKey(shell, true, KEY_F1, Qt::Key_F1);
    ASSERT_TRUE(shell.IsTimerRunning(112));
    // The hold decides between an alarm and none: a coarse timer fires up to 5 % off it.
    for (const QTimer* timer : shell.findChildren<QTimer*>()) {
        if (timer->isActive() && timer->interval() == shell.TimerInterval(112)) {
            EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
        }
    }
    tracker.Window().Keys().LoadPermitted("113");
    WindowKey(shell, false, KEY_F1, Qt::Key_F1);
    EXPECT_EQ(shell.TrayIconId(), IconIdle);
    tracker.Window().Keys().LoadPermitted("112");
    WindowKey(shell, true, KEY_F1, Qt::Key_F1);
    EXPECT_TRUE(shell.IsTimerRunning(112)) << "the next hold arms";
}

// A key device (a FIFO here) is looked for every 2 s, but only if there is one: a hidden
// tracker must be able to sleep. A key through the window and a device is one hold, which
// lasts while either source holds it, whatever the window's keyboard does meanwhile.
TEST(KeyboardQt, KeyDevicesAreLookedForOnlyIfAnyAndAKeyThroughBothSourcesIsOneHold) {
    SimTracker tracker({false, {}});
    QtShell& shell = tracker.Shell();
    std::vector<std::unique_ptr<EvdevKeySource>> sources;
    EXPECT_FALSE(QtKeyDevices(sources, [](const KeyEvent&) {}).Retrying());
    const std::string fifo = tracker.SettingsFolder() + "/keys.fifo";
    sources.push_back(std::make_unique<EvdevKeySource>(fifo));
    QtKeyDevices devices(sources, [&shell](const KeyEvent& event) { shell.OnDeviceKey(event); });
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sources[0]->IsOpen(); }, 10000));
    EXPECT_TRUE(devices.Retrying()) << "every device open, and still looked at";
    const int device = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(device, 0);
    ASSERT_TRUE(WriteKey(device, KEY_LEFTALT, 1));
    ASSERT_TRUE(QTest::qWaitFor([&shell] { return shell.IsTimerRunning(164); }, 20000));
    EXPECT_EQ(shell.TrayIconId(), IconKeyHeld);
    WindowKey(shell, true, KEY_LEFTALT, Qt::Key_Alt);
    EXPECT_EQ(Holds(shell), std::pair(std::vector<int>{164}, IconKeyHeld));
    WindowKey(shell, false, KEY_LEFTALT, Qt::Key_Alt);
    EXPECT_TRUE(shell.IsTimerRunning(164)) << "a tap on another keyboard";
    WindowKey(shell, true, KEY_LEFTALT, Qt::Key_Alt);
    shell.ShowMainWindow();
    shell.HideMainWindow();
    EXPECT_TRUE(shell.IsTimerRunning(164)) << "the window lost the keyboard, the device did not";

    ASSERT_TRUE(WriteKey(device, KEY_LEFTALT, 0));
    ASSERT_TRUE(QTest::qWaitFor([&shell] { return !shell.IsTimerRunning(164); }, 20000));
    EXPECT_EQ(shell.TrayIconId(), IconIdle);
    close(device);
}

// A key-up that goes to another window must not leave the key held: it would raise an
// alarm AlertPressTime later.
TEST(KeyboardQt, KeysHeldInTheWindowAreLetGoWhenItLosesTheKeyboard) {
    struct Case {
        const char* name;
        std::function<void(SimTracker&)> takeKeyboard;
    };
    const Case cases[] = {
        {"another window is activated",
         [](SimTracker&) {
             auto* other = new QWidget;
             other->setAttribute(Qt::WA_DeleteOnClose);
             other->show();
             other->activateWindow();
             EXPECT_TRUE(QTest::qWaitFor([other] { return other->isActiveWindow(); }, 20000));
             other->close();
         }},
        {"the close question is answered No",
         [](SimTracker& tracker) {
             Boxes boxes([&tracker](QMessageBox*) {
                 EXPECT_TRUE(QTest::qWaitFor(
                     [&tracker] { return !tracker.Shell().IsTimerRunning(112); }, 20000))
                     << "let go while the box is open";
                 return QMessageBox::No;
             });
             tracker.Shell().Window().close();
         }},
        {"the menu hides the window",
         [](SimTracker& tracker) { tracker.Shell().SoftKeys().Trigger(CmdHide); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimTracker tracker({false, {}});
        QtShell& shell = tracker.Shell();
        shell.ShowMainWindow();
        shell.BringToFront();
        ASSERT_TRUE(QTest::qWaitFor([&shell] { return shell.Window().isActiveWindow(); }, 20000));
        WindowKey(shell, true, KEY_F1, Qt::Key_F1);
        ASSERT_TRUE(shell.IsTimerRunning(112));
        c.takeKeyboard(tracker);
        EXPECT_EQ(Holds(shell), NoHold);
    }
}

}  // namespace
