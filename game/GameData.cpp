#include "game/GameData.h"

#include "app/GameDataLoader.h"
#include "level/LevelData.h"

void RegisterCharacterStage() {
    RegisterGameDataStage(CharactersStage());
}

void RegisterBonusStage() {
    RegisterGameDataStage(BonusesStage());
}
