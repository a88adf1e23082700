#include "options/OptionsDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "app/AlarmKeys.h"
#include "options/AlarmKeyEditor.h"
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
struct Box {
    std::string caption;
    Icon icon;
    std::string text;
    bool operator==(const Box&) const = default;
};

void PrintTo(const Box& box, std::ostream* out) {
    *out << "{" << box.caption << ", icon " << static_cast<int>(box.icon) << ", " << box.text
         << "}";
}

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
        boxes.push_back(Box{caption, icon, text});
        if (whileBoxShows) {
            whileBoxShows();
        }
    }
    void EndDialog(int result) override { endResult = result; }

    std::map<int, std::string> texts;
    std::set<int> checked;
    std::map<int, bool> visible, enabled;
    std::vector<Box> boxes;
    std::optional<int> endResult;
    SimListBox keyList;
    std::function<void()> whileBoxShows;
};

// Records what the dialog asks of the key table; commit makes the edited keys permitted.
class FakeKeyEditor final : public AlarmKeyEditor {
public:
    void FillKeyList(ListBox*) override { calls.push_back("fill"); }
    void DeleteSelectedKey(ListBox*) override { calls.push_back("delete"); }
    void ClearKeyList(ListBox*) override { calls.push_back("clear"); }
    void CommitEdited() override { permitted = edited; }
    std::string PermittedText() const override { return permitted; }
    void SetCaptureTarget(ListBox*) override {}

    std::vector<std::string> calls;
    std::string permitted = "All", edited = "All";
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
    FakeKeyEditor keys;
    std::unique_ptr<COptionsDialog> dialog;
};

struct FrequencyCase {
    const char* name;
    int stored;
    int button;
    int saved;
    bool batteryWarning;
};

void PrintTo(const FrequencyCase& c, std::ostream* out) {
    *out << c.name;
}

class FrequencyTest : public OptionsDialogTest,
                      public ::testing::WithParamInterface<FrequencyCase> {};

TEST_P(FrequencyTest, FillsTheControlsAndAcceptWritesThemBack) {
    const FrequencyCase& c = GetParam();
    settings.Frequency = c.stored;
    settings.MinimalBalance = -5;
    settings.AlertPressTime = 3;
    settings.LogEnabled = true;
    settings.OutSats = false;
    settings.MainServer = "10.1.2.3";
    settings.Port = 4001;
    Open();
    const std::map<int, std::string> texts{
        {IdcImsi, "250991234567890"}, {IdcBalance, "-5"},     {IdcPressTime, "3"},
        {IdcMainServer, "10.1.2.3"},  {IdcReserveServer, ""}, {IdcPort, "4001"}};
    EXPECT_EQ(controls.texts, texts);
    EXPECT_EQ(controls.checked, (std::set<int>{IdcLogEnabled, c.button}));

    dialog->OnCommand(IdOk);
    EXPECT_EQ(controls.endResult, IdOk);
    EXPECT_EQ(settings.Frequency, c.saved);
    const std::string params = Params();
    for (std::string line : {"MinimalBalance=-5", "AlertPressTime=3", "LogEnabled=1", "OutSats=0",
                             "MainServer=10.1.2.3", "Port=4001"}) {
        EXPECT_NE(params.find(line + "\r\n"), std::string::npos) << line << " in\n" << params;
    }
    EXPECT_NE(params.find("Frequency=" + std::to_string(c.saved)), std::string::npos);
    std::vector<Box> warning{
        {"  Предупреждение", Icon::Exclamation, COptionsDialog::kBatteryWarning}};
    EXPECT_EQ(controls.boxes, c.batteryWarning ? warning : std::vector<Box>{});
}

INSTANTIATE_TEST_SUITE_P(
    AllButtons, FrequencyTest,
    ::testing::Values(FrequencyCase{"Every10Seconds", 100, IdcEvery10Seconds, 100, true},
                      FrequencyCase{"EveryMinute", 600, IdcEveryMinute, 600, true},
                      FrequencyCase{"Every5Minutes", 3000, IdcEvery5Minutes, 3000, true},
                      FrequencyCase{"EveryHour", 36000, IdcEveryHour, 36000, false},
                      FrequencyCase{"Every4Hours", 144000, IdcEvery4Hours, 144000, false},
                      FrequencyCase{"UnlistedIsSavedAsEveryHour", 1200, IdcEveryHour, 36000,
                                    false}),
    [](const auto& row) { return std::string(row.param.name); });

struct RefusalCase {
    const char *name, *mainServer, *reserveServer, *port;
    bool noFrequency;
    const char* box;
};

class RefusalTest : public OptionsDialogTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, OneErrorBoxListsRefusalsInOrderAndKeepsWhatWasAccepted) {
    const RefusalCase& c = GetParam();
    settings.Frequency = 144000;
    keys.edited = "112,113";
    Open();
    controls.SetText(IdcMainServer, c.mainServer);
    controls.SetText(IdcReserveServer, c.reserveServer);
    controls.SetText(IdcPort, c.port);
    controls.SetText(IdcBalance, "42");
    controls.checked = c.noFrequency ? std::set<int>{} : std::set<int>{IdcEvery10Seconds};
    dialog->OnCommand(CmdAcceptOptions);

