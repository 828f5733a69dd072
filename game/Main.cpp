#include "app/App.h"
#include "game/FarmTables.h"
#include "game/GameScreens.h"

// The game program: the screens of the game states are registered in the
// shell's tables, the farm tables add their loading stages, then the shell
// starts, runs and shuts down.
int main(int argc, char** argv) {
    GameFarmTables farmTables;
    RegisterGameScreens();
    return WinMain(argc, argv);
}
