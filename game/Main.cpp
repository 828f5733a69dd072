#include "app/App.h"
#include "game/FarmTables.h"
#include "game/GameScreens.h"
#include "game/GameTables.h"
#include "levelui/TextTags.h"

// The game program: the screens of the game states are registered in the
// shell's tables, the farm tables and then the game's other tables add their
// loading stages (in the data pack's order), the windows get the custom
// text tags, then the shell starts, runs and shuts down.
int main(int argc, char** argv) {
    GameFarmTables farmTables;
    GameTables tables;
    RegisterGameScreens();
    RegisterGameDataStages(tables);
    RegisterTextTagCallback(ExpandTextTag);
    return WinMain(argc, argv);
}
