#pragma once
// The level being played (kStateLevel) and its loading (kStateLevelLoading):
// the program's side of the running level. It registers the level table's
// data stage, the level's loading stage and the level screen, builds the
// level of the table with the program's world (stock, farmer, villain places,
// bonuses), its interface (game/LevelInterface.h: the panel and the windows
// around the level) and the front-end hooks (saved games, results and award
// counters in the current profile), and routes the screen's input and
// drawing to it.
//
// Keys on the level screen: Escape opens the pause menu (the level pauses)
// and closes it again; the menu's "to_map" leaves the level (an unfinished
// level is saved into the profile). Losing the focus opens the menu too.
// After a win the result window's Enter, Escape or OK leaves.

#include "level/GameLevel.h"

#include <cstdint>
#include <functional>

class LevelInterface;
class ProgramLevelTutorials;

// The level table's stage ('LVLS', after the farm tables and before 'BONS').
void RegisterLevelTableStage();
// The level's loading stage, the level screen and the quit hook.
void RegisterLevelPlay();
// Loads and opens the level of the table at levelIndex from the screen in
// the main screen's place (leaving the level returns there).
void OpenLevel(uint32_t levelIndex);
// Names the level the next level loading (kStateLevelLoading) builds and
// the state that leaving it goes to (the level-select map starts levels so).
void PrepareLevel(uint32_t levelIndex, int32_t returnState);
// An unfinished level left for the map is kept: true when it is the level of
// the index in the regime, which the level screen then goes on with.
bool LevelHeld(uint32_t levelIndex, uint32_t regime);
// The kept level goes, its game saved into the current profile first.
void DropHeldLevel();
// The hooks the program's level is made with: the panel and windows around
// it, the front end (profile, results, award counters) and its tutorials.
GameLevel::Hooks ProgramLevelHooks(LevelInterface& ui, LevelFrontEndHooks& frontEnd,
                                   ProgramLevelTutorials& tutorials);
// What the session gives the level's interface: its restart and the level
// tutorials' full-warehouse start.
struct LevelSessionHooks;
LevelSessionHooks ProgramLevelSessionHooks(ProgramLevelTutorials& tutorials,
                                           std::function<void()> restartNow);
