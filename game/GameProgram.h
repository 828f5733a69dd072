#pragma once
// The game's wiring, shared by the programs built on it (verbolunde and the
// showcase program the program tests run): making it registers the screens
// of the game states and the game-data stages in the shell's tables, in the
// data pack's order (the character descriptions, the farm tables, the level
// table, the bonuses, the award table, then the level-select map), and gives
// the windows the custom text tags. The tables and the comics' holder it
// makes live as long as it does. A program's main function makes it after
// the App (whose tables it registers into) and before running the App, adds
// its own screens after it (a later registration of a state replaces the
// game's) and keeps it until the App's run has returned.

#include <memory>

class Comix;
class GameFarmTables;
class GameLevelTables;
class GameTables;

class GameProgram {
  public:
    GameProgram();
    ~GameProgram();
    GameProgram(const GameProgram&) = delete;
    GameProgram& operator=(const GameProgram&) = delete;

  private:
    // Made in this order and destroyed in reverse: the comics' holder first,
    // the level's tables last.
    std::unique_ptr<GameLevelTables> levelTables_;
    std::unique_ptr<GameFarmTables> farmTables_;
    std::unique_ptr<GameTables> tables_;
    std::unique_ptr<Comix> comix_;
};
