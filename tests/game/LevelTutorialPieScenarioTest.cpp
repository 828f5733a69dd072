// Level 5's tutorial played through at 1024 x 768 by clicks alone: the pie
// bakery built on the site of point 4, wheat harvested, the henhouse of
// point 1 fed, flour ground in the mill of point 5, the eggs taken and a pie
// baked from flour and an egg, to the goal's step.
#include "tests/game/LevelTutorialPlay.h"

#include <cstdlib>

using namespace tutorialplay;
using testsupport::GameCopy;
using testsupport::Shot;

namespace {

// The site of point 4, the site panel's buildings page and its pie bakery;
// the harvest button over the bed of point 3; the henhouse's feed and eggs
// buttons; the production buttons of the mill and of the new bakery.
constexpr int kSiteX = 480, kSiteY = 230, kBuildingsX = 626, kBuildingsY = 712, kBakeryX = 626,
              kBakeryY = 712;
constexpr int kHarvestX = 560, kHarvestY = 407, kFeedX = 355, kFeedY = 397, kEggsX = 388, kEggsY = 450;
constexpr int kFlourX = 760, kFlourY = 100, kPieX = 480, kPieY = 80;

} // namespace

TEST(LevelTutorialPieScenario, LevelFiveBakesAPieFromFlourAndAnEgg) {
    GameCopy game;
    MakeProfile(game.User(), 4);
    // The first click, on the site, starts the clock; the site again (1), its
    // buildings (2), the pie bakery (3); a click beside it (4); the harvest
    // (5); the feed button (6); the mill (7); flour and eggs come (8); the
    // eggs button (9); the bakery (10); a click (11).
    std::string events = Opening("05") + Click(7500, kSiteX, kSiteY) + Click(9000, kSiteX, kSiteY) +
                         Click(10000, kBuildingsX, kBuildingsY) + Click(11000, kBakeryX, kBakeryY);
    events += Click(16500, 600, 560) + Click(18000, kHarvestX, kHarvestY) + Click(23500, kFeedX, kFeedY);
    events += Click(27500, kFlourX, kFlourY) + Click(38500, kEggsX, kEggsY) + Click(42000, kPieX, kPieY) +
              Click(48000, 512, 300);
    const std::string log = Play(game, events,
                                 {{16400, "bakery"},
                                  {17900, "harvest"},
                                  {23400, "feed"},
                                  {26000, "mill"},
                                  {32000, "waiting"},
                                  {38000, "eggs"},
                                  {41500, "pie"},
                                  {47000, "goal"},
                                  {48900, "end"}},
                                 49000);
    EXPECT_NE(log.find("80050000 waits for the clock"), std::string::npos) << log;
    ExpectStepsInOrder(log, {"80050001", "80050002", "80050003", "80050004", "80050005", "80050006",
                             "80050007", "80050008", "80050009", "8005000A", "8005000B"});
    EXPECT_NE(log.find("point 4: prod_pie ordered"), std::string::npos) << log;
    EXPECT_NE(log.find("Feeding ordered             point 1"), std::string::npos) << log;
    // Flour before step 8, the egg stored before step 10, the pie before the goal's step.
    EXPECT_LT(log.find("Production started          flour"), log.find("step 80050008")) << log;
    EXPECT_LT(log.find("Into the warehouse          1 of 1 egg"), log.find("step 8005000A")) << log;
    EXPECT_NE(log.find("Production started          pie"), std::string::npos) << log;
    EXPECT_LT(log.find("Into the warehouse          1 of 1 pie"), log.find("step 8005000B")) << log;

    const Shot bakery = Load(game, "bakery"), harvest = Load(game, "harvest"), feed = Load(game, "feed"),
               mill = Load(game, "mill"), waiting = Load(game, "waiting"), eggs = Load(game, "eggs"),
               pie = Load(game, "pie"), goal = Load(game, "goal"), end = Load(game, "end");
    ASSERT_TRUE(bakery.ok && harvest.ok && feed.ok && mill.ok && waiting.ok && eggs.ok && pie.ok && goal.ok &&
                end.ok);
    ASSERT_EQ(bakery.picture.width, 1024);
    // Step 4: the arrow up at the new bakery's production button, the box with its click line below it.
    EXPECT_GT(bakery.Count(460, 100, 500, 165, ArrowYellow), 300) << log;
    EXPECT_GT(bakery.Count(295, 226, 660, 288, Parchment), 15000) << log;
    // Step 5: an arrow up at the harvest button over the bed of point 3, its box below.
    EXPECT_GT(harvest.Count(540, 440, 580, 515, ArrowYellow), 250) << log;
    EXPECT_GT(harvest.Count(490, 556, 625, 586, Parchment), 2500) << log;
    // Step 6: an arrow at the henhouse's feed button from the lower right.
    EXPECT_GT(feed.Count(385, 420, 445, 480, ArrowYellow), 250) << log;
    // Step 7: an arrow at the mill's production button from the lower right.
    EXPECT_GT(mill.Count(785, 120, 850, 180, ArrowYellow), 250) << log;
    // Step 8: a box while flour and eggs come; step 7's arrow at the mill is gone.
    EXPECT_GT(waiting.Count(405, 468, 618, 505, Parchment), 6000) << log;
    EXPECT_LT(waiting.Count(785, 120, 850, 180, ArrowYellow), 30) << log;
    // Step 9: an arrow at the eggs button; 10: an arrow up at the bakery's production button.
    EXPECT_GT(eggs.Count(405, 465, 460, 520, ArrowYellow), 250) << log;
    EXPECT_GT(pie.Count(460, 100, 500, 165, ArrowYellow), 300) << log;
    // The bakery's pie button: greyed while the egg is still to come, lit as
    // soon as flour and an egg are in the warehouse (the arrow stands below it).
    const auto buttonFace = [](int r, int g, int b) {
        return std::abs(r - 0xE8) < 8 && std::abs(g - 0xD8) < 8 && std::abs(b - 0xB0) < 8;
    };
    const auto buttonGrey = [](int r, int g, int b) {
        return std::abs(r - 0xB8) < 8 && std::abs(g - 0xB0) < 8 && std::abs(b - 0xA0) < 8;
    };
    EXPECT_GT(eggs.Count(kPieX - 18, kPieY - 18, kPieX + 18, kPieY + 18, buttonGrey), 300) << log;
    EXPECT_LT(eggs.Count(kPieX - 18, kPieY - 18, kPieX + 18, kPieY + 18, buttonFace), 30) << log;
    EXPECT_GT(pie.Count(kPieX - 18, kPieY - 18, kPieX + 18, kPieY + 18, buttonFace), 300) << log;
    EXPECT_LT(pie.Count(kPieX - 18, kPieY - 18, kPieX + 18, kPieY + 18, buttonGrey), 30) << log;
    // Step 11: an arrow down at the goal button on the panel, the box on the field.
    EXPECT_GT(goal.Count(205, 565, 250, 645, ArrowYellow), 300) << log;
    EXPECT_GT(goal.Count(390, 300, 630, 350, Parchment), 8000) << log;
    // After the last click the tutorial is over.
    EXPECT_LT(end.Count(0, 50, 1024, 645, ArrowYellow), 50) << log;
    EXPECT_LT(end.Count(390, 300, 630, 350, Parchment), 500) << log;
}
