#pragma once
// A program run whose clicks go where its screenshots show things, as a
// player places them: to click a thing, the run so far is played up to that
// moment with a screenshot, the thing is found in the picture by its drawn
// colours, and the click is added there. The headless clock is fixed and the
// generator seeded, so each longer run replays the shorter ones exactly up
// to their end, and a moving thing (a shot, a villain) is clicked where it is
// drawn at that very moment. Every run starts from the user folder as it was
// when the play began: a run that ends keeps the level for later.
#include "tests/support/GameCopy.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class SeenPlay {
  public:
    using Finder = std::function<std::optional<Spot>(const Shot&)>;

    // The play's window, arguments and program; its events are the opening.
    SeenPlay(const GameCopy& game, ScriptPlay play);

    // More events, known in advance (keys, clicks on fixed controls).
    void Add(const std::string& events) { play_.events += events; }
    // Plays the events so far up to ms and answers the screenshot then, kept as NAME.png.
    Shot Look(int ms, const std::string& name);
    // Looks at ms, finds the thing and adds a click on it at ms; the spot
    // found, none (a failure of the test) when the finder saw nothing.
    std::optional<Spot> ClickWhereSeen(int ms, const std::string& name, const Finder& find);
    // The whole play to untilMs, with screenshots at the times; answers the log.
    std::string Finish(int untilMs, const std::vector<std::pair<int, std::string>>& shots = {});

    const std::string& Events() const { return play_.events; }

  private:
    void RestoreUser() const;

    const GameCopy& game_;
    ScriptPlay play_;
    std::string userAtStart_;
};

} // namespace testsupport
