#include <gtest/gtest.h>

#include <QButtonGroup>
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

constexpr int kError = QMessageBox::Critical;
const Said::value_type kBatteryWarning{
    QMessageBox::Warning,
    "  Предупреждение: Вы установили «постоянный» режим определения и отравки координат. Учтите, "
    "что это сильно увеличит расход заряда батареи."};

// Runs the tracker's options dialog, does `act` in it, and closes it if it is still open.
int RunDialog(SimTracker& tracker, const std::function<void(QtOptionsDialog&)>& act) {
    QTimer::singleShot(0, [&act] {  // the first event of the dialog's own loop
        auto* dialog = dynamic_cast<QtOptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "the options dialog did not open";
        act(*dialog);
        if (dialog->isVisible()) {
            dialog->close();
        }
    });
    return tracker.Shell().RunOptionsDialog();
}

// params.ini as the frequency rows start with it and the dialog writes it back.
std::string ParamsIni(int frequency, bool logEnabled) {
    return std::string("MainServer=10.1.2.3\r\nReserveServer=\r\nPort=4001\r\nOutSats=") +
           (logEnabled ? "0" : "1") + "\r\nFrequency=" + std::to_string(frequency) +
           "\r\nMinimalBalance=-5\r\nAlertPressTime=3\r\nPermittedKeys=All\r\nLogEnabled=" +
           (logEnabled ? "1" : "0") + "\r\n";
}

struct FrequencyCase {
    const char* name;
    int stored, button, saved;
    bool batteryWarning;
};

TEST(OptionsDialogQt, ShowsTheSettingsAndTheSendersImsiAndAcceptWritesBackWhatIsChecked) {
    // clang-format off
    const FrequencyCase cases[] = {
        {"Every10Seconds", 100, IdcEvery10Seconds, 100, true},
        {"EveryMinute", 600, IdcEveryMinute, 600, true},
        {"Every5Minutes", 3000, IdcEvery5Minutes, 3000, true},
        {"EveryHour", 36000, IdcEveryHour, 36000, false},
        {"Every4Hours", 144000, IdcEvery4Hours, 144000, false},
        {"UnlistedIsSavedAsEveryHour", 1200, IdcEveryHour, 36000, false},
    };
    // clang-format on
    bool logEnabled = true;
    for (const FrequencyCase& c : cases) {
        SCOPED_TRACE(c.name);
        logEnabled = !logEnabled;  // so each flag is shown and written in both states
        SimTracker tracker({false, ParamsIni(c.stored, logEnabled)});
        const std::string& imsi = tracker.Window().Globals().sender->imsi;
        for (int ticks = 0; imsi.empty() && ticks < 3000; ++ticks) {
            tracker.Tick();  // the SIM is read when the first report goes out
        }
        ASSERT_FALSE(imsi.empty());
        Boxes boxes;
        std::vector<std::string> shown;  // the texts, then the ids of what is checked
        const int result = RunDialog(tracker, [&](QtOptionsDialog& dialog) {
            for (int id :
                 {IdcImsi, IdcBalance, IdcPressTime, IdcMainServer, IdcReserveServer, IdcPort}) {
                shown.push_back(dialog.Text(id));
            }
            for (int id : {IdcLogEnabled, IdcOutSats, IdcEvery10Seconds, IdcEveryMinute,
                           IdcEvery5Minutes, IdcEveryHour, IdcEvery4Hours}) {
                if (dialog.IsChecked(id)) {
                    shown.push_back(std::to_string(id));
                }
            }
            auto* edit = qobject_cast<QLineEdit*>(dialog.Control(IdcReserveServer));
            QTest::keyClicks(edit, QString(300, QChar('1')));
            EXPECT_EQ(edit->text().size(), 255);
            edit->clear();
            qobject_cast<QAbstractButton*>(dialog.Control(IdcLogEnabled))->click();
            qobject_cast<QAbstractButton*>(dialog.Control(IdcOutSats))->click();
            dialog.Command(IdOk);
        });
        EXPECT_EQ(result, IdOk);
        const int flag = logEnabled ? IdcLogEnabled : IdcOutSats;
        EXPECT_EQ(shown,
                  (std::vector<std::string>{imsi, "-5", "3", "10.1.2.3", "", "4001",
                                            std::to_string(flag), std::to_string(c.button)}));
        EXPECT_EQ(tracker.ParamsText(), ParamsIni(c.saved, !logEnabled));
        EXPECT_EQ(boxes.said, c.batteryWarning ? Said{kBatteryWarning} : Said{});
    }
}

