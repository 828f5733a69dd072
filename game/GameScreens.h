#pragma once
// The wiring of the game states to their screens: the logos (state 1), the
// game-data loading (0x80000002), the level loading (0x80000003) and, until
// the main screen exists, the screen after loading (6). Each subsystem that
// brings a screen adds its registration here.

void RegisterGameScreens();
