#include "app/App.h"
#include "frontend/Comix.h"
#include "game/ComicsScreen.h"
#include "game/FarmTables.h"
#include "game/GameData.h"
#include "game/GameScreens.h"
#include "game/GameTables.h"
#include "game/LevelScreen.h"
#include "game/MapProgram.h"
#include "levelui/TextTags.h"

// The game program: the screens of the game states and the game-data stages
// are registered in the shell's tables, in the data pack's order (the
// character descriptions, the farm tables, the level table, the bonuses, the
// award table, then the level-select map), the windows get the custom text
// tags, then the shell starts, runs and shuts down.
int main(int argc, char** argv) {
    RegisterCharacterStage();
    GameFarmTables farmTables;
    GameTables tables;
    RegisterGameScreens();
    RegisterLevelPlay();
    RegisterLevelTableStage();
    RegisterBonusStage();
    RegisterGameDataStages(tables);
    Comix comix;
    RegisterComics(comix);
    RegisterTextTagCallback(ExpandTextTag);
    RegisterMapScreen();
    return WinMain(argc, argv);
}
