#include "options/OptionsDialog.h"

#include <array>
#include <utility>

#include "options/AlarmKeyEditor.h"
#include "options/OptionsIds.h"
#include "platform/DialogControls.h"
#include "settings/Settings.h"

namespace {

struct PageControl {
    int controlId;
    int page;
};

constexpr std::array kPageControls{
    PageControl{IdcImsiLabel, PageGeneral},
    PageControl{IdcImsi, PageGeneral},
    PageControl{IdcBalanceLabel, PageGeneral},
    PageControl{IdcBalance, PageGeneral},
    PageControl{IdcPressTimeLabel, PageGeneral},
    PageControl{IdcPressTime, PageGeneral},
    PageControl{IdcLogEnabled, PageGeneral},
    PageControl{IdcFrequencyGroup, PageGeneral},
    PageControl{IdcEvery10Seconds, PageGeneral},
    PageControl{IdcEveryMinute, PageGeneral},
    PageControl{IdcEvery5Minutes, PageGeneral},
    PageControl{IdcEveryHour, PageGeneral},
    PageControl{IdcEvery4Hours, PageGeneral},
    PageControl{IdcMainServerLabel, PageConnection},
    PageControl{IdcMainServer, PageConnection},
    PageControl{IdcReserveServerLabel, PageConnection},
    PageControl{IdcReserveServer, PageConnection},
    PageControl{IdcPortLabel, PageConnection},
    PageControl{IdcPort, PageConnection},
    PageControl{IdcOutSats, PageConnection},
    PageControl{IdcKeyList, PageKeys},
    PageControl{IdcKeyListLabel, PageKeys},
};

struct FrequencyButton {
    int controlId;
    int frequency;
    bool drainsBattery;
};

// In the order accept looks at them: the rarest first.
constexpr std::array kFrequencyButtons{
    FrequencyButton{IdcEvery4Hours, 144000, false}, FrequencyButton{IdcEveryHour, 36000, false},
    FrequencyButton{IdcEvery5Minutes, 3000, true},  FrequencyButton{IdcEveryMinute, 600, true},
    FrequencyButton{IdcEvery10Seconds, 100, true},
};

constexpr int kDefaultFrequency = 36000;

std::string FlagText(bool on) {
    return on ? "1" : "0";
}

}  // namespace

COptionsDialog::COptionsDialog(CSettings& settings, AlarmKeyEditor& keys, std::string imsi,
                               DialogControls& controls)
    : settings_(settings),
      keys_(keys),
      imsi_(std::move(imsi)),
      controls_(controls),
      pages_(controls) {}

COptionsDialog::~COptionsDialog() {
    if (capturing_) {
        keys_.SetCaptureTarget(nullptr);
    }
}

void COptionsDialog::OnInitDialog() {
    SetKeyCommandsEnabled(false);
    for (const PageControl& c : kPageControls) {
        pages_.Add(c.controlId, c.page);
    }
    FillControls();
    keys_.FillKeyList(controls_.KeyList());
    currentPage_ = PageGeneral;
    pages_.ShowPage(PageGeneral);
    pages_.HidePage(PageConnection);
    pages_.HidePage(PageKeys);
}

void COptionsDialog::FillControls() {
    controls_.SetText(IdcImsi, imsi_);
    controls_.SetText(IdcBalance, std::to_string(settings_.MinimalBalance));
    controls_.SetText(IdcPressTime, std::to_string(settings_.AlertPressTime));
    controls_.SetChecked(IdcLogEnabled, settings_.LogEnabled);
    int frequencyButton = IdcEveryHour;  // also for a stored value that is none of the five
    for (const FrequencyButton& b : kFrequencyButtons) {
        if (b.frequency == settings_.Frequency) {
            frequencyButton = b.controlId;
        }
    }
    controls_.SetChecked(frequencyButton, true);
    controls_.SetText(IdcMainServer, settings_.GetMainServer());
    controls_.SetText(IdcReserveServer, settings_.GetReserveServer());
    controls_.SetText(IdcPort, std::to_string(settings_.Port));
    controls_.SetChecked(IdcOutSats, settings_.OutSats);
}

void COptionsDialog::OnPageChanging(int page) {
    pages_.HidePage(page);
    if (page == PageKeys) {
        SetKeyCommandsEnabled(false);
    }
}

