#include "app/App.h"
#include "game/FarmTables.h"
#include "game/FrontendScreens.h"
#include "game/GameData.h"
#include "game/GameScreens.h"

// The game program: the screens of the game states and the game-data stages
// are registered in the shell's tables, in the data pack's order (the
// character descriptions, the farm tables, then the bonuses), then the
// shell starts, runs and shuts down.
int main(int argc, char** argv) {
    RegisterCharacterStage();
    GameFarmTables farmTables;
    RegisterGameScreens();
    RegisterFrontendScreens();
    RegisterBonusStage();
    return WinMain(argc, argv);
}