struct RefusalCase {
    const char *name, *mainServer, *reserveServer, *port;
    bool noFrequency;
    const char* refused;  // null: every value is taken, but the save fails
    int end;  // IdCancel: the Escape key; OptionsClosedResult: closing; else the command
};

// Then a corrected input, and only OK applies it; Escape and unknown commands do not end the
// dialog.
TEST(OptionsDialogQt, OneErrorBoxListsRefusalsInOrderKeepsWhatWasAcceptedAndOnlyOkAppliesMore) {
    const std::string params = "Frequency=144000\r\nPermittedKeys=112,113\r\n";
    // clang-format off
    const RefusalCase cases[] = {
        {"EmptyMain", "", "", "830", false, "Недопустимый адрес основного сервера\r\n", IdOk},
        {"BadReserve", "127.0.0.1", "1.2.3", "830", false, "Недопустимый адрес резервного сервера\r\n", IdCancel},
        {"EmptyPort", "127.0.0.1", "", "", false, "Недопустимый порт\r\n", 12345},
        {"ZeroPort", "127.0.0.1", "", "0", false, "Недопустимый порт\r\n", CmdCancelOptions},
        {"All", "x", "y", "0", true, "Не выбрана частота связи с сервером\r\nНедопустимый адрес основного сервера\r\n"
                                     "Недопустимый адрес резервного сервера\r\nНедопустимый порт\r\n", OptionsClosedResult},
        {"SaveFails", "127.0.0.1", "", "830", false, nullptr, IdOk},
    };
    // clang-format on
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimTracker tracker({false, params});
        tracker.fileWriter.failWrites = c.refused == nullptr;
        const std::string failed = "Ошибка записи файла " + tracker.Settings().ParamsPath();
        Said said = c.refused ? Said{} : Said{kBatteryWarning};
        said.emplace_back(kError, "  Ошибка: " + (c.refused ? std::string(c.refused) : failed));
        Boxes boxes;
        bool ended = false;
        const int result = RunDialog(tracker, [&](QtOptionsDialog& dialog) {
            dialog.SetText(IdcMainServer, c.mainServer);
            dialog.SetText(IdcReserveServer, c.reserveServer);
            dialog.SetText(IdcPort, c.port);
            dialog.SetText(IdcBalance, "42");
            // the radios never leave none checked, but the logic must not rely on it
            dialog.findChild<QButtonGroup*>()->setExclusive(!c.noFrequency);
            dialog.SetChecked(c.noFrequency ? IdcEvery4Hours : IdcEvery10Seconds, !c.noFrequency);
            dialog.Command(CmdAcceptOptions);
            EXPECT_EQ(boxes.said, said) << "one box, and no battery warning beside the errors";
            EXPECT_EQ(dialog.Text(IdcPort), c.port) << "the dialog stays open with the input";
            EXPECT_EQ(tracker.ParamsText(), params);
            // what was accepted is in force already, refused values keep the old ones
            const CSettings& s = tracker.Settings();
            EXPECT_EQ(
                std::tie(s.MinimalBalance, s.Frequency, s.PermittedKeys, s.MainServer, s.Port),
                std::tuple(42, c.noFrequency ? 36000 : 100, "112,113", "127.0.0.1", 830));

            tracker.fileWriter.failWrites = false;
            dialog.SetText(IdcMainServer, "127.0.0.1");  // corrected input is taken next time
            dialog.SetText(IdcReserveServer, "");
            dialog.SetText(IdcPort, "9000");
            dialog.SetChecked(IdcEvery4Hours, true);
            if (c.end == IdCancel) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else if (c.end == OptionsClosedResult) {
                dialog.close();
            } else if (!dialog.SoftKeys().Trigger(c.end)) {
                dialog.Command(c.end);  // IdOk is the Done button's, 12345 nobody's
            }
            ended = !dialog.isVisible();
        });
        const bool ends = c.end != IdCancel && c.end != 12345;
        EXPECT_EQ(std::pair(ended, result), std::pair(ends, ends ? c.end : OptionsClosedResult));
        EXPECT_EQ(tracker.Settings().Port == 9000, c.end == IdOk);
        EXPECT_EQ(tracker.ParamsText().find("Port=9000\r\n") != std::string::npos, c.end == IdOk);
    }
}

