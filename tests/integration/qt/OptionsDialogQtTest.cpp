#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

#include "app/Resources.h"
#include "integration/qt/ModalDriver.h"
#include "options/OptionsIds.h"
#include "ui/qt/QtOptionsDialog.h"
#include "ui/qt/SoftKeyBar.h"
#include "ui/qt/demo/SimTracker.h"

namespace {

std::string Params(const std::string& frequency, const std::string& keys) {
    return "MainServer=127.0.0.1\r\nReserveServer=\r\nPort=830\r\nOutSats=1\r\nFrequency=" +
           frequency + "\r\nMinimalBalance=1\r\nAlertPressTime=8\r\nPermittedKeys=" + keys +
           "\r\nLogEnabled=0\r\n";
}

QtOptionsDialog* AsDialog(QWidget* modal) {
    auto* dialog = dynamic_cast<QtOptionsDialog*>(modal);
    EXPECT_NE(dialog, nullptr) << "the options dialog did not open";
    return dialog;
}

void SetEdit(QtOptionsDialog* dialog, int id, const char* text) {
    qobject_cast<QLineEdit*>(dialog->Control(id))->setText(QString::fromUtf8(text));
}

void Later(std::function<void()> step) {
    QTimer::singleShot(0, std::move(step));
}

std::vector<std::string> Items(QListWidget* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) {
        items.push_back(list->item(i)->text().toStdString());
    }
    return items;
}

TEST(OptionsDialogQt, RefusedValuesShowOneBoxAndKeepWhatWasAccepted) {
    SimTracker tracker({false, Params("144000", "112")});
    const std::string paramsBefore = tracker.ParamsText();
    std::string boxText, boxCaption;
    WhenModalOpens([&](QWidget* modal) {
        QtOptionsDialog* dialog = AsDialog(modal);
        ASSERT_NE(dialog, nullptr);
        SetEdit(dialog, IdcMainServer, "");
        SetEdit(dialog, IdcReserveServer, "10.0.0");
        SetEdit(dialog, IdcPort, "0");
        SetEdit(dialog, IdcBalance, "25");
        qobject_cast<QRadioButton*>(dialog->Control(IdcEvery10Seconds))->setChecked(true);
        WhenModalOpens(
            [&, dialog](QWidget* box) {
                boxText = BoxText(box);
                boxCaption = BoxCaption(box);
                Press(box, QMessageBox::Ok);
                // the dialog stays open with the input; the cancel that follows undoes nothing
                Later([dialog] {
                    EXPECT_TRUE(dialog->isVisible());
                    EXPECT_EQ(qobject_cast<QLineEdit*>(dialog->Control(IdcPort))->text(), "0");
                    dialog->Command(CmdCancelOptions);
                });
            },
            dialog);
        Later([dialog] { dialog->Command(CmdAcceptOptions); });
    });
    EXPECT_EQ(tracker.Shell().RunOptionsDialog(), CmdCancelOptions);

    EXPECT_EQ(boxText,
              "Недопустимый адрес основного сервера\r\nНедопустимый адрес резервного сервера\r\n"
              "Недопустимый порт\r\n");
    EXPECT_EQ(boxCaption, "  Ошибка");
    EXPECT_EQ(tracker.Settings().Frequency, 100);
    EXPECT_EQ(tracker.Settings().MinimalBalance, 25);
    EXPECT_EQ(tracker.Settings().Port, 830);
    EXPECT_EQ(tracker.Settings().MainServer, "127.0.0.1");
    EXPECT_EQ(tracker.ParamsText(), paramsBefore);
}

