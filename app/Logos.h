#pragma once
// Game state kStateLogos: the logos shown one after another before the game data
// loads. Any click skips them.
//
// "Logos\Logos.txt" (in the Data folder) lists the logos, one per line:
//
//   <image file>, <milliseconds>
//
// The image file is named relative to the Logos folder and may be any image
// the engine reads (PNG, JPEG, Targa, BMP...); it is shown centred on black
// for the given time. Blank lines and lines starting with "//" or "#" are
// skipped. The file is UTF-8 (a byte-order mark is allowed). A missing or
// empty list, or a logo whose image cannot be read, is passed over.

#include "app/GameStates.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct LogoEntry {
    std::u16string image; // game path relative to the Logos folder
    uint32_t milliseconds = 0;
};

// False, with the line number and the reason, for a line that is not of the
// form above (a time above 600000 ms is refused too).
bool ParseLogoList(std::string_view text, std::vector<LogoEntry>* out, std::string* error);

// The logos state's callbacks (update, draw, mouse down).
const AppCallbacks& LogosCallbacks();
// Reads the list and the images (entering kStateLogos); frees them (leaving it).
void OpenLogos();
void CloseLogos();
// The logo on show (0-based), -1 when none.
int CurrentLogo();
