#pragma once
// The level's game data of the run: the level table and the level's data
// (character descriptions, bonuses, the farm's point makers and the farmer's
// job loaders). Made before the farm tables, whose job loaders they keep, and
// kept until the program ends; making them makes them the game's.
//
// The level's game-data stages are registered in the data pack's load
// order: 'CHQR' after the shell's fonts and before the farm tables ('PROD',
// 'PLNT', 'BLDN', 'VLNS', whose building types name their animals), then
// 'COMX' and 'LVLS' as their loaders come, then 'BONS'.

#include <memory>

class LevelTable;
struct LevelGameData;

class GameLevelTables {
  public:
    GameLevelTables();
    ~GameLevelTables();
    GameLevelTables(const GameLevelTables&) = delete;
    GameLevelTables& operator=(const GameLevelTables&) = delete;

  private:
    std::unique_ptr<LevelTable> levels_;
    std::unique_ptr<LevelGameData> data_;
};

void RegisterCharacterStage();
void RegisterBonusStage();
