#pragma once

#include <string>

#include "options/DialogPages.h"

class AlarmKeyEditor;
class CSettings;
class DialogControls;

// The logic of the options dialog: fills the controls from the settings, switches
// pages, applies the controls to the settings on accept, and runs the key capture.
// The front end forwards the dialog's events here and draws what it is told.
class COptionsDialog {
public:
    static constexpr const char* kCaptureText =
        "Нажмите кнопки, которые хотите использовать для вызова тревоги, а затем закройте "
        "сообщение.";
    static constexpr const char* kCaptureCaption = "  Режим определения";
    static constexpr const char* kErrorCaption = "  Ошибка";
    static constexpr const char* kWarningCaption = "  Предупреждение";
    static constexpr const char* kBatteryWarning =
        "Вы установили «постоянный» режим определения и отравки координат. Учтите, что это "
        "сильно увеличит расход заряда батареи.";

    COptionsDialog(CSettings& settings, AlarmKeyEditor& keys, std::string imsi,
                   DialogControls& controls);
    COptionsDialog(const COptionsDialog&) = delete;
    COptionsDialog& operator=(const COptionsDialog&) = delete;
    ~COptionsDialog();

    void OnInitDialog();
    // The tab selection is about to leave page, and has just reached page.
    void OnPageChanging(int page);
    void OnPageChanged(int page);
    void OnCommand(int commandId);
    void OnClose();

    int CurrentPage() const { return currentPage_; }
    bool IsCapturing() const { return capturing_; }

private:
    void FillControls();
    void Accept(int commandId);
    void CaptureKeys();
    void SetKeyCommandsEnabled(bool enabled);
    void End(int result);

    CSettings& settings_;
    AlarmKeyEditor& keys_;
    std::string imsi_;
    DialogControls& controls_;
    CDialogPages pages_;
    int currentPage_ = 0;
    bool capturing_ = false;
    bool ended_ = false;
};
