#pragma once
// The wiring of the game states to their screens: the logos (kStateLogos),
// the game-data loading (kStateDataLoading) and the level loading
// (kStateLevelLoading). Each subsystem that brings a screen adds its
// registration here.

void RegisterGameScreens();
