// Level 8's tutorial at 1024 x 768, 800 x 600 and 1920 x 1080 (reached from the main screen through the map)
// for a player who owns the bee bonus and chose it (it fills the first bonus slot): the first click calls a
// villain at once, the bee step points at the panel's bee button while it attacks, the bees drive it off, and
// the steps go on to the removal of the bed at point 6, to the last step.
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;

namespace {

// A bed of point 2, the bee button, the bed of point 6 and its panel's remove button.
constexpr int kBedX = 560, kBedY = 260, kBeesX = 512, kBeesY = 620, kSixX = 700, kSixY = 480;
constexpr int kRemoveX = 778, kRemoveY = 720;

} // namespace

TEST(LevelTutorialBeesScenario, LevelEightShowsTheBeesAgainstTheVillainThenRemovesABed) {
    // At each window size; the screenshots are looked at in the first.
    for (SizedGame at : kEverySize) {
        MakeMapProfile(at.game.User(), 7, true);
        // The first click, on a bed, starts the clock and calls the villain; the
        // bee button once the villain attacks; a click (1); the bed of point 6
        // (2), once the award notices of the first bees are gone; its remove
        // button (3); a click (4).
        // (The bonus buttons' row stands centred above the panel.)
        std::string events = MapOpening(7, kPlayWithBonusesY, at.size) + at(14500, kBedX, kBedY) +
                             at.Centred(20500, kBeesX, kBeesY + at.size.height - kLarge.height) +
                             at(24500, 512, 150) + at(30500, kSixX, kSixY) +
                             at.Panel(31500, kRemoveX, kRemoveY) + at(36000, 512, 150);
        const std::vector<std::pair<int, std::string>> taken = {{19500, "bees"},    {24000, "after-bees"},
                                                                {30400, "bed"},     {31400, "remove"},
                                                                {35900, "removed"}, {36900, "end"}};
        const std::string log = at.Play(events, taken, 37000, "bees-");
        EXPECT_NE(log.find("80080000 waits for the clock"), std::string::npos) << log;
        // The bee step waits for the villain's attack; the bees drive it off.
        const size_t attacks = log.find("attacks: its catapult stands");
        ASSERT_NE(attacks, std::string::npos) << log;
        EXPECT_LT(attacks, log.find("step 80330001")) << log;
        ExpectStepsInOrder(log, {"80330001", "80080001", "80080002", "80080003", "80080004"});
        EXPECT_NE(log.find("driven off"), std::string::npos) << log;
        EXPECT_LT(log.find("driven off"), log.find("step 80080001")) << log;
        EXPECT_NE(log.find("point 6: pull-down ordered"), std::string::npos) << log;

        const Shots shots(at.game, taken);
        ASSERT_EQ(shots.Missing(), "");
        if (!at.Large()) continue;
        const Shot &bees = shots["bees"], &after = shots["after-bees"], &bed = shots["bed"],
                   &remove = shots["remove"], &removed = shots["removed"], &end = shots["end"];
        ASSERT_EQ(bees.picture.width, 1024);
        // The bee step: an arrow down at the bee button above the panel, its box
        // beside the arrow's tail, left of the farmer.
        EXPECT_GT(bees.Count(490, 535, 535, 595, ArrowYellow), 300) << log;
        EXPECT_GT(bees.Count(185, 410, 485, 470, Parchment), 12000) << log;
        EXPECT_LT(bees.Count(490, 480, 535, 595, Parchment), 20) << log;
        // Step 1: the box below the field's centre, off the beds; the bee arrow is gone.
        EXPECT_GT(after.Count(300, 460, 660, 515, Parchment), 9000) << log;
        EXPECT_LT(after.Count(490, 535, 535, 595, ArrowYellow), 30) << log;
        // Step 2: an arrow up at the bed of point 6; 3: an arrow down at the remove button.
        EXPECT_GT(bed.Count(680, 500, 720, 575, ArrowYellow), 300) << log;
        EXPECT_GT(remove.Count(755, 620, 800, 680, ArrowYellow), 300) << log;
        // The bed of point 6 is gone (its brown soil); step 4's box stands.
        const auto soil = [](int r, int g, int b) {
            return r > 90 && r < 170 && g < 90 && b < 60 && r > g + 30;
        };
        // (The farmer, who pulled it down, stands there.)
        const int before = bed.Count(675, 465, 725, 495, soil);
        EXPECT_GT(before, 100) << log;
        EXPECT_LT(removed.Count(675, 465, 725, 495, soil), before / 3) << log;
        EXPECT_GT(removed.Count(0, 50, 1024, 650, Parchment), 10000) << log;
        EXPECT_LT(removed.Count(650, 458, 750, 502, Parchment), 50) << "the box over the site";
        // The site left behind is a clean site like the level's own: its plot
        // mark lies on the field, darkening the path right of the farmer (the
        // box covers the part left of her).
        const auto path = [](int r, int g, int b) { return r > 175 && r > g + 12 && b < 120; };
        const auto plotOnPath = [](int r, int g, int b) { return r > 140 && r < 170 && g >= r && b < 100; };
        EXPECT_GT(bed.Count(740, 471, 752, 489, path), 150) << log;
        EXPECT_GT(removed.Count(740, 471, 752, 489, plotOnPath), 100) << log;
        EXPECT_LT(removed.Count(740, 471, 752, 489, path), 60) << log;
        // After the last click the tutorial is over.
        EXPECT_LT(end.Count(340, 468, 680, 510, Parchment), 500) << log;
    }
}

// A player who has not taken the bee bonus into level 8 meets no bee step:
// the tutorial goes straight to the removal of the bed at point 6 and on to
// its last step by clicks, and the beds answer.
TEST(LevelTutorialBeesScenario, WithoutTheBeeBonusLevelEightGoesStraightToTheBed) {
    GameCopy game;
    MakeMapProfile(game.User(), 7, false);
    // The first click starts the clock and step 1; a click (1); the bed of
    // point 6 (2); its remove button (3); a click once it is gone (4).
    const std::string events = MapOpening(7) + Click(14500, kBedX, kBedY) + Click(16500, 512, 150) +
                               Click(18500, kSixX, kSixY) + Click(19500, kRemoveX, kRemoveY) +
                               Click(25000, 512, 150);
    const std::string log =
        PlayGame(game, events, {{18400, "bed"}, {24900, "removed"}, {25900, "end"}}, 26000);
    EXPECT_EQ(log.find("step 80330001"), std::string::npos) << "no bee step without the bee bonus\n" << log;
    ExpectStepsInOrder(log, {"80080001", "80080002", "80080003", "80080004"});
    EXPECT_NE(log.find("point 6: pull-down ordered"), std::string::npos) << log;

    const Shot bed = Load(game, "bed"), removed = Load(game, "removed"), end = Load(game, "end");
    ASSERT_TRUE(bed.ok && removed.ok && end.ok);
    // Step 2's arrow at the bed of point 6; the last step's box; then nothing.
    EXPECT_GT(bed.Count(680, 500, 720, 575, ArrowYellow), 300) << log;
    EXPECT_GT(removed.Count(330, 515, 690, 570, Parchment), 10000) << log;
    EXPECT_LT(end.Count(330, 515, 690, 570, Parchment), 500) << log;
}
