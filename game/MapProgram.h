#pragma once
// The level-select map in the program: the 'MAPM' loading stage (after the
// level table, whose cells it places the markers on), game state 5's screen,
// and the map's part in storing a level result.

void RegisterMapScreen();
