#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>

#include "app/Resources.h"
#include "integration/qt/ModalDriver.h"
#include "ui/qt/MainWidget.h"
#include "ui/qt/SoftKeyBar.h"
#include "ui/qt/demo/SimTracker.h"

namespace {

std::vector<std::string> MenuTexts(QPushButton* key) {
    std::vector<std::string> texts;
    if (key->menu() != nullptr) {
        for (QAction* action : key->menu()->actions()) {
            texts.push_back(action->text().toStdString());
        }
    }
    return texts;
}

struct LanguageCase {
    bool english;
    const char* left;
    const char* right;
    std::vector<std::string> menu;
    const char* question;
    const char* caption;
};

class MainWindowLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(MainWindowLanguage, SoftKeysAndCloseQuestionSpeakTheLanguage) {
    const LanguageCase& c = GetParam();
    SimTracker tracker({c.english, {}});
    SoftKeyBar& keys = tracker.Shell().SoftKeys();
    EXPECT_EQ(keys.Key(0)->text().toStdString(), c.left);
    EXPECT_EQ(keys.Key(1)->text().toStdString(), c.right);
    EXPECT_EQ(MenuTexts(keys.Key(c.english ? 0 : 1)), c.menu);

    // No hides the window and the tracker goes on; Yes ends the event loop with 0.
    for (bool yes : {false, true}) {
        tracker.Shell().ShowMainWindow();
        std::string text, caption;
        WhenModalOpens([&](QWidget* box) {
            text = BoxText(box);
            caption = BoxCaption(box);
            Press(box, yes ? QMessageBox::Yes : QMessageBox::No);
        });
        if (yes) {
            QTimer::singleShot(0, [&keys] { keys.Trigger(CmdExit); });
            EXPECT_EQ(QCoreApplication::exec(), 0);
        } else {
            EXPECT_TRUE(keys.Trigger(CmdExit));
            EXPECT_FALSE(tracker.Shell().Window().isVisible());
        }
        EXPECT_EQ(text, c.question);
        EXPECT_EQ(caption, c.caption);
        EXPECT_EQ(tracker.Shell().IsEnding(), yes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Languages, MainWindowLanguage,
    ::testing::Values(
        LanguageCase{false,
                     "Проверить",
                     "Меню",
                     {"Параметры", "Показать/Скрыть лог", "Скрыть", "Выход"},
                     "Вы действительно хотите закрыть приложение? (Нажмите «Нет», чтобы просто "
                     "скрыть его)",
                     "  Выход"},
        LanguageCase{true,
                     "Menu",
                     "Test",
                     {"Settings", "Hide", "Exit"},
                     "Do you really want to exit?",
                     "Exit"}),
    [](const auto& info) { return std::string(info.param.english ? "English" : "Russian"); });

TEST(MainWindowQt, ClosingTheWindowAsksTheQuestion) {
    SimTracker tracker({false, {}});
    tracker.Shell().ShowMainWindow();
    bool asked = false;
    WhenModalOpens([&](QWidget* box) {
        asked = true;
        Press(box, QMessageBox::No);
    });
    tracker.Shell().Window().close();
    QTRY_VERIFY_WITH_TIMEOUT(asked, 20000);
    EXPECT_FALSE(tracker.Shell().Window().isVisible());
    EXPECT_FALSE(tracker.Shell().IsEnding());
}

TEST(MainWindowQt, TestKeyIsGreyedWhileTheSenderIsBusy) {
    SimTracker tracker({false, {}});
    SoftKeyBar& keys = tracker.Shell().SoftKeys();
    CSender& sender = *tracker.Window().Globals().sender;
    ASSERT_TRUE(keys.IsCommandEnabled(CmdTest));
    ASSERT_TRUE(keys.Trigger(CmdTest));
    int ticks = 0;
    for (; sender.GetStatusCode() != 1 && ticks < 100; ++ticks) {
        tracker.Tick();
    }
    ASSERT_EQ(sender.GetStatusCode(), 1) << "the sender never became busy";
    tracker.Tick();
    EXPECT_FALSE(keys.IsCommandEnabled(CmdTest));
    EXPECT_FALSE(keys.Trigger(CmdTest));
    for (ticks = 0; sender.GetStatusCode() == 1 && ticks < 20000; ++ticks) {
        tracker.Tick();
    }
    ASSERT_NE(sender.GetStatusCode(), 1) << "the sender stayed busy";
    tracker.Tick();
    EXPECT_TRUE(keys.IsCommandEnabled(CmdTest));
}

TEST(MainWindowQt, AlarmPopupIsCentredOnTopAndGoneAfterTwoSeconds) {
    SimTracker tracker({false, {}});
    QElapsedTimer elapsed;
    elapsed.start();
    tracker.Window().StartReport(ModeAlarm, true);
    QLabel* popup = tracker.Shell().AlarmPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(popup->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(popup->windowFlags() & Qt::WindowStaysOnTopHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(popup->geometry(),
              QRect(screen.width() / 2 - 100, screen.height() / 2 - 125, 200, 250));
    EXPECT_EQ(tracker.sound.played.size(), 1u);

    // a second alarm meanwhile shows no second popup and does not restart the timer
    tracker.Window().StartReport(ModeAlarm, true);
    tracker.Window().ShowAlarmPopup(true);
    EXPECT_EQ(tracker.Shell().AlarmPopup(), popup);

    QTRY_VERIFY_WITH_TIMEOUT(tracker.Shell().AlarmPopup() == nullptr, 20000);
    EXPECT_GE(elapsed.elapsed(), 1800);
    EXPECT_FALSE(tracker.Window().IsAlarmPopupShown());
}

QColor At(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

bool IsWhite(const QColor& c) {
    return c.red() > 245 && c.green() > 245 && c.blue() > 245;
}

bool IsGreyLamp(const QColor& c) {
    return std::abs(c.red() - c.green()) < 8 && std::abs(c.green() - c.blue()) < 8 &&
           c.red() > 60 && c.red() < 200;
}

TEST(MainWindowQt, PaintAt320PixelsPutsTheLampsWhereTheLayoutSays) {
    SimTracker tracker({false, {}});
    MainWidget& window = tracker.Shell().Window();
    tracker.Shell().ShowMainWindow();
    const int barHeight = tracker.Shell().SoftKeys().sizeHint().height();
    window.resize(240, 320 + barHeight);
    QTRY_COMPARE_WITH_TIMEOUT(window.Status()->height(), 320, 20000);

    const QImage image = window.Status()->grab().toImage();
    ASSERT_EQ(image.height(), 320);
    // unit 17, margin 25: delivery square 25..76 x 34..85, GPS square 25..76 x 102..153
    for (const QPoint& centre : {QPoint(50, 59), QPoint(50, 127)}) {
        EXPECT_TRUE(IsGreyLamp(At(image, centre.x(), centre.y())))
            << centre.x() << "," << centre.y() << " "
            << At(image, centre.x(), centre.y()).name().toStdString();
    }
    for (const QPoint& outside :
         {QPoint(50, 30), QPoint(50, 94), QPoint(20, 59), QPoint(50, 158)}) {
        EXPECT_TRUE(IsWhite(At(image, outside.x(), outside.y())))
            << outside.x() << "," << outside.y() << " "
            << At(image, outside.x(), outside.y()).name().toStdString();
    }

    tracker.Window().OnCommand(CmdToggleLog);
    QListWidget* list = tracker.Shell().ReportListWidget();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->geometry(), QRect(5, 160, 230, 155));
}

TEST(MainWindowQt, ReportListKeepsTheNewest21LinesAtTheBottom) {
    SimTracker tracker({false, {}});
    const int before = tracker.Shell().ReportListWidget()->count();
    for (int i = 1; i <= 30; ++i) {
        tracker.Settings().WriteLog("строка " + std::to_string(i));
    }
    QListWidget* list = tracker.Shell().ReportListWidget();
    EXPECT_LE(before, 21);
    ASSERT_EQ(list->count(), 21);
    EXPECT_EQ(list->item(20)->text().toStdString(), "строка 30");
    EXPECT_EQ(list->item(0)->text().toStdString(), "строка 10");
}

TEST(MainWindowQt, TrayIconFollowsTheModeAndItsTapShowsTheWindow) {
    SimTracker tracker({false, {}});
    EXPECT_EQ(tracker.Shell().TrayIconId(), IconIdle);
    EXPECT_EQ(tracker.Shell().Tray()->toolTip().toStdString(), "Мини Зорвани");
    EXPECT_FALSE(tracker.Shell().Window().isVisible());
    tracker.Window().OnTrayIconMessage();
    EXPECT_TRUE(tracker.Shell().Window().isVisible());
    tracker.Window().StartReport(ModeIntimate, true);
    EXPECT_EQ(tracker.Shell().TrayIconId(), IconIntimate);
}

}  // namespace
