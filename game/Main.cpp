#include "app/App.h"
#include "game/GameData.h"
#include "game/GameScreens.h"

// The game program: the screens of the game states and the game-data stages
// are registered in the shell's tables, then the shell starts, runs and shuts down.
int main(int argc, char** argv) {
    RegisterGameScreens();
    RegisterGameDataStages();
    return WinMain(argc, argv);
}
