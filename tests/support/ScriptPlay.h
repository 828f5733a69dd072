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
    int drawEvery = 4;    // frames between drawn ones (those of the shots are always drawn)
};

// The showcase (or, with `program`, the game itself) run headless on the
// events, written as the input script NAME.txt, with the further arguments;
// its exit status, -1 when the script cannot be written. Its standard output
// and error are added to `output` when given.
int RunScript(const GameCopy& game, const std::string& name, const std::string& events,
              const std::string& arguments, std::string* output = nullptr, bool program = false);

// Writes the copy's config.ini for a window of the size (1920 x 1080, the headless
// desktop's, full screen); whether it was written.
bool UseWindow(const GameCopy& game, int width = 1024, int height = 768);

// Runs the play and answers the log. The run must end with status 0, and
// every sprite and text it asked for must be there and every tag expanded.
std::string Play(const GameCopy& game, const ScriptPlay& play);

// A run kept under its name: the script is written as name.txt, and each
// shot to its file (a path), kept (VB_KEEP_SHOTS) as name-FILE. Only every
// fourth frame between the shots is drawn; moreArguments (each with a leading
// space) come last, and a --draw-every among them overrides that. The run
// must end with status 0; answers the log.
struct NamedPlay {
    std::string name;
    std::string events;
    int untilMs = 0;
    std::vector<std::pair<int, std::string>> shots{}; // when, and the file
    std::string moreArguments{};
    bool program = false; // runs verbolunde itself, not the showcase
    int status = 0;       // the exit status the run must give (3: the last save failed)
};
std::string PlayNamed(const GameCopy& game, const NamedPlay& play);

// The showcase screen tests' run: a click at 40 ms skips the logos, then
// come the events, played as PlayNamed plays them.
void PlayShowcase(const GameCopy& game, const std::string& name, const std::string& events, int untilMs,
                  const std::vector<std::pair<int, std::string>>& shots,
                  const std::string& moreArguments = "");

} // namespace testsupport
