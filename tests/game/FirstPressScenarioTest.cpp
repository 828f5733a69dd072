// The level's first press on a round button over the field, at 1024 x 768 in
// the game itself, reached from the main screen through the map: level 30's
// hens wait for feed behind their "Feed" button, lit since the stock holds
// their wheat, and the first click of the level, on that button, starts the
// clock and sends the farmer with the feed at once, as a first click on a
// point does what it does.
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;

namespace {

// The henhouse's "Feed" button over the house, and the "Click to start" text.
constexpr int kFeedX = 575, kFeedY = 167;

int StartText(const Shot& shot) {
    return shot.Count(380, 550, 640, 595, [](int r, int g, int b) { return r > 245 && g > 245 && b > 245; });
}

} // namespace

TEST(FirstPressScenario, TheLevelsFirstClickOnAButtonStartsTheClockAndPressesIt) {
    GameCopy game;
    MakeMapProfile(game.User(), 29);
    const std::string events = MapOpening(29) + Click(13000, kFeedX, kFeedY);
    const std::vector<std::pair<int, std::string>> taken = {{12900, "level"}, {15000, "later"}};
    const std::string log = PlayGame(game, events, taken, 15100, "first-press-");
    EXPECT_NE(log.find("Level 30 (level_30) begins"), std::string::npos) << log;
    EXPECT_NE(log.find("Feeding ordered"), std::string::npos) << "the one click fed the hens\n" << log;
    const Shots shots(game, taken);
    ASSERT_EQ(shots.Missing(), "");
    // The button is lit before the start: its face is the lit button's green.
    EXPECT_GT(shots["level"].NearIn(kFeedX - 25, kFeedY - 15, kFeedX + 25, kFeedY + 15, 0x80B870, 12), 150);
    EXPECT_GT(StartText(shots["level"]), 300) << "\"Click to start\" before the click";
    EXPECT_LT(StartText(shots["later"]), 30) << "the click started the clock";
}
