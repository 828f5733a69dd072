#pragma once
// The wiring of the game states to their screens: the logos (state 1), the
// game-data loading (0x80000002) and the level loading (0x80000003). Each
// subsystem that brings a screen adds its registration here.

void RegisterGameScreens();
