#include "tests/support/SeenPlay.h"

#include "tests/support/InputScript.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace testsupport {

namespace fs = std::filesystem;

SeenPlay::SeenPlay(const GameCopy& game, ScriptPlay play)
    : game_(game), play_(std::move(play)), userAtStart_(game.File("user-at-start")) {
    fs::remove_all(userAtStart_);
    fs::create_directories(userAtStart_);
    if (fs::exists(game_.Home())) fs::copy(game_.Home(), userAtStart_, fs::copy_options::recursive);
}

void SeenPlay::RestoreUser() const {
    fs::remove_all(game_.Home());
    fs::create_directories(game_.Home());
    fs::copy(userAtStart_, game_.Home(), fs::copy_options::recursive);
}

Shot SeenPlay::Look(int ms, const std::string& name) {
    RestoreUser();
    ScriptPlay look = play_;
    look.untilMs = ms + 1;
    look.shots = {{ms, name}};
    Play(game_, look);
    return LoadShot(game_.File(name + ".png"));
}

std::optional<Spot> SeenPlay::ClickWhereSeen(int ms, const std::string& name, const Finder& find) {
    const Shot shot = Look(ms, name);
    EXPECT_TRUE(shot.ok) << name << ": " << shot.error;
    const std::optional<Spot> spot = shot.ok ? find(shot) : std::nullopt;
    EXPECT_TRUE(spot.has_value()) << name << ": the thing to click is not seen at " << ms << " ms";
    if (spot) play_.events += script::quick::Click(ms, spot->x, spot->y);
    return spot;
}

std::string SeenPlay::Finish(int untilMs, const std::vector<std::pair<int, std::string>>& shots) {
    RestoreUser();
    ScriptPlay whole = play_;
    whole.untilMs = untilMs;
    whole.shots = shots;
    return Play(game_, whole);
}

} // namespace testsupport