TEST(OptionsDialogQt, BatteryWarningThenSaveEndsTheDialog) {
    SimTracker tracker({false, Params("600", "All")});
    std::string boxText, boxCaption;
    WhenModalOpens([&](QWidget* modal) {
        QtOptionsDialog* dialog = AsDialog(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(qobject_cast<QRadioButton*>(dialog->Control(IdcEveryMinute))->isChecked());
        EXPECT_EQ(qobject_cast<QLabel*>(dialog->Control(IdcImsi))->text(), "111111111111111");
        SetEdit(dialog, IdcPort, "9000");
        WhenModalOpens(
            [&](QWidget* box) {
                boxText = BoxText(box);
                boxCaption = BoxCaption(box);
                Press(box, QMessageBox::Ok);
            },
            dialog);
        Later([dialog] { dialog->Command(IdOk); });
    });
    EXPECT_EQ(tracker.Shell().RunOptionsDialog(), IdOk);
    EXPECT_EQ(boxCaption, "  Предупреждение");
    EXPECT_EQ(boxText,
              "Вы установили «постоянный» режим определения и отравки координат. Учтите, что это "
              "сильно увеличит расход заряда батареи.");
    EXPECT_NE(tracker.ParamsText().find("Port=9000\r\n"), std::string::npos);
    EXPECT_NE(tracker.ParamsText().find("Frequency=600\r\n"), std::string::npos);
}

TEST(OptionsDialogQt, CaptureTakesEveryKeyDownWithoutAlarmThenDeleteAndClear) {
    SimTracker tracker({false, Params("36000", "112")});
    std::vector<std::string> afterCapture, afterDelete;
    bool captureEnabledOnGeneralPage = true;
    WhenModalOpens([&](QWidget* modal) {
        QtOptionsDialog* dialog = AsDialog(modal);
        ASSERT_NE(dialog, nullptr);
        captureEnabledOnGeneralPage = dialog->SoftKeys().IsCommandEnabled(CmdCaptureKeys);
        dialog->Tabs().setCurrentIndex(PageKeys);
        EXPECT_TRUE(dialog->SoftKeys().IsCommandEnabled(CmdCaptureKeys));
        EXPECT_TRUE(dialog->SoftKeys().IsCommandEnabled(CmdClearKeys));
        auto* list = qobject_cast<QListWidget*>(dialog->Control(IdcKeyList));
        WhenModalOpens(
            [&, dialog, list](QWidget* box) {
                EXPECT_EQ(BoxCaption(box), "  Режим определения");
                // the box's own keyboard, and a key device
                QTest::keyClick(box->windowHandle(), Qt::Key_F2);
                QTest::keyClick(box->windowHandle(), Qt::Key_F1);
                tracker.Window().OnAlarmKeyDown(1000, 30, 65);
                EXPECT_EQ(tracker.Window().Mode(), ModeIdle);
                EXPECT_FALSE(tracker.Shell().IsTimerRunning(113));
                EXPECT_FALSE(tracker.Shell().IsTimerRunning(65));
                Press(box, QMessageBox::Ok);
                Later([&, dialog, list] {
                    afterCapture = Items(list);
                    list->setCurrentRow(0);
                    dialog->Command(CmdDeleteKey);
                    afterDelete = Items(list);
                    dialog->Command(CmdClearKeys);
                    EXPECT_EQ(list->count(), 0);
                    dialog->Command(IdOk);
                });
            },
            dialog);
        Later([dialog] { dialog->Command(CmdCaptureKeys); });
    });
    EXPECT_EQ(tracker.Shell().RunOptionsDialog(), IdOk);

    EXPECT_FALSE(captureEnabledOnGeneralPage);
    EXPECT_EQ(afterCapture, (std::vector<std::string>{"112 VK_F1 (VK_TSOFT1)",
                                                      "113 VK_F2 (VK_TSOFT2)", "65 VK_A"}));
    EXPECT_EQ(afterDelete, (std::vector<std::string>{"113 VK_F2 (VK_TSOFT2)", "65 VK_A"}));
    EXPECT_EQ(tracker.Settings().PermittedKeys, "");
    EXPECT_NE(tracker.ParamsText().find("PermittedKeys=\r\n"), std::string::npos);
    // after capture the keys raise alarms again: none is permitted now
    tracker.Window().OnAlarmKeyDown(2000, 0, 112);
    EXPECT_FALSE(tracker.Shell().IsTimerRunning(112));
}

TEST(OptionsDialogQt, EscapeDoesNothingAndClosingEndsWithSixteen) {
    SimTracker tracker({false, Params("36000", "All")});
    bool openAfterEscape = false;
    WhenModalOpens([&](QWidget* modal) {
        QtOptionsDialog* dialog = AsDialog(modal);
        ASSERT_NE(dialog, nullptr);
        SetEdit(dialog, IdcPort, "4444");
        QTest::keyClick(dialog, Qt::Key_Escape);
        Later([&, dialog] {
            openAfterEscape = dialog->isVisible();
            dialog->close();
        });
    });
    EXPECT_EQ(tracker.Shell().RunOptionsDialog(), OptionsClosedResult);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(tracker.Settings().Port, 830);
}

}  // namespace
