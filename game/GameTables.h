#pragma once
// The game's tables that the game-data loading fills from Data.dat, and the
// text tags' sources over them and the farm's tables. The
// program's main function owns them for the whole run; the loading stages
// and the game's screens reach them through GetGameTables while they live.

#include "frontend/Awards.h"
#include "levelui/FarmTextTagSources.h"

class GameTables {
  public:
    GameTables();
    ~GameTables();
    GameTables(const GameTables&) = delete;
    GameTables& operator=(const GameTables&) = delete;

    Awards awards;
    // What the text tags read: installed while the tables live.
    FarmTextTagSources tagSources;
};

// Registers the game layer's loading stages for the tables, in the order of
// Data.dat: 'CHQR', 'PROD', 'PLNT', 'BLDN', 'VLNS', 'COMX', 'LVLS', 'BONS'
// with the bonus icons, the award table, 'MNSC', 'MAPM'. The tables must
// outlive the run. The award table's icons are resolved as soon as it is
// read (the sprite libraries load before it).
void RegisterGameDataStages(GameTables& tables);

// The registered tables; null when none are (or they are gone).
GameTables* GetGameTables();
