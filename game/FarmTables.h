#pragma once
// The program's farm tables (products, plants, building types, villain
// kinds): made before the shell starts and kept until the program ends, so
// the records live from the data load to the end of the game. Making them
// adds their loading stages to the game-data loading, in the data pack's
// order ('PROD', 'PLNT', 'BLDN', 'VLNS'), and makes them the game's.

#include "farm/FarmData.h"

#include <memory>

class GameFarmTables {
  public:
    GameFarmTables();
    ~GameFarmTables();
    GameFarmTables(const GameFarmTables&) = delete;
    GameFarmTables& operator=(const GameFarmTables&) = delete;

    FarmData& Data() { return *data_; }

  private:
    std::unique_ptr<FarmResources> resources_;
    std::unique_ptr<FarmData> data_;
};
