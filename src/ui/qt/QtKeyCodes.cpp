#include "ui/qt/QtKeyCodes.h"

#include <QKeyEvent>
#include <utility>

#include "platform/linux/LinuxKeyMap.h"

namespace {

// The window systems we run on (X11, Wayland, libinput) number keys as XKB does: the
// Linux key code plus 8.
constexpr std::uint32_t kXkbOffset = 8;

// For key events without a native scan code (synthetic ones): the codes the same key
// gets through the Linux key table, the left one of a pair of modifiers.
constexpr std::pair<int, std::uint32_t> kKeys[] = {
    {Qt::Key_Backspace, 8},    {Qt::Key_Tab, 9},
    {Qt::Key_Clear, 12},       {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},       {Qt::Key_Shift, 160},
    {Qt::Key_Control, 162},    {Qt::Key_Alt, 164},
    {Qt::Key_AltGr, 165},      {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},    {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},       {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},    {Qt::Key_End, 35},
    {Qt::Key_Home, 36},        {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},          {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},        {Qt::Key_Select, 41},
    {Qt::Key_Print, 44},       {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},      {Qt::Key_Help, 47},
    {Qt::Key_Meta, 91},        {Qt::Key_Menu, 93},
    {Qt::Key_Sleep, 95},       {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145}, {Qt::Key_VolumeUp, 117},
    {Qt::Key_VolumeDown, 118}, {Qt::Key_PowerOff, 129},
    {Qt::Key_Back, 166},       {Qt::Key_Forward, 167},
    {Qt::Key_Refresh, 168},    {Qt::Key_Stop, 169},
    {Qt::Key_Search, 170},     {Qt::Key_Favorites, 171},
    {Qt::Key_HomePage, 172},   {Qt::Key_VolumeMute, 173},
    {Qt::Key_MediaNext, 176},  {Qt::Key_MediaPrevious, 177},
    {Qt::Key_MediaStop, 178},  {Qt::Key_MediaPlay, 179},
    {Qt::Key_Semicolon, 186},  {Qt::Key_Equal, 187},
    {Qt::Key_Comma, 188},      {Qt::Key_Minus, 189},
    {Qt::Key_Period, 190},     {Qt::Key_Slash, 191},
    {Qt::Key_QuoteLeft, 192},  {Qt::Key_BracketLeft, 219},
    {Qt::Key_Backslash, 220},  {Qt::Key_BracketRight, 221},
    {Qt::Key_Apostrophe, 222},
};

// Keys that the keypad and the main keyboard share.
constexpr std::pair<int, std::uint32_t> kKeypadKeys[] = {
    {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},  {Qt::Key_Minus, 109},
    {Qt::Key_Period, 110},   {Qt::Key_Slash, 111},
};

std::uint32_t VirtualKeyOfQtKey(int key, bool keypad) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return static_cast<std::uint32_t>('A' + (key - Qt::Key_A));
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        const auto digit = static_cast<std::uint32_t>(key - Qt::Key_0);
        return keypad ? 96 + digit : '0' + digit;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return static_cast<std::uint32_t>(112 + (key - Qt::Key_F1));
    }
    if (keypad) {
        for (const auto& [qtKey, virtualKey] : kKeypadKeys) {
            if (qtKey == key) {
                return virtualKey;
            }
        }
    }
    for (const auto& [qtKey, virtualKey] : kKeys) {
        if (qtKey == key) {
            return virtualKey;
        }
    }
    return 0;
}

}  // namespace

std::uint32_t VirtualKeyOf(const QKeyEvent& event) {
    const std::uint32_t scanCode = event.nativeScanCode();
    if (scanCode >= kXkbOffset) {
        const int code = VirtualKeyOfLinuxKey(static_cast<int>(scanCode - kXkbOffset));
        return code < 0 ? 0 : static_cast<std::uint32_t>(code);
    }
    return VirtualKeyOfQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
}
