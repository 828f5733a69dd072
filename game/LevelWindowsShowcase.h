#pragma once
#include <cstdint>

// The windows around a level on the screen after loading, until levels are
// entered from the map: F9 steps through them over the sample level (index
// 33): the information page, then the pause menu (its restart opens the
// level window in restart mode, "to the map" closes the showcase), then the
// result window of a gold finish with a new record; F9 once more closes.

// True when the key was F9.
bool LevelWindowsShowcaseKey(uint32_t virtualKey);
void CloseLevelWindowsShowcase();