    EXPECT_EQ(controls.boxes, (std::vector<Box>{{"  Ошибка", Icon::Error, c.box}}))
        << "one box, and no battery warning beside the errors";
    EXPECT_FALSE(controls.endResult.has_value());
    EXPECT_EQ(Params(), "");
    // what was accepted is in force already, refused values keep the old ones
    EXPECT_EQ(settings.MinimalBalance, 42);
    EXPECT_EQ(settings.Frequency, c.noFrequency ? 36000 : 100);
    EXPECT_EQ(settings.PermittedKeys, "112,113");
    EXPECT_EQ(settings.MainServer, "127.0.0.1");
    EXPECT_EQ(settings.Port, 830);

    // corrected input is taken on the next try
    controls.SetText(IdcMainServer, "127.0.0.1");
    controls.SetText(IdcReserveServer, "");
    controls.SetText(IdcPort, "9000");
    controls.checked = {IdcEvery4Hours};
    dialog->OnCommand(IdOk);
    EXPECT_EQ(controls.endResult, IdOk);
    EXPECT_NE(Params().find("Port=9000"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RefusalTest,
    ::testing::Values(RefusalCase{"EmptyMain", "", "", "830", false,
                                  "Недопустимый адрес основного сервера\r\n"},
                      RefusalCase{"BadReserve", "127.0.0.1", "1.2.3", "830", false,
                                  "Недопустимый адрес резервного сервера\r\n"},
                      RefusalCase{"EmptyPort", "127.0.0.1", "", "", false, "Недопустимый порт\r\n"},
                      RefusalCase{"ZeroPort", "127.0.0.1", "", "0", false, "Недопустимый порт\r\n"},
                      RefusalCase{"All", "x", "y", "0", true,
                                  "Не выбрана частота связи с сервером\r\n"
                                  "Недопустимый адрес основного сервера\r\n"
                                  "Недопустимый адрес резервного сервера\r\n"
                                  "Недопустимый порт\r\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(OptionsDialogTest, FailedSaveShowsItsTextAndKeepsTheDialogOpen) {
    settings.Frequency = 600;
    writer.failWrites = true;
    Open();
    dialog->OnCommand(IdOk);
    ASSERT_EQ(controls.boxes.size(), 2u);
    EXPECT_EQ(controls.boxes[1],
              (Box{"  Ошибка", Icon::Error, "Ошибка записи файла " + settings.ParamsPath()}));
    EXPECT_FALSE(controls.endResult.has_value());
}

struct EndCase {
    const char* name;
    int command;  // kClose: the dialog is closed instead
    std::optional<int> result;
};

TEST_F(OptionsDialogTest, OnlyCancelAndClosingEndTheDialogAndNeitherApplies) {
    constexpr int kClose = -1;
    const EndCase cases[] = {{"DialogCancelId", IdCancel, {}},
                             {"UnknownCommand", 12345, {}},
                             {"CancelCommand", CmdCancelOptions, CmdCancelOptions},
                             {"Closed", kClose, OptionsClosedResult}};
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
    Open();
    for (int command : {CmdDeleteKey, CmdClearKeys, CmdCaptureKeys}) {
        EXPECT_FALSE(controls.enabled[command]);
        dialog->OnCommand(command);
    }
    EXPECT_EQ(keys.calls, std::vector<std::string>{"fill"});
    EXPECT_TRUE(controls.boxes.empty());

    const PageStep steps[] = {{"StayOnGeneral", PageGeneral, PageGeneral},
                              {"GeneralToKeys", PageGeneral, PageKeys},
                              {"KeysToConnection", PageKeys, PageConnection},
                              {"ConnectionToKeys", PageConnection, PageKeys}};
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
    dialog->OnCommand(CmdDeleteKey);
    dialog->OnCommand(CmdClearKeys);
    EXPECT_EQ(keys.calls, (std::vector<std::string>{"fill", "delete", "clear"}));
}

TEST_F(OptionsDialogTest, TheKeyThatClosesTheCaptureBoxIsCaptured) {
    CAlarmKeys table;
    table.LoadPermitted("112");
    COptionsDialog withTable(settings, table, "250991234567890", controls);
    withTable.OnInitDialog();
    withTable.OnPageChanging(PageGeneral);
    withTable.OnPageChanged(PageKeys);
    controls.whileBoxShows = [&] { table.KeyDown(0, 0, 13); };  // Enter closes the box
    withTable.OnCommand(CmdCaptureKeys);
    controls.whileBoxShows = nullptr;
    table.KeyDown(0, 0, 27);  // after the box, an ordinary key again
    ASSERT_EQ(controls.boxes.size(), 1u);
    std::vector<std::string> codes;
    for (const std::string& item : controls.keyList.items) {
        codes.push_back(item.substr(0, item.find(' ')));
    }
    EXPECT_EQ(codes, (std::vector<std::string>{"112", "13"}));
}

}  // namespace
