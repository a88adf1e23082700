#include "options/OptionsDialog.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "app/AlarmKeys.h"
#include "options/OptionsIds.h"
#include "platform/DialogControls.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimListBox.h"
#include "platform/sim/SimSoundPlayer.h"
#include "settings/Settings.h"
#include "support/TempFolder.h"

namespace {

using Icon = DialogControls::Icon;
using Box = std::tuple<std::string, int, std::string>;  // caption, icon, text

// The controls in maps; boxes are recorded and answered at once.
class FakeControls final : public DialogControls {
public:
    bool HasControl(int) const override { return true; }
    std::string Text(int id) const override { return texts.contains(id) ? texts.at(id) : ""; }
    void SetText(int id, const std::string& text) override { texts[id] = text; }
    bool IsChecked(int id) const override { return checked.contains(id); }
    void SetChecked(int id, bool on) override {
        on ? void(checked.insert(id)) : void(checked.erase(id));
    }
    void SetVisible(int id, bool on) override { visible[id] = on; }
    void SetCommandEnabled(int id, bool on) override { enabled[id] = on; }
    ListBox* KeyList() override { return &keyList; }
    void FocusKeyList() override {}
    void MessageBox(const std::string& text, const std::string& caption, Icon icon) override {
        boxes.emplace_back(caption, static_cast<int>(icon), text);
    }
    void EndDialog(int result) override { endResult = result; }

    std::map<int, std::string> texts;
    std::set<int> checked;
    std::map<int, bool> visible, enabled;
    std::vector<Box> boxes;
    std::optional<int> endResult;
    SimListBox keyList;
};

class OptionsDialogTest : public ::testing::Test {
protected:
    void Open() {
        controls.endResult.reset();
        dialog = std::make_unique<COptionsDialog>(settings, keys, "250991234567890", controls);
        dialog->OnInitDialog();
    }
    std::string Params() const { return ReadWholeFile(settings.ParamsPath()); }

    TempFolder appData;
    SimClock clock;
    SimFolders folders{appData.Path(), appData / "bin/mzorvany"};
    SimSoundPlayer sound;
    SimFileWriter writer;
    CSettings settings{[](const std::string&) {}, {clock, folders, sound, writer}};
    FakeControls controls;
    CAlarmKeys keys;
    std::unique_ptr<COptionsDialog> dialog;
};

struct FrequencyCase {
    const char* name;
    int stored;
    int button;
    int saved;
    bool batteryWarning;
};

// The flags alternate from row to row, so each is shown and saved in both states.
TEST_F(OptionsDialogTest, FillsTheControlsAndAcceptWritesThemBack) {
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
    bool flag = true;
    for (const FrequencyCase& c : cases) {
        SCOPED_TRACE(c.name);
        flag = !flag;
        settings.Frequency = c.stored;
        settings.MinimalBalance = -5;
        settings.AlertPressTime = 3;
        settings.LogEnabled = flag;
        settings.OutSats = !flag;
        settings.MainServer = "10.1.2.3";
        settings.Port = 4001;
        controls.texts.clear();
        controls.checked.clear();
        controls.boxes.clear();
        Open();
        const std::map<int, std::string> texts{
            {IdcImsi, "250991234567890"}, {IdcBalance, "-5"},     {IdcPressTime, "3"},
            {IdcMainServer, "10.1.2.3"},  {IdcReserveServer, ""}, {IdcPort, "4001"}};
        EXPECT_EQ(controls.texts, texts);
        EXPECT_EQ(controls.checked, (std::set<int>{flag ? IdcLogEnabled : IdcOutSats, c.button}));
        settings.LogEnabled = !flag;
        settings.OutSats = flag;
        dialog->OnCommand(IdOk);
        EXPECT_EQ(controls.endResult, IdOk);
        EXPECT_EQ(settings.Frequency, c.saved);
        EXPECT_EQ(
            Params(),
            std::string("MainServer=10.1.2.3\r\nReserveServer=\r\nPort=4001\r\nOutSats=") +
                (flag ? "0" : "1") + "\r\nFrequency=" + std::to_string(c.saved) +
                "\r\nMinimalBalance=-5\r\nAlertPressTime=3\r\nPermittedKeys=All\r\nLogEnabled=" +
                (flag ? "1" : "0") + "\r\n");
        const Box warning{"  Предупреждение", 48, COptionsDialog::kBatteryWarning};
        EXPECT_EQ(controls.boxes, c.batteryWarning ? std::vector{warning} : std::vector<Box>{});
    }
}

struct RefusalCase {
    const char *name, *mainServer, *reserveServer, *port;
    bool noFrequency;
    const char* box;
};

TEST_F(OptionsDialogTest, OneErrorBoxListsRefusalsInOrderAndKeepsWhatWasAccepted) {
    // clang-format off
    const RefusalCase cases[] = {
        {"EmptyMain", "", "", "830", false, "Недопустимый адрес основного сервера\r\n"},
        {"BadReserve", "127.0.0.1", "1.2.3", "830", false, "Недопустимый адрес резервного сервера\r\n"},
        {"EmptyPort", "127.0.0.1", "", "", false, "Недопустимый порт\r\n"},
        {"ZeroPort", "127.0.0.1", "", "0", false, "Недопустимый порт\r\n"},
        {"All", "x", "y", "0", true, "Не выбрана частота связи с сервером\r\nНедопустимый адрес основного сервера\r\n"
                                     "Недопустимый адрес резервного сервера\r\nНедопустимый порт\r\n"},
    };
    // clang-format on
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder fresh;
        SimFolders freshFolders{fresh.Path(), fresh / "bin/mzorvany"};
        CSettings s{[](const std::string&) {}, {clock, freshFolders, sound, writer}};
        s.Frequency = 144000;
        keys.LoadPermitted("112,113");
        controls.boxes.clear();
        controls.endResult.reset();
        COptionsDialog d(s, keys, "", controls);
        d.OnInitDialog();
        controls.SetText(IdcMainServer, c.mainServer);
        controls.SetText(IdcReserveServer, c.reserveServer);
        controls.SetText(IdcPort, c.port);
        controls.SetText(IdcBalance, "42");
        controls.checked = c.noFrequency ? std::set<int>{} : std::set<int>{IdcEvery10Seconds};
        d.OnCommand(CmdAcceptOptions);

        EXPECT_EQ(controls.boxes, (std::vector<Box>{{"  Ошибка", 16, c.box}}))
            << "one box, and no battery warning beside the errors";
        EXPECT_FALSE(controls.endResult.has_value());
        EXPECT_EQ(ReadWholeFile(s.ParamsPath()), "");
        // what was accepted is in force already, refused values keep the old ones
        EXPECT_EQ(std::tie(s.MinimalBalance, s.Frequency, s.PermittedKeys, s.MainServer, s.Port),
                  std::tuple(42, c.noFrequency ? 36000 : 100, "112,113", "127.0.0.1", 830));

        // corrected input is taken on the next try
        controls.SetText(IdcMainServer, "127.0.0.1");
        controls.SetText(IdcReserveServer, "");
        controls.SetText(IdcPort, "9000");
        controls.checked = {IdcEvery4Hours};
        d.OnCommand(IdOk);
        EXPECT_EQ(controls.endResult, IdOk);
        EXPECT_NE(ReadWholeFile(s.ParamsPath()).find("Port=9000"), std::string::npos);
    }
}

