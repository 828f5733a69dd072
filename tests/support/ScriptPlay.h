#pragma once
// The program tests' common run: the showcase program (or the game itself),
// headless, on an input script at a window size, with screenshots at chosen times.
#include "tests/support/GameCopy.h"

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct ScriptPlay {
    std::string events{};                             // the input script
    std::vector<std::pair<int, std::string>> shots{}; // when, and the name: game.File(name + ".png")
    int untilMs = 0;
    int width = 1024, height = 768; // the window, written to config.ini
    std::string moreArguments{};    // more of the command line, each with its leading space
    std::string keptAs{};           // prefix of the names VB_KEEP_SHOTS keeps the shots under
    bool program = false; // runs verbolunde itself (from its logos and main screen), not the showcase
};

// Runs the play and answers the log. The run must end with status 0, and
// every sprite and text it asked for must be there and every tag expanded.
std::string Play(const GameCopy& game, const ScriptPlay& play);

} // namespace testsupport
