#pragma once
// The wiring of the game states to their screens: the logos (state 1), the
// game-data loading (0x80000002), the level loading (0x80000003) and, for
// the program tests of the layers below the game, the showcase screen in
// the main screen's place (6). Each subsystem that brings a screen adds its
// registration here.

void RegisterGameScreens(bool showcase = false);
