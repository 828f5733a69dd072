#include "engine/VirtualKeys.h"

#include "platform/Input.h"

#include <cstring>

namespace {

using namespace platform;

struct KeyPair {
    uint8_t scanCode;
    uint8_t virtualKey;
};

// Only the keys listed here have a virtual-key code; every other scan code
// (print screen, the launcher and power keys, the Japanese and Brazilian
// extras without one) stays 0.
constexpr KeyPair kPairs[] = {
    {kDikEscape, kVkEscape},
    {kDikDigit1, kVk0 + 1}, {kDikDigit2, kVk0 + 2}, {kDikDigit3, kVk0 + 3}, {kDikDigit4, kVk0 + 4},
    {kDikDigit5, kVk0 + 5}, {kDikDigit6, kVk0 + 6}, {kDikDigit7, kVk0 + 7}, {kDikDigit8, kVk0 + 8},
    {kDikDigit9, kVk0 + 9}, {kDikDigit0, kVk0},
    {kDikMinus, kVkOemMinus}, {kDikEquals, kVkOemPlus}, {kDikBack, kVkBack}, {kDikTab, kVkTab},
    {kDikA, 'A'}, {kDikB, 'B'}, {kDikC, 'C'}, {kDikD, 'D'}, {kDikE, 'E'}, {kDikF, 'F'}, {kDikG, 'G'},
    {kDikH, 'H'}, {kDikI, 'I'}, {kDikJ, 'J'}, {kDikK, 'K'}, {kDikL, 'L'}, {kDikM, 'M'}, {kDikN, 'N'},
    {kDikO, 'O'}, {kDikP, 'P'}, {kDikQ, 'Q'}, {kDikR, 'R'}, {kDikS, 'S'}, {kDikT, 'T'}, {kDikU, 'U'},
    {kDikV, 'V'}, {kDikW, 'W'}, {kDikX, 'X'}, {kDikY, 'Y'}, {kDikZ, 'Z'},
    {kDikLbracket, kVkOem4}, {kDikRbracket, kVkOem6}, {kDikReturn, kVkReturn}, {kDikLcontrol, kVkControl},
    {kDikSemicolon, kVkOem1}, {kDikApostrophe, kVkOem7}, {kDikGrave, kVkOem3}, {kDikLshift, kVkShift},
    {kDikBackslash, kVkOem5}, {kDikComma, kVkOemComma}, {kDikPeriod, kVkOemPeriod}, {kDikSlash, kVkOem2},
    {kDikRshift, kVkShift}, {kDikMultiply, kVkMultiply}, {kDikLmenu, kVkMenu}, {kDikSpace, kVkSpace},
    {kDikCapital, kVkCapital},
    {kDikF1, kVkF1}, {kDikF2, kVkF1 + 1}, {kDikF3, kVkF1 + 2}, {kDikF4, kVkF1 + 3}, {kDikF5, kVkF1 + 4},
    {kDikF6, kVkF1 + 5}, {kDikF7, kVkF1 + 6}, {kDikF8, kVkF1 + 7}, {kDikF9, kVkF1 + 8}, {kDikF10, kVkF1 + 9},
    {kDikF11, kVkF1 + 10}, {kDikF12, kVkF1 + 11}, {kDikF13, kVkF1 + 12}, {kDikF14, kVkF1 + 13},
    {kDikF15, kVkF1 + 14},
    {kDikNumlock, kVkNumlock}, {kDikScroll, kVkScroll},
    {kDikNumpad0, kVkNumpad0}, {kDikNumpad1, kVkNumpad0 + 1}, {kDikNumpad2, kVkNumpad0 + 2},
    {kDikNumpad3, kVkNumpad0 + 3}, {kDikNumpad4, kVkNumpad0 + 4}, {kDikNumpad5, kVkNumpad0 + 5},
    {kDikNumpad6, kVkNumpad0 + 6}, {kDikNumpad7, kVkNumpad0 + 7}, {kDikNumpad8, kVkNumpad0 + 8},
    {kDikNumpad9, kVkNumpad0 + 9},
    {kDikSubtract, kVkSubtract}, {kDikAdd, kVkAdd}, {kDikDecimal, kVkDecimal}, {kDikDivide, kVkDivide},
    {kDikNumpadenter, kVkSeparator},
    {kDikOem102, kVkOem102}, {kDikKana, kVkKana}, {kDikConvert, kVkConvert}, {kDikNoconvert, kVkNonConvert},
    {kDikKanji, kVkKanji}, {kDikAx, kVkOemAx},
    {kDikPrevtrack, kVkMediaPrevTrack}, {kDikNexttrack, kVkMediaNextTrack}, {kDikMute, kVkVolumeMute},
    {kDikPlaypause, kVkMediaPlayPause}, {kDikMediastop, kVkMediaStop}, {kDikVolumedown, kVkVolumeDown},
    {kDikVolumeup, kVkVolumeUp}, {kDikWebhome, kVkBrowserHome}, {kDikWebsearch, kVkBrowserSearch},
    {kDikWebfavorites, kVkBrowserFavorites}, {kDikWebrefresh, kVkBrowserRefresh}, {kDikWebstop, kVkBrowserStop},
    {kDikWebforward, kVkBrowserForward}, {kDikWebback, kVkBrowserBack}, {kDikMail, kVkLaunchMail},
    {kDikMediaselect, kVkLaunchMediaSelect},
    {kDikRcontrol, kVkControl}, {kDikRmenu, kVkMenu}, {kDikPause, kVkPause}, {kDikHome, kVkHome},
    {kDikUp, kVkUp}, {kDikPrior, kVkPrior}, {kDikLeft, kVkLeft}, {kDikRight, kVkRight}, {kDikEnd, kVkEnd},
    {kDikDown, kVkDown}, {kDikNext, kVkNext}, {kDikInsert, kVkInsert}, {kDikDelete, kVkDelete},
    {kDikLwin, kVkLWin}, {kDikRwin, kVkRWin}, {kDikApps, kVkApps},
};

} // namespace

void BuildVirtualKeyTable(uint8_t table[256]) {
    std::memset(table, 0, 256);
    for (const KeyPair& pair : kPairs) table[pair.scanCode] = pair.virtualKey;
}
