#include "app/App.h"
#include "game/GameScreens.h"

// The game program: the screens of the game states are registered in the
// shell's tables, then the shell starts, runs and shuts down.
int main(int argc, char** argv) {
    RegisterGameScreens();
    return WinMain(argc, argv);
}
