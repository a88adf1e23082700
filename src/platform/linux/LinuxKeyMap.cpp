#include "platform/linux/LinuxKeyMap.h"

#include <linux/input-event-codes.h>

#include <array>

namespace {

struct KeyPair {
    int linuxCode;
    int virtualKey;
};

constexpr KeyPair kKeyPairs[] = {
    // Function keys: a handset's soft, call and volume keys arrive as these too.
    {KEY_F1, 112},
    {KEY_F2, 113},
    {KEY_F3, 114},
    {KEY_F4, 115},
    {KEY_F5, 116},
    {KEY_F6, 117},
    {KEY_F7, 118},
    {KEY_F8, 119},
    {KEY_F9, 120},
    {KEY_F10, 121},
    {KEY_F11, 122},
    {KEY_F12, 123},
    {KEY_F13, 124},
    {KEY_F14, 125},
    {KEY_F15, 126},
    {KEY_F16, 127},
    {KEY_F17, 128},
    {KEY_F18, 129},
    {KEY_F19, 130},
    {KEY_F20, 131},
    {KEY_F21, 132},
    {KEY_F22, 133},
    {KEY_F23, 134},
    {KEY_F24, 135},
    {KEY_A, 65},
    {KEY_B, 66},
    {KEY_C, 67},
    {KEY_D, 68},
    {KEY_E, 69},
    {KEY_F, 70},
    {KEY_G, 71},
    {KEY_H, 72},
    {KEY_I, 73},
    {KEY_J, 74},
    {KEY_K, 75},
    {KEY_L, 76},
    {KEY_M, 77},
    {KEY_N, 78},
    {KEY_O, 79},
    {KEY_P, 80},
    {KEY_Q, 81},
    {KEY_R, 82},
    {KEY_S, 83},
    {KEY_T, 84},
    {KEY_U, 85},
    {KEY_V, 86},
    {KEY_W, 87},
    {KEY_X, 88},
    {KEY_Y, 89},
    {KEY_Z, 90},
    {KEY_0, 48},
    {KEY_1, 49},
    {KEY_2, 50},
    {KEY_3, 51},
    {KEY_4, 52},
    {KEY_5, 53},
    {KEY_6, 54},
    {KEY_7, 55},
    {KEY_8, 56},
    {KEY_9, 57},
    {KEY_BACKSPACE, 8},
    {KEY_TAB, 9},
    {KEY_CLEAR, 12},
    {KEY_ENTER, 13},
    {KEY_KPENTER, 13},
    {KEY_LEFTSHIFT, 160},
    {KEY_RIGHTSHIFT, 161},
    {KEY_LEFTCTRL, 162},
    {KEY_RIGHTCTRL, 163},
    {KEY_LEFTALT, 164},
    {KEY_RIGHTALT, 165},
    {KEY_PAUSE, 19},
    {KEY_CAPSLOCK, 20},
    {KEY_ESC, 27},
    {KEY_SPACE, 32},
    {KEY_PAGEUP, 33},
    {KEY_PAGEDOWN, 34},
    {KEY_END, 35},
    {KEY_HOME, 36},
    {KEY_LEFT, 37},
    {KEY_UP, 38},
    {KEY_RIGHT, 39},
    {KEY_DOWN, 40},
    {KEY_SELECT, 41},
    {KEY_PRINT, 42},
    {KEY_SYSRQ, 44},
    {KEY_INSERT, 45},
    {KEY_DELETE, 46},
    {KEY_HELP, 47},
    {KEY_LEFTMETA, 91},
    {KEY_RIGHTMETA, 92},
    {KEY_COMPOSE, 93},
    {KEY_MENU, 93},
    {KEY_SLEEP, 95},
    {KEY_KP0, 96},
    {KEY_KP1, 97},
    {KEY_KP2, 98},
    {KEY_KP3, 99},
    {KEY_KP4, 100},
    {KEY_KP5, 101},
    {KEY_KP6, 102},
    {KEY_KP7, 103},
    {KEY_KP8, 104},
    {KEY_KP9, 105},
    {KEY_KPASTERISK, 106},
    {KEY_KPPLUS, 107},
    {KEY_KPCOMMA, 108},
    {KEY_KPMINUS, 109},
    {KEY_KPDOT, 110},
    {KEY_KPSLASH, 111},
    {KEY_NUMLOCK, 144},
    {KEY_SCROLLLOCK, 145},
    // A handset's volume rocker and power key stand where the handset's own aliases are.
    {KEY_VOLUMEUP, 117},
    {KEY_VOLUMEDOWN, 118},
    {KEY_POWER, 129},
    {KEY_BACK, 166},
    {KEY_FORWARD, 167},
    {KEY_REFRESH, 168},
    {KEY_STOP, 169},
    {KEY_SEARCH, 170},
    {KEY_BOOKMARKS, 171},
    {KEY_HOMEPAGE, 172},
    {KEY_MUTE, 173},
    {KEY_NEXTSONG, 176},
    {KEY_PREVIOUSSONG, 177},
    {KEY_STOPCD, 178},
    {KEY_PLAYPAUSE, 179},
    {KEY_MAIL, 180},
    {KEY_MEDIA, 181},
    {KEY_PROG1, 182},
    {KEY_PROG2, 183},
    {KEY_SEMICOLON, 186},
    {KEY_EQUAL, 187},
    {KEY_COMMA, 188},
    {KEY_MINUS, 189},
    {KEY_DOT, 190},
    {KEY_SLASH, 191},
    {KEY_GRAVE, 192},
    {KEY_LEFTBRACE, 219},
    {KEY_BACKSLASH, 220},
    {KEY_RIGHTBRACE, 221},
    {KEY_APOSTROPHE, 222},
    {KEY_102ND, 226},
    {KEY_PLAY, 250},
    {KEY_ZOOM, 251},
};

constexpr int kTableSize = KEY_MAX + 1;

constexpr std::array<short, kTableSize> BuildTable() {
    std::array<short, kTableSize> table{};
    for (auto& entry : table) {
        entry = -1;
    }
    for (const auto& pair : kKeyPairs) {
        table[pair.linuxCode] = static_cast<short>(pair.virtualKey);
    }
    return table;
}

constexpr std::array<short, kTableSize> kTable = BuildTable();

}  // namespace

int VirtualKeyOfLinuxKey(int linuxKeyCode) {
    if (linuxKeyCode < 0 || linuxKeyCode >= kTableSize) {
        return -1;
    }
    return kTable[linuxKeyCode];
}
