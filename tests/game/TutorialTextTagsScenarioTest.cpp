// The tags of a tutorial hint as a player sees them at 1024 x 768: level 1's
// step 11 names the price of sowing wheat with "[PLANT P 1]", which the hint
// box draws as the gold coin and the price in the affordable green (the farm
// has 90 coins, sowing costs 10), not as markup text and not in the box's
// brown ink. The player gets there as a new player does: the goal, the first
// site sown and harvested, the goal again, the second site and its plants.
#include "tests/game/LevelTutorialPlay.h"
#include "tests/game/ProgramTest.h"

using namespace programtest;
using testsupport::script::quick::Click;

namespace {

bool CoinGold(int r, int g, int b) {
    return r > 200 && g > 150 && g < 225 && b < 100;
}
bool PriceGreen(int r, int g, int b) {
    return g > 90 && g > r + 50 && g > b + 50;
}

} // namespace

TEST(TutorialTextTagsScenario, LevelOnesSowingHintShowsThePriceWithItsCoin) {
    GameCopy game;
    tutorialplay::MakeMapProfile(game.User());
    ASSERT_TRUE(testsupport::UseWindow(game));
    // The comic, the map's attack, level 1 and "play"; the first click in the
    // level (15 s) starts the clock. Then: sow point 1 (steps 2-4), harvest it once ripe
    // (36 s), click away steps 7 and 8, select point 2 and its plants button:
    // step 11 explains the wheat's price.
    const std::string events = tutorialplay::LevelOneOpening() + Click(15000, 660, 400) +
                               Click(16300, 300, 120) + Click(17200, 460, 320) + Click(18200, 626, 722) +
                               Click(19200, 577, 722) + Click(36000, 460, 247) + Click(48500, 500, 300) +
                               Click(51000, 500, 300) + Click(52500, 660, 400) + Click(54000, 626, 722);
    const std::string hint = game.File("hint.png");
    const std::string log = testsupport::PlayNamed(game, {.name = "tags",
                                                          .events = events,
                                                          .untilMs = 56100,
                                                          .shots = {{56000, hint}},
                                                          .moreArguments = " --draw-every 1",
                                                          .program = true});
    ASSERT_NE(log.find("step 8001000B"), std::string::npos) << log;
    // Steps 1, 8 and 11 name the goal, its count and the price through tags: all expanded.
    EXPECT_EQ(log.find("Tag unexpanded"), std::string::npos) << log;
    const Shot shot = LoadShot(hint);
    ASSERT_TRUE(shot.ok) << shot.error;
    // The box stands above the plant choice (577, 722), over the field.
    EXPECT_GT(shot.Count(300, 500, 800, 610, CoinGold), 40) << "the coin of the price";
    EXPECT_GT(shot.Count(300, 500, 800, 610, PriceGreen), 15) << "the affordable price";
}
