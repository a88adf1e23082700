#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTest>

#include "app/Resources.h"
#include "integration/qt/ModalDriver.h"
#include "options/OptionsIds.h"
#include "ui/qt/QtOptionsDialog.h"
#include "ui/qt/SoftKeyBar.h"
#include "ui/qt/demo/SimTracker.h"

namespace {

// Acts on the options dialog once it is open.
void WhenDialogOpens(std::function<void(QtOptionsDialog*)> action) {
    WhenModalOpens([action = std::move(action)](QWidget* modal) {
        auto* dialog = dynamic_cast<QtOptionsDialog*>(modal);
        dialog != nullptr ? action(dialog) : ADD_FAILURE() << "the options dialog did not open";
    });
}

std::vector<std::string> Items(QListWidget* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) {
        items.push_back(list->item(i)->text().toStdString());
    }
    return items;
}

TEST(OptionsDialogQt, RefusedValuesShowOneBoxKeepWhatWasAcceptedAndOnlyClosingEnds) {
    SimTracker tracker({false, {}});
    std::string said;
    WhenDialogOpens([&](QtOptionsDialog* dialog) {
        dialog->SetText(IdcPort, "0");  // the refusals themselves are the unit tests' rows
        dialog->SetChecked(IdcEvery10Seconds, true);
        WhenModalOpens(
            [&, dialog](QWidget* box) {
                said = Answer(box);
                // the dialog stays open with the input; Escape does nothing, and closing
                // ends it without undoing what is in force
                Later([dialog] {
                    EXPECT_EQ(dialog->Text(IdcPort), "0");
                    QTest::keyClick(dialog, Qt::Key_Escape);
                    Later([dialog] {
                        EXPECT_TRUE(dialog->isVisible());
                        dialog->close();
                    });
                });
            },
            dialog);
        Later([dialog] { dialog->Command(CmdAcceptOptions); });
    });
    EXPECT_EQ(tracker.Shell().RunOptionsDialog(), OptionsClosedResult);
    EXPECT_EQ(said, "  Ошибка: Недопустимый порт\r\n");
}

TEST(OptionsDialogQt, ShowsTheSendersImsiCapsEditsAndWarnsBeforeSaving) {
    SimTracker tracker({false, {}});
    const std::string& imsi = tracker.Window().Globals().sender->imsi;
    for (int ticks = 0; imsi.empty() && ticks < 3000; ++ticks) {
        tracker.Tick();  // the SIM is read when the first report goes out
    }
    ASSERT_FALSE(imsi.empty());
    std::string said, shownImsi;
    WhenDialogOpens([&](QtOptionsDialog* dialog) {
        shownImsi = dialog->Text(IdcImsi);
        auto* edit = qobject_cast<QLineEdit*>(dialog->Control(IdcReserveServer));
        QTest::keyClicks(edit, QString(300, QChar('1')));
        EXPECT_EQ(edit->text().size(), 255);
        EXPECT_EQ(dialog->Text(IdcReserveServer).size(), 255u);
        dialog->SetText(IdcReserveServer, "");
        dialog->SetChecked(IdcEveryMinute, true);
        dialog->SetText(IdcPort, "9000");
        WhenModalOpens([&](QWidget* box) { said = Answer(box); }, dialog);
        Later([dialog] { dialog->Command(IdOk); });
    });
    EXPECT_EQ(tracker.Shell().RunOptionsDialog(), IdOk);
    EXPECT_EQ(shownImsi, imsi);
    EXPECT_EQ(said,
              "  Предупреждение: Вы установили «постоянный» режим определения и отравки "
              "координат. Учтите, что это сильно увеличит расход заряда батареи.");
    EXPECT_NE(tracker.ParamsText().find("Port=9000\r\n"), std::string::npos);
}

TEST(OptionsDialogQt, CaptureTakesEveryKeyDownWithoutAlarmThenDeleteAndClear) {
    std::string params = SimTracker::kDefaultParams;
    params.replace(params.find("PermittedKeys=All"), 17, "PermittedKeys=112");
    SimTracker tracker({false, params});
    std::vector<std::string> afterCapture, afterDelete;
    WhenDialogOpens([&](QtOptionsDialog* dialog) {
        dialog->Tabs().setCurrentIndex(PageKeys);
        auto* list = qobject_cast<QListWidget*>(dialog->Control(IdcKeyList));
        WhenModalOpens(
            [&, dialog, list](QWidget* box) {
                // the box's own keyboard, and a key device
                QTest::keyClick(box->windowHandle(), Qt::Key_F2);
                QTest::keyClick(box->windowHandle(), Qt::Key_F1);
                tracker.Window().OnAlarmKeyDown(1000, 30, 65);
                EXPECT_EQ(tracker.Window().Mode(), ReportMode::Idle);
                EXPECT_FALSE(tracker.Shell().IsTimerRunning(113));
                EXPECT_FALSE(tracker.Shell().IsTimerRunning(65));
                // the dialog ignores its commands and the close request until the box is closed
                dialog->Command(CmdCancelOptions);
                dialog->close();
                EXPECT_EQ(qobject_cast<QMessageBox*>(box)->icon(), QMessageBox::NoIcon);
                EXPECT_EQ(ButtonTexts(box), std::vector<std::string>{"ОК"});
                EXPECT_EQ(Answer(box),
                          "  Режим определения: Нажмите кнопки, которые хотите "
                          "использовать для вызова тревоги, а затем закройте "
                          "сообщение.");
                Later([&, dialog, list] {
                    tracker.Window().OnAlarmKeyDown(1100, 48, 66);  // after the capture
                    afterCapture = Items(list);
                    // a current row without a selection, as the list's focus leaves it
                    list->clearSelection();
                    dialog->Command(CmdDeleteKey);
                    EXPECT_EQ(Items(list), afterCapture) << "nothing selected, nothing deleted";
                    list->setCurrentRow(0);
                    dialog->Command(CmdDeleteKey);
                    afterDelete = Items(list);
                    dialog->Command(CmdClearKeys);
                    dialog->Command(IdOk);
                });
            },
            dialog);
        Later([dialog] { dialog->Command(CmdCaptureKeys); });
    });
    EXPECT_EQ(tracker.Shell().RunOptionsDialog(), IdOk);
    EXPECT_EQ(afterCapture, (std::vector<std::string>{"112 VK_F1 (VK_TSOFT1)",
                                                      "113 VK_F2 (VK_TSOFT2)", "65 VK_A"}));
    EXPECT_EQ(afterDelete, (std::vector<std::string>{"113 VK_F2 (VK_TSOFT2)", "65 VK_A"}));
    EXPECT_NE(tracker.ParamsText().find("PermittedKeys=\r\n"), std::string::npos);
}

}  // namespace