void COptionsDialog::OnPageChanged(int page) {
    currentPage_ = page;
    pages_.ShowPage(page);
    if (page == PageKeys) {
        SetKeyCommandsEnabled(true);
    }
}

void COptionsDialog::SetKeyCommandsEnabled(bool enabled) {
    controls_.SetCommandEnabled(CmdDeleteKey, enabled);
    controls_.SetCommandEnabled(CmdClearKeys, enabled);
    controls_.SetCommandEnabled(CmdCaptureKeys, enabled);
}

void COptionsDialog::OnCommand(int commandId) {
    if (ended_ || capturing_) {
        return;
    }
    switch (commandId) {
        case IdOk:
        case CmdAcceptOptions:
            Accept(commandId);
            break;
        case CmdCancelOptions:
            End(CmdCancelOptions);
            break;
        // The key commands act only where their page is shown, whoever sends them.
        case CmdCaptureKeys:
            if (currentPage_ == PageKeys) {
                CaptureKeys();
            }
            break;
        case CmdDeleteKey:
            if (currentPage_ == PageKeys) {
                keys_.DeleteSelectedKey(controls_.KeyList());
            }
            break;
        case CmdClearKeys:
            if (currentPage_ == PageKeys) {
                keys_.ClearKeyList(controls_.KeyList());
            }
            break;
        default:  // IdCancel (Escape) among them: only "Отменить" or closing ends the dialog
            break;
    }
}

void COptionsDialog::OnClose() {
    if (!ended_ && !capturing_) {
        End(OptionsClosedResult);
    }
}

void COptionsDialog::Accept(int commandId) {
    std::string errors;
    std::string warning;
    if (!settings_.SetValue("MinimalBalance", controls_.Text(IdcBalance))) {
        errors += "Недопустимое значение баланса\r\n";
    }
    settings_.SetValue("AlertPressTime", controls_.Text(IdcPressTime));
    settings_.SetValue("LogEnabled", FlagText(controls_.IsChecked(IdcLogEnabled)));

    int frequency = 0;
    for (const FrequencyButton& b : kFrequencyButtons) {
        if (controls_.IsChecked(b.controlId)) {
            frequency = b.frequency;
            if (b.drainsBattery) {
                warning = kBatteryWarning;
            }
            break;
        }
    }
    if (frequency == 0) {
        errors += "Не выбрана частота связи с сервером\r\n";
        frequency = kDefaultFrequency;
    }
    settings_.SetValue("Frequency", std::to_string(frequency));

    if (!settings_.SetValue("MainServer", controls_.Text(IdcMainServer))) {
        errors += "Недопустимый адрес основного сервера\r\n";
    }
    if (!settings_.SetValue("ReserveServer", controls_.Text(IdcReserveServer))) {
        errors += "Недопустимый адрес резервного сервера\r\n";
    }
    if (!settings_.SetValue("Port", controls_.Text(IdcPort))) {
        errors += "Недопустимый порт\r\n";
    }
    settings_.SetValue("OutSats", FlagText(controls_.IsChecked(IdcOutSats)));
    keys_.CommitEdited();
    settings_.SetValue("PermittedKeys", keys_.PermittedText());

    if (!errors.empty()) {
        controls_.MessageBox(errors, kErrorCaption, DialogControls::Icon::Error);
        return;
    }
    if (!warning.empty()) {
        controls_.MessageBox(warning, kWarningCaption, DialogControls::Icon::Exclamation);
    }
    const std::string saveError = settings_.Save();
    if (!saveError.empty()) {
        controls_.MessageBox(saveError, kErrorCaption, DialogControls::Icon::Error);
        return;
    }
    End(commandId);
}

void COptionsDialog::CaptureKeys() {
    ListBox* list = controls_.KeyList();
    if (list == nullptr) {
        return;
    }
    capturing_ = true;
    keys_.SetCaptureTarget(list);
    controls_.FocusKeyList();
    controls_.MessageBox(kCaptureText, kCaptureCaption, DialogControls::Icon::None);
    keys_.SetCaptureTarget(nullptr);
    capturing_ = false;
}

void COptionsDialog::End(int result) {
    ended_ = true;
    controls_.EndDialog(result);
}
