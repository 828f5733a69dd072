#include "app/App.h"
#include "game/GameScreens.h"
#include "game/GameTables.h"

// The game program: the screens of the game states and the loading stages of
// the game's tables are registered in the shell's tables, then the shell
// starts, runs and shuts down.
int main(int argc, char** argv) {
    GameTables tables;
    RegisterGameScreens();
    RegisterGameDataStages(tables);
    return WinMain(argc, argv);
}
