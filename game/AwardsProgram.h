#pragma once
// The awards window in the program: opened over the current profile from the
// map's awards button.

#include <cstdint>

// Opens the awards window when the window manager and the award table are
// there; the preview (the map's cheat view) animates random values.
void OpenProgramAwards(bool preview);

// The bonuses window's stand-in on the screen after loading until the level
// window opens it: F10 opens it over the current profile's selection.
void BonusesStandInKey(uint32_t virtualKey);
