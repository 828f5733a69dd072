#include "app/App.h"

// The game program: start-up, main loop and shut-down live in WinMain.
int main(int argc, char** argv) {
    return WinMain(argc, argv);
}
