#pragma once

// Timers of the main window. Hold timers use the virtual-key code 0..255 as their id.
constexpr int TickTimerId = 304;
constexpr int AlarmPopupTimerId = 308;
constexpr int TickPeriodMs = 100;
constexpr int AlarmPopupPeriodMs = 2000;

// The notification icon's tap.
constexpr int TrayIconMessage = 1347;

// Menu commands.
constexpr int CmdExit = 40020;
constexpr int CmdHide = 40021;
constexpr int CmdSettings = 40022;
constexpr int CmdTest = 40023;
constexpr int CmdToggleLog = 40025;

// Notification icons.
constexpr int IconIdle = 198;
constexpr int IconIntimate = 199;
constexpr int IconAlarm = 200;
constexpr int IconKeyHeld = 201;

// Pictures.
constexpr int PictureAlarmPopup = 174;
constexpr int PictureFailed = 177;
constexpr int PictureReady = 179;
constexpr int PictureDone = 180;
constexpr int PictureOff = 204;
constexpr int PictureModeIntimate = 226;
constexpr int PictureModeAlarm = 227;

constexpr const char* TrayTip = "Мини Зорвани";
constexpr const char* AlarmPopupTitle = "Тревога";
constexpr const char* WarningCaption = "  Предупреждение";

// The window's texts in the device's language: Russian unless the device is English.
struct WindowTexts {
    const char* className;
    const char* title;
    const char* closeQuestion;
    const char* closeCaption;
};

inline WindowTexts WindowTextsFor(bool english) {
    if (english) {
        return {"ZorvanyFonMainWindowClass", "MZorvany", "Do you really want to exit?", "Exit"};
    }
    return {"ZorvanyFonMainWindowClass", "МЗорвани",
            "Вы действительно хотите закрыть приложение? (Нажмите «Нет», чтобы просто скрыть его)",
            "  Выход"};
}
