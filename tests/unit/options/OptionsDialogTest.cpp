#include "options/OptionsDialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimSoundPlayer.h"
#include "settings/Settings.h"
#include "unit/options/FakeDialog.h"

namespace {

class StubListBox final : public ListBox {
public:
    int Count() const override { return 0; }
    int Insert(int, const std::string&) override { return -1; }
    bool Text(int, std::string&) const override { return false; }
    bool Remove(int) override { return false; }
    void RemoveAll() override {}
    int FindExact(const std::string&) const override { return -1; }
    int Selected() const override { return -1; }
    void Select(int) override {}
    int LineWidth(const std::string&) const override { return 0; }
    int HorizontalExtent() const override { return 0; }
    void SetHorizontalExtent(int) override {}
    void SetVisible(bool) override {}
    void SetFocus() override {}
};

std::string TempAppData() {
    static int serial = 0;
    auto path = std::filesystem::temp_directory_path() /
                ("mz-options-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + std::to_string(++serial) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path.string();
}

class OptionsDialogTest : public ::testing::Test {
protected:
    OptionsDialogTest()
        : appData(TempAppData()),
          folders(appData, appData + "/bin/mzorvany"),
          settings([](const std::string&) {}, CSettings::Platform{clock, folders, sound, writer}) {
        controls.keyList = &keyList;
    }
    ~OptionsDialogTest() override { std::filesystem::remove_all(appData); }

    COptionsDialog& Open() {
        dialog = std::make_unique<COptionsDialog>(settings, keys, "250991234567890", controls);
        dialog->OnInitDialog();
        return *dialog;
    }
    bool ParamsWritten() const { return std::filesystem::exists(settings.ParamsPath()); }
    std::string ReadParams() const {
        std::ifstream in(settings.ParamsPath(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void CheckOnly(int button) { controls.SetChecked(button, true); }

    std::string appData;
    SimClock clock;
    SimFolders folders;
    SimSoundPlayer sound;
    SimFileWriter writer;
    CSettings settings;
    StubListBox keyList;
    FakeDialogControls controls;
    FakeKeyEditor keys;
    std::unique_ptr<COptionsDialog> dialog;
};

TEST_F(OptionsDialogTest, FillsEveryControlFromTheSettings) {
    settings.MinimalBalance = -5;
    settings.AlertPressTime = 3;
    settings.LogEnabled = true;
    settings.OutSats = false;
    settings.MainServer = "10.1.2.3";
    settings.ReserveServer = "";
    settings.Port = 4001;
    Open();
    EXPECT_EQ(controls.Text(IdcImsi), "250991234567890");
    EXPECT_EQ(controls.Text(IdcBalance), "-5");
    EXPECT_EQ(controls.Text(IdcPressTime), "3");
    EXPECT_EQ(controls.Text(IdcMainServer), "10.1.2.3");
    EXPECT_EQ(controls.Text(IdcReserveServer), "");
    EXPECT_EQ(controls.Text(IdcPort), "4001");
    EXPECT_TRUE(controls.IsChecked(IdcLogEnabled));
    EXPECT_FALSE(controls.IsChecked(IdcOutSats));
    EXPECT_EQ(keys.calls, std::vector<std::string>{"fill"});
}

struct FrequencyCase {
    int stored;
    int button;
    int saved;
    bool batteryWarning;
};

class FrequencyTest : public OptionsDialogTest,
                      public ::testing::WithParamInterface<FrequencyCase> {};

TEST_P(FrequencyTest, StoredValueChecksItsButtonAndAcceptWritesItsValue) {
    const FrequencyCase& c = GetParam();
    settings.Frequency = c.stored;
    Open();
    EXPECT_EQ(controls.checked.count(c.button), 1u);
    int checkedButtons = 0;
    for (int b : FakeDialogControls::kFrequencyButtons) {
        checkedButtons += controls.IsChecked(b) ? 1 : 0;
    }
    EXPECT_EQ(checkedButtons, 1);

    dialog->OnCommand(IdOk);
    EXPECT_EQ(settings.Frequency, c.saved);
    ASSERT_EQ(controls.boxes.size(), c.batteryWarning ? 1u : 0u);
    if (c.batteryWarning) {
        EXPECT_EQ(controls.boxes[0].text, COptionsDialog::kBatteryWarning);
        EXPECT_EQ(controls.boxes[0].caption, "  Предупреждение");
        EXPECT_EQ(controls.boxes[0].icon, DialogControls::Icon::Exclamation);
    }
    EXPECT_EQ(controls.endResult, IdOk);
    EXPECT_NE(ReadParams().find("Frequency=" + std::to_string(c.saved)), std::string::npos)
        << ReadParams();
}

INSTANTIATE_TEST_SUITE_P(AllButtons, FrequencyTest,
                         ::testing::Values(FrequencyCase{100, IdcEvery10Seconds, 100, true},
                                           FrequencyCase{600, IdcEveryMinute, 600, true},
                                           FrequencyCase{3000, IdcEvery5Minutes, 3000, true},
                                           FrequencyCase{36000, IdcEveryHour, 36000, false},
                                           FrequencyCase{144000, IdcEvery4Hours, 144000, false},
                                           FrequencyCase{1200, IdcEveryHour, 36000, false},
                                           FrequencyCase{-7, IdcEveryHour, 36000, false}));

struct RefusalCase {
    const char* name;
    const char* mainServer;
    const char* reserveServer;
    const char* port;
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
    CheckOnly(IdcEvery10Seconds);
    if (c.noFrequency) {
        controls.checked.erase(IdcEvery10Seconds);
    }

    dialog->OnCommand(CmdAcceptOptions);

    ASSERT_EQ(controls.boxes.size(), 1u) << "no battery warning beside the errors";
    EXPECT_EQ(controls.boxes[0].text, c.box);
    EXPECT_EQ(controls.boxes[0].caption, "  Ошибка");
    EXPECT_EQ(controls.boxes[0].icon, DialogControls::Icon::Error);
    EXPECT_FALSE(controls.endResult.has_value());
    EXPECT_FALSE(ParamsWritten());
    // what was accepted is in force already, refused values keep the old ones
    EXPECT_EQ(settings.MinimalBalance, 42);
    EXPECT_EQ(settings.Frequency, c.noFrequency ? 36000 : 100);
    EXPECT_EQ(settings.PermittedKeys, "112,113");
    EXPECT_EQ(settings.MainServer, "127.0.0.1");
    EXPECT_EQ(settings.Port, 830);

    // a cancel afterwards undoes nothing and writes nothing
    dialog->OnCommand(CmdCancelOptions);
    EXPECT_EQ(controls.endResult, CmdCancelOptions);
    EXPECT_EQ(settings.PermittedKeys, "112,113");
    EXPECT_FALSE(ParamsWritten());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RefusalTest,
    ::testing::Values(RefusalCase{"EmptyMain", "", "", "830", false,
                                  "Недопустимый адрес основного сервера\r\n"},
                      RefusalCase{"BadReserve", "127.0.0.1", "1.2.3", "830", false,
                                  "Недопустимый адрес резервного сервера\r\n"},
                      RefusalCase{"EmptyPort", "127.0.0.1", "", "", false, "Недопустимый порт\r\n"},
                      RefusalCase{"ZeroPort", "127.0.0.1", "", "0", false, "Недопустимый порт\r\n"},
                      RefusalCase{"TwoFields", "host", "", "0", false,
                                  "Недопустимый адрес основного сервера\r\nНедопустимый порт\r\n"},
                      RefusalCase{"All", "x", "y", "0", true,
                                  "Не выбрана частота связи с сервером\r\n"
                                  "Недопустимый адрес основного сервера\r\n"
                                  "Недопустимый адрес резервного сервера\r\n"
                                  "Недопустимый порт\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionsDialogTest, CorrectedInputIsAcceptedOnTheSecondTry) {
    Open();
    controls.SetText(IdcPort, "0");
    dialog->OnCommand(IdOk);
    ASSERT_FALSE(controls.endResult.has_value());
    controls.SetText(IdcPort, "9000");
    dialog->OnCommand(IdOk);
    EXPECT_EQ(controls.endResult, IdOk);
    EXPECT_EQ(settings.Port, 9000);
    EXPECT_NE(ReadParams().find("Port=9000"), std::string::npos);
}

TEST_F(OptionsDialogTest, FailedSaveShowsItsTextAndKeepsTheDialogOpen) {
    settings.Frequency = 600;
    writer.failWrites = true;
    Open();
    dialog->OnCommand(IdOk);
    ASSERT_EQ(controls.boxes.size(), 2u);
    EXPECT_EQ(controls.boxes[0].caption, "  Предупреждение");
    EXPECT_EQ(controls.boxes[1].text, "Ошибка записи файла " + settings.ParamsPath());
    EXPECT_EQ(controls.boxes[1].caption, "  Ошибка");
    EXPECT_FALSE(controls.endResult.has_value());
}

struct EndingCase {
    int command;
    std::optional<int> result;
};

class EndingTest : public OptionsDialogTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(EndingTest, OnlyCancelEndsWithoutApplying) {
    Open();
    controls.SetText(IdcPort, "1234");
    dialog->OnCommand(GetParam().command);
    EXPECT_EQ(controls.endResult, GetParam().result);
    EXPECT_EQ(settings.Port, 830);
    EXPECT_TRUE(controls.boxes.empty());
    EXPECT_EQ(keys.calls, std::vector<std::string>{"fill"});
}

INSTANTIATE_TEST_SUITE_P(Commands, EndingTest,
                         ::testing::Values(EndingCase{CmdCancelOptions, CmdCancelOptions},
                                           EndingCase{IdCancel, std::nullopt},
                                           EndingCase{12345, std::nullopt}));

TEST_F(OptionsDialogTest, CloseRequestEndsWithSixteenAndAppliesNothing) {
    Open();
    controls.SetText(IdcPort, "1234");
    dialog->OnClose();
    EXPECT_EQ(controls.endResult, OptionsClosedResult);
    EXPECT_EQ(settings.Port, 830);
}

TEST_F(OptionsDialogTest, PagesShowTheirControlsAndKeyCommandsOnlyOnTheKeysPage) {
    Open();
    EXPECT_TRUE(controls.visible[IdcBalance]);
    EXPECT_FALSE(controls.visible[IdcPort]);
    EXPECT_FALSE(controls.visible[IdcKeyList]);
    for (int command : {CmdCaptureKeys, CmdDeleteKey, CmdClearKeys}) {
        EXPECT_FALSE(controls.enabled[command]) << command;
    }

    const struct {
        int from;
        int to;
        bool keyCommands;
    } steps[] = {{0, 2, true}, {2, 1, false}, {1, 2, true}, {2, 0, false}};
    for (const auto& step : steps) {
        dialog->OnPageChanging(step.from);
        dialog->OnPageChanged(step.to);
        EXPECT_EQ(controls.visible[IdcBalance], step.to == PageGeneral);
        EXPECT_EQ(controls.visible[IdcEvery4Hours], step.to == PageGeneral);
        EXPECT_EQ(controls.visible[IdcOutSats], step.to == PageConnection);
        EXPECT_EQ(controls.visible[IdcKeyList], step.to == PageKeys);
        for (int command : {CmdCaptureKeys, CmdDeleteKey, CmdClearKeys}) {
            EXPECT_EQ(controls.enabled[command], step.keyCommands) << step.from << "->" << step.to;
        }
    }
}

TEST_F(OptionsDialogTest, KeyCommandsActOnlyOnTheKeysPage) {
    Open();
    dialog->OnCommand(CmdDeleteKey);
    dialog->OnCommand(CmdClearKeys);
    dialog->OnCommand(CmdCaptureKeys);
    EXPECT_EQ(keys.calls, std::vector<std::string>{"fill"});
    EXPECT_TRUE(controls.boxes.empty());

    dialog->OnPageChanging(PageGeneral);
    dialog->OnPageChanged(PageKeys);
    dialog->OnCommand(CmdDeleteKey);
    dialog->OnCommand(CmdClearKeys);
    EXPECT_EQ(keys.calls, (std::vector<std::string>{"fill", "delete", "clear"}));
}

TEST_F(OptionsDialogTest, CaptureRoutesKeysToTheListOnlyWhileItsBoxIsOpen) {
    Open();
    dialog->OnPageChanged(PageKeys);
    ListBox* targetDuringBox = nullptr;
    controls.whileBoxOpen = [&] {
        targetDuringBox = keys.captureTarget;
        // the dialog ignores its commands until the box is closed
        dialog->OnCommand(CmdCancelOptions);
        dialog->OnClose();
    };
    dialog->OnCommand(CmdCaptureKeys);
    ASSERT_EQ(controls.boxes.size(), 1u);
    EXPECT_EQ(controls.boxes[0].text, COptionsDialog::kCaptureText);
    EXPECT_EQ(controls.boxes[0].caption, "  Режим определения");
    EXPECT_EQ(targetDuringBox, &keyList);
    EXPECT_EQ(keys.captureTarget, nullptr);
    EXPECT_FALSE(controls.endResult.has_value());
}

TEST_F(OptionsDialogTest, AcceptCommitsTheEditedKeysBeforeStoringThem) {
    keys.edited = "";
    Open();
    dialog->OnCommand(IdOk);
    EXPECT_EQ(settings.PermittedKeys, "");
    EXPECT_NE(ReadParams().find("PermittedKeys="), std::string::npos);
    EXPECT_EQ(controls.endResult, IdOk);
}

}  // namespace