TEST_F(OptionsDialogTest, FailedSaveShowsItsTextAndKeepsTheDialogOpen) {
    settings.Frequency = 600;
    writer.failWrites = true;
    Open();
    dialog->OnCommand(IdOk);
    ASSERT_EQ(controls.boxes.size(), 2u);
    EXPECT_EQ(controls.boxes[1],
              (Box{"  Ошибка", 16, "Ошибка записи файла " + settings.ParamsPath()}));
    EXPECT_FALSE(controls.endResult.has_value());
}

struct EndCase {
    const char* name;
    int command;  // kClose: the dialog is closed instead
    std::optional<int> result;
};

TEST_F(OptionsDialogTest, OnlyCancelAndClosingEndTheDialogAndNeitherApplies) {
    constexpr int kClose = -1;
    // clang-format off
    const EndCase cases[] = {{"DialogCancelId", IdCancel, {}}, {"UnknownCommand", 12345, {}},
        {"CancelCommand", CmdCancelOptions, CmdCancelOptions}, {"Closed", kClose, OptionsClosedResult}};
    // clang-format on
    for (const EndCase& row : cases) {
        SCOPED_TRACE(row.name);
        Open();
        controls.SetText(IdcPort, "1234");
        row.command == kClose ? dialog->OnClose() : dialog->OnCommand(row.command);
        EXPECT_EQ(controls.endResult, row.result);
        EXPECT_EQ(settings.Port, 830);
    }
    EXPECT_TRUE(controls.boxes.empty());
}

struct PageStep {
    const char* name;
    int from;
    int to;
};

TEST_F(OptionsDialogTest, PagesShowTheirControlsAndKeyCommandsActOnlyOnTheKeysPage) {
    keys.LoadPermitted("8,112,126");
    Open();
    controls.keyList.Select(0);
    for (int command : {CmdDeleteKey, CmdClearKeys, CmdCaptureKeys}) {
        EXPECT_FALSE(controls.enabled[command]);
        dialog->OnCommand(command);
    }
    EXPECT_EQ(controls.keyList.items,
              (std::vector<std::string>{"8 VK_BACK (VK_T8)", "112 VK_F1 (VK_TSOFT1)",
                                        "126 VK_F15 (VK_END_ALL_DATA_CALLS"}));
    EXPECT_TRUE(controls.boxes.empty());

    // clang-format off
    const PageStep steps[] = {{"StayOnGeneral", PageGeneral, PageGeneral}, {"GeneralToKeys", PageGeneral, PageKeys},
        {"KeysToConnection", PageKeys, PageConnection}, {"ConnectionToKeys", PageConnection, PageKeys}};
    // clang-format on
    for (const auto& [name, from, to] : steps) {
        SCOPED_TRACE(name);
        if (from != to) {
            dialog->OnPageChanging(from);
            dialog->OnPageChanged(to);
        }
        EXPECT_EQ(controls.visible[IdcBalance], to == PageGeneral);
        EXPECT_EQ(controls.visible[IdcOutSats], to == PageConnection);
        EXPECT_EQ(controls.visible[IdcKeyList], to == PageKeys);
        for (int command : {CmdCaptureKeys, CmdDeleteKey, CmdClearKeys}) {
            EXPECT_EQ(controls.enabled[command], to == PageKeys) << command;
        }
    }
}

}  // namespace
