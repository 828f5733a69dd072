#include "game/GameProgram.h"

#include "app/App.h"
#include "frontend/Comix.h"
#include "game/ComicsScreen.h"
#include "game/FarmTables.h"
#include "game/FrontendScreens.h"
#include "game/GameData.h"
#include "game/GameScreens.h"
#include "game/GameTables.h"
#include "game/LevelScreen.h"
#include "game/MapProgram.h"
#include "levelui/TextTags.h"

// The order of the registrations is the data pack's: the character
// descriptions come before the farm tables, which make their own stages. The
// level's tables come first: the farm tables register their job loaders there.
GameProgram::GameProgram() {
    levelTables_ = std::make_unique<GameLevelTables>();
    RegisterCharacterStage();
    farmTables_ = std::make_unique<GameFarmTables>();
    tables_ = std::make_unique<GameTables>();
    RegisterFrontendScreens();
    RegisterGameScreens();
    RegisterLevelPlay();
    RegisterLevelTableStage();
    RegisterBonusStage();
    RegisterGameDataStages(*tables_);
    comix_ = std::make_unique<Comix>();
    RegisterComics(*comix_);
    RegisterTextTagCallback(ExpandTextTag);
    RegisterMapScreen();
}

GameProgram::~GameProgram() = default;
