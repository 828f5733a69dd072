#include "platform/Input.h"

#include <SDL.h>

namespace platform {
namespace {

struct KeyPair {
    SDL_Scancode scancode;
    uint8_t key;
};

// SDL's scancodes are positions on a US layout, like the key codes, so the
// table pairs the same physical keys.
constexpr KeyPair kPairs[] = {
    {SDL_SCANCODE_ESCAPE, kDikEscape}, {SDL_SCANCODE_1, kDikDigit1}, {SDL_SCANCODE_2, kDikDigit2},
    {SDL_SCANCODE_3, kDikDigit3}, {SDL_SCANCODE_4, kDikDigit4}, {SDL_SCANCODE_5, kDikDigit5},
    {SDL_SCANCODE_6, kDikDigit6}, {SDL_SCANCODE_7, kDikDigit7}, {SDL_SCANCODE_8, kDikDigit8},
    {SDL_SCANCODE_9, kDikDigit9}, {SDL_SCANCODE_0, kDikDigit0}, {SDL_SCANCODE_MINUS, kDikMinus},
    {SDL_SCANCODE_EQUALS, kDikEquals}, {SDL_SCANCODE_BACKSPACE, kDikBack}, {SDL_SCANCODE_TAB, kDikTab},
    {SDL_SCANCODE_Q, kDikQ}, {SDL_SCANCODE_W, kDikW}, {SDL_SCANCODE_E, kDikE}, {SDL_SCANCODE_R, kDikR},
    {SDL_SCANCODE_T, kDikT}, {SDL_SCANCODE_Y, kDikY}, {SDL_SCANCODE_U, kDikU}, {SDL_SCANCODE_I, kDikI},
    {SDL_SCANCODE_O, kDikO}, {SDL_SCANCODE_P, kDikP}, {SDL_SCANCODE_LEFTBRACKET, kDikLbracket},
    {SDL_SCANCODE_RIGHTBRACKET, kDikRbracket}, {SDL_SCANCODE_RETURN, kDikReturn},
    {SDL_SCANCODE_LCTRL, kDikLcontrol}, {SDL_SCANCODE_A, kDikA}, {SDL_SCANCODE_S, kDikS}, {SDL_SCANCODE_D, kDikD},
    {SDL_SCANCODE_F, kDikF}, {SDL_SCANCODE_G, kDikG}, {SDL_SCANCODE_H, kDikH}, {SDL_SCANCODE_J, kDikJ},
    {SDL_SCANCODE_K, kDikK}, {SDL_SCANCODE_L, kDikL}, {SDL_SCANCODE_SEMICOLON, kDikSemicolon},
    {SDL_SCANCODE_APOSTROPHE, kDikApostrophe}, {SDL_SCANCODE_GRAVE, kDikGrave}, {SDL_SCANCODE_LSHIFT, kDikLshift},
    {SDL_SCANCODE_BACKSLASH, kDikBackslash}, {SDL_SCANCODE_NONUSHASH, kDikBackslash}, {SDL_SCANCODE_Z, kDikZ},
    {SDL_SCANCODE_X, kDikX}, {SDL_SCANCODE_C, kDikC}, {SDL_SCANCODE_V, kDikV}, {SDL_SCANCODE_B, kDikB},
    {SDL_SCANCODE_N, kDikN}, {SDL_SCANCODE_M, kDikM}, {SDL_SCANCODE_COMMA, kDikComma},
    {SDL_SCANCODE_PERIOD, kDikPeriod}, {SDL_SCANCODE_SLASH, kDikSlash}, {SDL_SCANCODE_RSHIFT, kDikRshift},
    {SDL_SCANCODE_KP_MULTIPLY, kDikMultiply}, {SDL_SCANCODE_LALT, kDikLmenu}, {SDL_SCANCODE_SPACE, kDikSpace},
    {SDL_SCANCODE_CAPSLOCK, kDikCapital}, {SDL_SCANCODE_F1, kDikF1}, {SDL_SCANCODE_F2, kDikF2},
    {SDL_SCANCODE_F3, kDikF3}, {SDL_SCANCODE_F4, kDikF4}, {SDL_SCANCODE_F5, kDikF5}, {SDL_SCANCODE_F6, kDikF6},
    {SDL_SCANCODE_F7, kDikF7}, {SDL_SCANCODE_F8, kDikF8}, {SDL_SCANCODE_F9, kDikF9}, {SDL_SCANCODE_F10, kDikF10},
    {SDL_SCANCODE_NUMLOCKCLEAR, kDikNumlock}, {SDL_SCANCODE_SCROLLLOCK, kDikScroll},
    {SDL_SCANCODE_KP_7, kDikNumpad7}, {SDL_SCANCODE_KP_8, kDikNumpad8}, {SDL_SCANCODE_KP_9, kDikNumpad9},
    {SDL_SCANCODE_KP_MINUS, kDikSubtract}, {SDL_SCANCODE_KP_4, kDikNumpad4}, {SDL_SCANCODE_KP_5, kDikNumpad5},
    {SDL_SCANCODE_KP_6, kDikNumpad6}, {SDL_SCANCODE_KP_PLUS, kDikAdd}, {SDL_SCANCODE_KP_1, kDikNumpad1},
    {SDL_SCANCODE_KP_2, kDikNumpad2}, {SDL_SCANCODE_KP_3, kDikNumpad3}, {SDL_SCANCODE_KP_0, kDikNumpad0},
    {SDL_SCANCODE_KP_PERIOD, kDikDecimal}, {SDL_SCANCODE_NONUSBACKSLASH, kDikOem102}, {SDL_SCANCODE_F11, kDikF11},
    {SDL_SCANCODE_F12, kDikF12}, {SDL_SCANCODE_F13, kDikF13}, {SDL_SCANCODE_F14, kDikF14},
    {SDL_SCANCODE_F15, kDikF15}, {SDL_SCANCODE_INTERNATIONAL2, kDikKana},
    {SDL_SCANCODE_INTERNATIONAL1, kDikAbntC1}, {SDL_SCANCODE_INTERNATIONAL4, kDikConvert},
    {SDL_SCANCODE_INTERNATIONAL5, kDikNoconvert}, {SDL_SCANCODE_INTERNATIONAL3, kDikYen},
    {SDL_SCANCODE_KP_EQUALS, kDikNumpadequals}, {SDL_SCANCODE_AUDIOPREV, kDikPrevtrack},
    {SDL_SCANCODE_STOP, kDikStop}, {SDL_SCANCODE_AUDIONEXT, kDikNexttrack},
    {SDL_SCANCODE_KP_ENTER, kDikNumpadenter}, {SDL_SCANCODE_RCTRL, kDikRcontrol},
    {SDL_SCANCODE_AUDIOMUTE, kDikMute}, {SDL_SCANCODE_MUTE, kDikMute}, {SDL_SCANCODE_CALCULATOR, kDikCalculator},
    {SDL_SCANCODE_AUDIOPLAY, kDikPlaypause}, {SDL_SCANCODE_AUDIOSTOP, kDikMediastop},
    {SDL_SCANCODE_VOLUMEDOWN, kDikVolumedown}, {SDL_SCANCODE_VOLUMEUP, kDikVolumeup},
    {SDL_SCANCODE_AC_HOME, kDikWebhome}, {SDL_SCANCODE_KP_COMMA, kDikNumpadcomma},
    {SDL_SCANCODE_KP_DIVIDE, kDikDivide}, {SDL_SCANCODE_PRINTSCREEN, kDikSysrq}, {SDL_SCANCODE_SYSREQ, kDikSysrq},
    {SDL_SCANCODE_RALT, kDikRmenu}, {SDL_SCANCODE_PAUSE, kDikPause}, {SDL_SCANCODE_HOME, kDikHome},
    {SDL_SCANCODE_UP, kDikUp}, {SDL_SCANCODE_PAGEUP, kDikPrior}, {SDL_SCANCODE_LEFT, kDikLeft},
    {SDL_SCANCODE_RIGHT, kDikRight}, {SDL_SCANCODE_END, kDikEnd}, {SDL_SCANCODE_DOWN, kDikDown},
    {SDL_SCANCODE_PAGEDOWN, kDikNext}, {SDL_SCANCODE_INSERT, kDikInsert}, {SDL_SCANCODE_DELETE, kDikDelete},
    {SDL_SCANCODE_LGUI, kDikLwin}, {SDL_SCANCODE_RGUI, kDikRwin}, {SDL_SCANCODE_APPLICATION, kDikApps},
    {SDL_SCANCODE_POWER, kDikPower}, {SDL_SCANCODE_SLEEP, kDikSleep}, {SDL_SCANCODE_AC_SEARCH, kDikWebsearch},
    {SDL_SCANCODE_AC_BOOKMARKS, kDikWebfavorites}, {SDL_SCANCODE_AC_REFRESH, kDikWebrefresh},
    {SDL_SCANCODE_AC_STOP, kDikWebstop}, {SDL_SCANCODE_AC_FORWARD, kDikWebforward},
    {SDL_SCANCODE_AC_BACK, kDikWebback}, {SDL_SCANCODE_COMPUTER, kDikMycomputer}, {SDL_SCANCODE_MAIL, kDikMail},
    {SDL_SCANCODE_MEDIASELECT, kDikMediaselect},
};

struct Table {
    uint8_t keys[SDL_NUM_SCANCODES] = {};
    constexpr Table() {
        for (const KeyPair& pair : kPairs) keys[pair.scancode] = pair.key;
    }
};
constexpr Table kTable;

} // namespace

uint8_t DikFromSdlScancode(int scancode) {
    return scancode >= 0 && scancode < SDL_NUM_SCANCODES ? kTable.keys[scancode] : 0;
}

} // namespace platform
