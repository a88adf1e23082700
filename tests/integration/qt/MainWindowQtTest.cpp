#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/EntryPoint.h"
#include "app/Resources.h"
#include "integration/qt/ModalDriver.h"
#include "platform/linux/EvdevKeySource.h"
#include "ui/qt/MainWidget.h"
#include "ui/qt/SoftKeyBar.h"
#include "ui/qt/WindowRun.h"
#include "ui/qt/demo/SimTracker.h"

namespace {

struct LanguageCase {
    const char* name;
    bool english;
    std::vector<std::string> keysThenMenu, buttons;
    const char* question;
};

TEST(MainWindowQt, SoftKeysAndCloseQuestionSpeakTheLanguage) {
    // clang-format off
    const LanguageCase cases[] = {
        {"Russian", false, {"Проверить", "Меню", "Параметры", "Показать/Скрыть лог", "Скрыть", "Выход"}, {"&Да", "&Нет"},
         "  Выход: Вы действительно хотите закрыть приложение? (Нажмите «Нет», чтобы просто скрыть его)"},
        {"English", true, {"Menu", "Test", "Settings", "Hide", "Exit"}, {"&Yes", "&No"}, "Exit: Do you really want to exit?"}};
    // clang-format on
    for (const LanguageCase& row : cases) {
        SCOPED_TRACE(row.name);
        SimTracker tracker({row.english, {}});
        SoftKeyBar& keys = tracker.Shell().SoftKeys();
        QMenu* menu = keys.Key(row.english ? 0 : 1)->menu();
        ASSERT_NE(menu, nullptr);
        std::vector<std::string> shown{keys.Key(0)->text().toStdString(),
                                       keys.Key(1)->text().toStdString()};
        for (QAction* action : menu->actions()) {
            shown.push_back(action->text().toStdString());
        }
        EXPECT_EQ(shown, row.keysThenMenu);

        // Closing the window asks, and No hides it; Exit asks too, and Yes ends the loop with 0.
        for (bool yes : {false, true}) {
            tracker.Shell().ShowMainWindow();
            std::vector<std::string> labels;
            Boxes boxes([&, yes](QMessageBox* box) {
                labels = ButtonTexts(box);
                return yes ? QMessageBox::Yes : QMessageBox::No;
            });
            if (yes) {
                QTimer::singleShot(0, [&keys] { keys.Trigger(CmdExit); });
                EXPECT_EQ(QCoreApplication::exec(), 0);
            } else {
                tracker.Shell().Window().close();
                EXPECT_FALSE(tracker.Shell().Window().isVisible());
            }
            EXPECT_EQ(boxes.said, (Said{{QMessageBox::NoIcon, row.question}}));
            EXPECT_EQ(labels, row.buttons);
            EXPECT_EQ(tracker.Shell().IsEnding(), yes);
        }
    }
}

TEST(MainWindowQt, TestKeyIsGreyedWhileTheSenderIsBusy) {
    SimTracker tracker({false, {}});
    SoftKeyBar& keys = tracker.Shell().SoftKeys();
    CSender& sender = *tracker.Window().Globals().sender;
    ASSERT_TRUE(keys.Trigger(CmdTest));
    for (bool busy : {true, false}) {
        for (int ticks = 0; (sender.GetStatusCode() == StatusCode::Busy) != busy && ticks < 20000;
             ++ticks) {
            tracker.Tick();
        }
        ASSERT_EQ(sender.GetStatusCode() == StatusCode::Busy, busy)
            << "the sender's busy state never came";
        tracker.Tick();
        EXPECT_EQ(keys.IsCommandEnabled(CmdTest), !busy);
        EXPECT_FALSE(busy && keys.Trigger(CmdTest)) << "a greyed key does nothing";
    }
}

TEST(MainWindowQt, AlarmPopupIsCentredOnTopAndGoneAfterTwoSeconds) {
    SimTracker tracker({false, {}});
    QElapsedTimer elapsed;
    elapsed.start();
    tracker.Window().StartReport(ReportMode::Alarm, true);
    QLabel* popup = tracker.Shell().AlarmPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(popup->windowFlags().testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(popup->geometry(),
              QRect(screen.width() / 2 - 100, screen.height() / 2 - 125, 200, 250));

    ASSERT_TRUE(QTest::qWaitFor([&] { return tracker.Shell().AlarmPopup() == nullptr; }, 20000));
    EXPECT_GE(elapsed.elapsed(), 1800);
}

TEST(MainWindowQt, TrayTapShowsTheWindowPaintedByTheLayoutAtAHeightOf320WithTheLogBelow) {
    SimTracker tracker({false, {}});
    MainWidget& window = tracker.Shell().Window();
    EXPECT_FALSE(window.isVisible());
    tracker.Window().OnTrayIconMessage();
    ASSERT_TRUE(window.isVisible()) << "a tap on the tray icon shows the window";
    window.resize(240, 320 + tracker.Shell().SoftKeys().sizeHint().height());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Status()->height() == 320; }, 20000));

    const QImage image = window.Status()->grab().toImage();
    const auto isGrey = [](QColor c) {
        return std::abs(c.red() - c.green()) < 8 && std::abs(c.green() - c.blue()) < 8 &&
               c.red() > 60 && c.red() < 200;
    };
    // unit 17, margin 25: delivery square 25..76 x 34..85, GPS square 25..76 x 102..153; the
    // lamps, then above, between, left of and below them
    std::string seen;
    for (QPoint at : {QPoint(50, 59), QPoint(50, 127), QPoint(50, 30), QPoint(50, 94),
                      QPoint(20, 59), QPoint(50, 158)}) {
        const QColor c = image.pixelColor(at);
        seen += isGrey(c)                                        ? "grey "
                : std::min({c.red(), c.green(), c.blue()}) > 245 ? "white "
                                                                 : c.name().toStdString() + " ";
    }
    EXPECT_EQ(seen, "grey grey white white white white ");

    tracker.Window().OnCommand(CmdToggleLog);
    for (int i = 1; i <= 30; ++i) {
        tracker.Settings().WriteLog("строка " + std::to_string(i));
    }
    QListWidget* list = tracker.Shell().ReportListWidget();
    EXPECT_TRUE(list->isVisible());
    ASSERT_EQ(list->count(), 21);
    EXPECT_EQ(list->item(20)->text().toStdString(), "строка 30");
}