std::vector<std::string> Items(QListWidget* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) {
        items.push_back(list->item(i)->text().toStdString());
    }
    return items;
}

TEST(OptionsDialogQt, KeyCommandsActOnTheKeysPageOnlyWhereCaptureTakesKeyDownsWithoutAlarm) {
    std::string params = SimTracker::kDefaultParams;
    params.replace(params.find("PermittedKeys=All"), 17, "PermittedKeys=112");
    SimTracker tracker({false, params});
    Boxes boxes([&tracker](QMessageBox* box) {
        // the box's own keyboard, and a key device
        QTest::keyClick(box->windowHandle(), Qt::Key_F2);
        QTest::keyClick(box->windowHandle(), Qt::Key_F1);
        tracker.Window().OnAlarmKeyDown(1000, 30, 65);
        EXPECT_EQ(tracker.Window().Mode(), ReportMode::Idle);
        EXPECT_FALSE(tracker.Shell().IsTimerRunning(113));
        EXPECT_FALSE(tracker.Shell().IsTimerRunning(65));
        // the dialog ignores its commands and the close request until the box is closed
        auto* dialog = dynamic_cast<QtOptionsDialog*>(box->parentWidget());
        dialog->Command(CmdCancelOptions);
        dialog->close();
        EXPECT_EQ(ButtonTexts(box), std::vector<std::string>{"ОК"});
        return QMessageBox::Ok;
    });
    const int result = RunDialog(tracker, [&](QtOptionsDialog& dialog) {
        auto* list = qobject_cast<QListWidget*>(dialog.Control(IdcKeyList));
        list->setCurrentRow(0);
        for (int page : {PageGeneral, PageKeys, PageConnection, PageKeys}) {
            SCOPED_TRACE(page);
            dialog.Tabs().setCurrentIndex(page);
            EXPECT_EQ(dialog.Control(IdcBalance)->isVisible(), page == PageGeneral);
            EXPECT_EQ(dialog.Control(IdcOutSats)->isVisible(), page == PageConnection);
            EXPECT_EQ(dialog.Control(IdcKeyList)->isVisible(), page == PageKeys);
            for (int command : {CmdDeleteKey, CmdClearKeys, CmdCaptureKeys}) {
                EXPECT_EQ(dialog.SoftKeys().IsCommandEnabled(command), page == PageKeys);
                if (page != PageKeys) {
                    dialog.Command(command);  // sent anyway: no effect
                }
            }
        }
        EXPECT_EQ(Items(list), std::vector<std::string>{"112 VK_F1 (VK_TSOFT1)"});
        dialog.Command(CmdCaptureKeys);
        tracker.Window().OnAlarmKeyDown(1100, 48, 66);  // after the capture
        const std::vector<std::string> captured{"112 VK_F1 (VK_TSOFT1)", "113 VK_F2 (VK_TSOFT2)",
                                                "65 VK_A"};
        EXPECT_EQ(Items(list), captured);
        list->clearSelection();  // a current row without a selection, as the list's focus leaves it
        dialog.Command(CmdDeleteKey);
        EXPECT_EQ(Items(list), captured) << "nothing selected, nothing deleted";
        list->setCurrentRow(0);
        dialog.Command(CmdDeleteKey);
        EXPECT_EQ(Items(list), (std::vector<std::string>{"113 VK_F2 (VK_TSOFT2)", "65 VK_A"}));
        dialog.Command(CmdClearKeys);
        dialog.Command(IdOk);
    });
    EXPECT_EQ(result, IdOk);
    EXPECT_EQ(boxes.said, (Said{{QMessageBox::NoIcon,
                                 "  Режим определения: Нажмите кнопки, которые хотите использовать "
                                 "для вызова тревоги, а затем закройте сообщение."}}));
    EXPECT_NE(tracker.ParamsText().find("PermittedKeys=\r\n"), std::string::npos);
}

}  // namespace
