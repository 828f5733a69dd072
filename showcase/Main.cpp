#include "app/App.h"
#include "game/GameProgram.h"
#include "showcase/LayerShowcase.h"

#include <new>
#include <vector>

// The showcase program: the game's wiring with the layer showcase in the
// main screen's place, which the program tests drive each layer through.
// It takes the game's command line.
int main(int argc, char** argv) try {
    std::vector<char*> arguments(argv, argv + argc);
    App app; // made first: the wiring and the showcase register into it
    GameProgram game;
    ShowcaseProgram showcase;
    arguments.push_back(nullptr);
    return app.Run(int(arguments.size() - 1), arguments.data());
} catch (const std::bad_alloc&) {
    return TellOutOfMemoryOutsideRun();
}
