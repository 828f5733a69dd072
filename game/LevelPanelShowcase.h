#pragma once
#include <cstdint>

// The level panel on the screen after loading, until a level can be entered
// from the map: F5 opens the bottom panel over the sample level (goals: 50
// coins, 5 wheat in stock, the warehouse; 10 wheat in stock; two bonuses
// ready) with its empty panel, time bar, money strip and the pulsing start
// text; a click on a bonus starts the clock and the bonus. F5 again closes it.

// True when the key was F5.
bool LevelPanelShowcaseKey(uint32_t virtualKey);
// Moves the sample level on (its clock and bonuses) by a frame.
void UpdateLevelPanelShowcase(uint32_t ms);
void CloseLevelPanelShowcase();
