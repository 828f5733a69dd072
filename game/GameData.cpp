#include "game/GameData.h"

#include "app/GameDataLoader.h"
#include "level/LevelData.h"

void RegisterGameDataStages() {
    RegisterGameDataStage(CharactersStage());
    // The product, plant, building, villain, comic and level tables go here.
    RegisterGameDataStage(BonusesStage());
}