// An exception that leaves the event loop ends the program with its box; while the box
// is open the window is gone, and nothing may still reach it.
TEST(MainWindowQt, AnEscapedExceptionShowsItsBoxOnlyAfterTheWindowIsDetached) {
    SimTracker tracker({false, {}});
    QtShell shell(false);
    std::vector<std::unique_ptr<EvdevKeySource>> noKeys;
    std::string said;
    const int exitCode = RunGuarded(
        [&] {
            auto window = std::make_unique<CMainWindow>(shell, shell, tracker.Platform(false));
            QTimer::singleShot(0, [&shell, alarm = window.get()] {
                shell.ShowMainWindow();
                alarm->StartReport(ReportMode::Alarm, true);
                shell.StartTimer(112, 100);
                throw std::runtime_error("disk gone");
            });
            return RunTrackerWindow(shell, std::move(window), noKeys);
        },
        [&](const std::string& text) {
            said = text;
            EXPECT_EQ(shell.Attached(), nullptr);
            EXPECT_FALSE(shell.IsTimerRunning(TickTimerId));
            EXPECT_FALSE(shell.IsTimerRunning(112));
            EXPECT_FALSE(shell.Window().isVisible());
            EXPECT_EQ(shell.AlarmPopup(), nullptr);
            // the box's own loop: ticks, key and tray events would reach a freed window
            QTest::qWait(300);
            shell.Window().close();
            emit shell.Tray()->activated(QSystemTrayIcon::Trigger);
        });
    EXPECT_EQ(exitCode, 6);
    EXPECT_EQ(said, "Exeption occurred: disk gone");
}

// Runs a real event loop, which blocks between events as the program's does (QTest's
// waits never block), until the condition holds or timeoutMs pass.
template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 5000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition() && elapsed.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return condition();
}

// Hidden, the event loop sleeps through quiet ticks; shown, the pictures animate on
// every 100 ms tick; hidden again, it sleeps again.
TEST(MainWindowQt, TickSleepsWhileTheWindowIsHiddenAndAnimatesWhileShown) {
    SimTracker tracker({false, {}});
    QtShell& shell = tracker.Shell();
    CMainWindow& window = tracker.Window();
    shell.StartTimer(TickTimerId, TickPeriodMs);  // the real tick, not the test's
    shell.HideMainWindow();
    auto sleeping = [&] { return shell.TimerInterval(TickTimerId) > TickPeriodMs; };
    EXPECT_TRUE(WaitFor(sleeping)) << "hidden, the tick never slept";
    window.OnTrayIconMessage();
    EXPECT_TRUE(WaitFor([&] { return shell.TimerInterval(TickTimerId) == TickPeriodMs; }));
    const int step = window.AnimationStep();
    EXPECT_TRUE(WaitFor([&] { return window.AnimationStep() != step; })) << "no animation";
    window.OnCommand(CmdHide);
    EXPECT_TRUE(WaitFor(sleeping)) << "hidden again, the tick never slept";
}

}  // namespace
