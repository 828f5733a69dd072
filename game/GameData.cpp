#include "game/GameData.h"

#include "app/GameDataLoader.h"
#include "level/LevelData.h"
#include "level/LevelTable.h"

GameLevelTables::GameLevelTables()
    : levels_(std::make_unique<LevelTable>()), data_(std::make_unique<LevelGameData>()) {
    SetGameLevelTable(levels_.get());
    SetLevelGameData(data_.get());
}

GameLevelTables::~GameLevelTables() {
    SetLevelGameData(nullptr);
    SetGameLevelTable(nullptr);
}

void RegisterCharacterStage() {
    RegisterGameDataStage(CharactersStage());
}

void RegisterBonusStage() {
    RegisterGameDataStage(BonusesStage());
}
