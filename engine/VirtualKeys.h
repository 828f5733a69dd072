#pragma once
#include <cstdint>

// Virtual-key codes: the numbers the program's keyboard handlers compare key
// presses with (the Windows numbering, kept because settings and handlers
// store them). Letters and main-row digits are their ASCII capitals.
enum VirtualKey : uint8_t {
    kVkBack = 0x08,
    kVkTab = 0x09,
    kVkReturn = 0x0D,
    kVkShift = 0x10,
    kVkControl = 0x11,
    kVkMenu = 0x12, // Alt
    kVkPause = 0x13,
    kVkCapital = 0x14,
    kVkKana = 0x15,
    kVkKanji = 0x19,
    kVkEscape = 0x1B,
    kVkConvert = 0x1C,
    kVkNonConvert = 0x1D,
    kVkSpace = 0x20,
    kVkPrior = 0x21,
    kVkNext = 0x22,
    kVkEnd = 0x23,
    kVkHome = 0x24,
    kVkLeft = 0x25,
    kVkUp = 0x26,
    kVkRight = 0x27,
    kVkDown = 0x28,
    kVkInsert = 0x2D,
    kVkDelete = 0x2E,
    kVk0 = 0x30, // '0'..'9' follow
    kVkA = 0x41, // 'A'..'Z' follow
    kVkLWin = 0x5B,
    kVkRWin = 0x5C,
    kVkApps = 0x5D,
    kVkNumpad0 = 0x60, // numpad 0..9 follow
    kVkMultiply = 0x6A,
    kVkAdd = 0x6B,
    kVkSeparator = 0x6C,
    kVkSubtract = 0x6D,
    kVkDecimal = 0x6E,
    kVkDivide = 0x6F,
    kVkF1 = 0x70, // F1..F24 follow
    kVkNumlock = 0x90,
    kVkScroll = 0x91,
    kVkBrowserBack = 0xA6,
    kVkBrowserForward = 0xA7,
    kVkBrowserRefresh = 0xA8,
    kVkBrowserStop = 0xA9,
    kVkBrowserSearch = 0xAA,
    kVkBrowserFavorites = 0xAB,
    kVkBrowserHome = 0xAC,
    kVkVolumeMute = 0xAD,
    kVkVolumeDown = 0xAE,
    kVkVolumeUp = 0xAF,
    kVkMediaNextTrack = 0xB0,
    kVkMediaPrevTrack = 0xB1,
    kVkMediaStop = 0xB2,
    kVkMediaPlayPause = 0xB3,
    kVkLaunchMail = 0xB4,
    kVkLaunchMediaSelect = 0xB5,
    kVkOem1 = 0xBA,    // ;:
    kVkOemPlus = 0xBB, // =+
    kVkOemComma = 0xBC,
    kVkOemMinus = 0xBD,
    kVkOemPeriod = 0xBE,
    kVkOem2 = 0xBF, // /?
    kVkOem3 = 0xC0, // `~
    kVkOem4 = 0xDB, // [{
    kVkOem5 = 0xDC, // backslash
    kVkOem6 = 0xDD, // ]}
    kVkOem7 = 0xDE, // '"
    kVkOemAx = 0xE1,
    kVkOem102 = 0xE2,
};

// Fills the 256-entry table from keyboard scan code (platform/Input.h
// numbering) to virtual-key code; 0 for keys that have none. Left and right
// Ctrl, Shift and Alt give the side-less codes; the numeric pad's Enter gives
// the separator key.
void BuildVirtualKeyTable(uint8_t table[256]);
