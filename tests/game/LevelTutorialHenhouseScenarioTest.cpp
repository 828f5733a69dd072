// Level 4's tutorial played through at 1024 x 768, 800 x 600 and 1920 x 1080 (reached from the main screen
// through the map) by clicks alone: the henhouse built on the site of point 2 from the site's animal-house
// page, its feed buttons (over the house and on its panel) shown, wheat harvested from the bed of point 4 and
// fed to the hens with their overhead button, the eggs laid while the house works at double rate, and taken
// to the warehouse, to the last step.
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;

namespace {

// The site of point 2 and the site panel's animal-house page and henhouse
// choice; the harvest button over the bed of point 4; the henhouse's feed
// and eggs buttons.
constexpr int kSiteX = 480, kSiteY = 260, kPetsX = 675, kPetsY = 712, kHenhouseX = 577, kHenhouseY = 712;
constexpr int kHarvestX = 620, kHarvestY = 347, kFeedX = 455, kFeedY = 187, kEggsX = 488, kEggsY = 240;

// The eggs button's brown ring.
bool EggsRing(int r, int g, int b) {
    return r > 110 && r < 140 && g > 70 && g < 100 && b > 25 && b < 50;
}

} // namespace

TEST(LevelTutorialHenhouseScenario, LevelFourBuildsTheHenhouseFeedsItAndTakesTheEggs) {
    // At each window size; the screenshots are looked at in the first.
    for (SizedGame at : kEverySize) {
        MakeMapProfile(at.game.User(), 3);
        // The first click, on the site, starts the clock; the site again (1), its
        // animal houses (2), the henhouse (3); "hens need wheat" (4) is answered
        // on the ripe bed's harvest button, which orders the harvest as well (5);
        // the feed button (6); the hens lay (7); the eggs button (8); a click (9).
        std::string events = MapOpening(3, kPlayY, at.size) + at(13000, kSiteX, kSiteY) +
                             at(14500, kSiteX, kSiteY) + at.Panel(15500, kPetsX, kPetsY) +
                             at.Panel(16500, kHenhouseX, kHenhouseY);
        events += at(22000, kHarvestX, kHarvestY) + at(30500, kFeedX, kFeedY);
        events += at(42000, kEggsX, kEggsY) + at(45500, 512, 300);
        const std::vector<std::pair<int, std::string>> taken = {
            {21900, "feed-hint"}, {23400, "harvest"}, {29500, "feed"}, {35000, "laying"},
            {41500, "eggs"},      {45000, "stored"},  {46400, "end"}};
        const std::string log = at.Play(events, taken, 46500, "hens-");
        EXPECT_NE(log.find("80040000 waits for the clock"), std::string::npos) << log;
        ExpectStepsInOrder(log, {"80040001", "80040002", "80040003", "80040004", "80040005", "80040006",
                                 "80040007", "80040008", "80040009"});
        EXPECT_NE(log.find("point 2: henhouse ordered"), std::string::npos) << log;
        EXPECT_NE(log.find("Into the warehouse          1 of 1 wheat"), std::string::npos) << log;
        // The hens were fed through their overhead button, laid and their eggs reached the warehouse.
        EXPECT_NE(log.find("Feeding ordered             point 2"), std::string::npos) << log;
        EXPECT_LT(log.find("Feeding ordered"), log.find("step 80040007")) << log;
        EXPECT_NE(log.find("Eggs laid"), std::string::npos) << log;
        EXPECT_NE(log.find("Into the warehouse          1 of 1 egg"), std::string::npos) << log;
        EXPECT_LT(log.find("Into the warehouse          1 of 1 egg"), log.find("step 80040009")) << log;

        const Shots shots(at.game, taken);
        ASSERT_EQ(shots.Missing(), "");
        if (!at.Large()) continue;
        const Shot &hint = shots["feed-hint"], &harvest = shots["harvest"], &feed = shots["feed"],
                   &laying = shots["laying"], &eggs = shots["eggs"], &stored = shots["stored"],
                   &end = shots["end"];
        // The boxes and arrows over the field make way for the farmer.
        for (const auto& [ms, name] : taken)
            EXPECT_GT(FarmerPixels(shots[name], kLarge), 120) << "the farmer hidden in " << name;
        ASSERT_EQ(hint.picture.width, 1024);
        // Step 4: an arrow left of the new henhouse's feed button, pointing at it,
        // and one down at the feed button of the house's panel, with the box
        // and its click line above.
        EXPECT_GT(hint.Count(335, 170, 415, 205, ArrowYellow), 300) << log;
        EXPECT_GT(hint.Count(600, 595, 650, 675, ArrowYellow), 300) << log;
        EXPECT_GT(hint.Count(440, 508, 800, 552, Parchment), 10000) << log;
        // Step 5 finds the harvest ordered: no arrow at the bed, whose button has gone.
        EXPECT_LT(harvest.Count(525, 375, 595, 435, ArrowYellow), 30) << log;
        // Step 6: an arrow up at the feed button.
        EXPECT_GT(feed.Count(410, 215, 455, 295, ArrowYellow), 250) << log;
        // Step 7: the box by the henhouse while the hens eat; no eggs button yet.
        EXPECT_GT(laying.Count(340, 325, 620, 360, Parchment), 6000) << log;
        EXPECT_LT(laying.Count(470, 222, 506, 258, EggsRing), 30) << log;
        // The house works at double rate while step 7 is current: 6.5 s after
        // that box the eggs button stands (a cycle at the normal rate takes
        // longer than 8 s), and step 8's arrow points at it.
        EXPECT_GT(eggs.Count(470, 222, 506, 258, EggsRing), 60) << log;
        EXPECT_GT(eggs.Count(380, 255, 455, 300, ArrowYellow), 250) << log;
        // Step 9: the box below the field's centre with its click line.
        EXPECT_GT(stored.Count(330, 465, 690, 510, Parchment), 10000) << log;
        // After the last click the tutorial is over.
        EXPECT_LT(end.Count(0, 50, 1024, 640, ArrowYellow), 50) << log;
        EXPECT_LT(end.Count(330, 465, 690, 510, Parchment), 500) << log;
    }
}
