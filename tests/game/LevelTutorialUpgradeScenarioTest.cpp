// Level 3's tutorial played through at 1024 x 768, 800 x 600 and 1920 x 1080 (reached from the main screen
// through the map) by clicks alone: the wheat bed of point 3 upgraded from its panel, the arrows at the
// farmer's working places, the mill of point 2 upgraded to two production slots and both run, then the
// warehouse opened, upgraded and closed, to the last step.
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;

namespace {

// The bed of point 3, the mill of point 2 and its production button, the
// panel's upgrade button; the panel's warehouse button and the warehouse
// window's upgrade and close buttons.
constexpr int kBedX = 460, kBedY = 420, kMillX = 700, kMillY = 290, kProduceX = 700, kProduceY = 180;
constexpr int kUpgradeX = 661, kUpgradeY = 712;
constexpr int kWarehouseX = 911, kWarehouseY = 711;
constexpr int kRaiseX = 326, kRaiseY = 561, kCloseX = 514, kCloseY = 561;

} // namespace

TEST(LevelTutorialUpgradeScenario, LevelThreeUpgradesTheBedTheMillAndTheWarehouse) {
    // At each window size; the screenshots are looked at in the first.
    for (SizedGame at : kEverySize) {
        MakeMapProfile(at.game.User(), 2);
        // The first click, on the bed, starts the clock; step 1 is clicked away,
        // the bed selected (2) and upgraded (3); 4 is clicked away (5 passes: the
        // stock holds wheat); the mill selected (6) and upgraded (7); 8 clicked
        // away; two flour orders (9); 10 clicked away; the warehouse (11), a
        // click (12), its upgrade (13) and close (14); a click (15).
        std::string events = MapOpening(2, kPlayY, at.size) + at(13000, kBedX, kBedY) + at(14500, 512, 200) +
                             at(15500, kBedX, kBedY) + at.Panel(16500, kUpgradeX, kUpgradeY);
        events += at(20000, 512, 200) + at(21500, kMillX, kMillY) + at.Panel(22500, kUpgradeX, kUpgradeY);
        events += at(30000, 512, 300) + at(31000, kProduceX, kProduceY) + at(32000, kProduceX, kProduceY);
        events += at(35500, 512, 300) + at.Panel(36500, kWarehouseX, kWarehouseY) + at(40000, 512, 300) +
                  at.Window(41000, kRaiseX, kRaiseY) + at.Window(42000, kCloseX, kCloseY) +
                  at(43500, 512, 300);
        const std::vector<std::pair<int, std::string>> taken = {
            {16400, "upgrade"}, {19900, "working"}, {29900, "slots"}, {30900, "produce"},
            {39900, "tile"},    {40900, "raise"},   {41900, "close"}, {44400, "end"}};
        const std::string log = at.Play(events, taken, 44500, "upgrade-");
        EXPECT_NE(log.find("80030000 waits for the clock"), std::string::npos) << log;
        ExpectStepsInOrder(log, {"80030001", "80030002", "80030003", "80030004", "80030006", "80030007",
                                 "80030008", "80030009", "8003000A", "8003000B", "8003000C", "8003000D",
                                 "8003000E", "8003000F"});
        EXPECT_NE(log.find("point 3: wheat to stage 2 ordered"), std::string::npos) << log;
        EXPECT_NE(log.find("point 2: prod_flour to level 2 ordered"), std::string::npos) << log;
        // Both slots of the upgraded mill ran before step 10.
        const size_t first = log.find("Production started          flour");
        ASSERT_NE(first, std::string::npos) << log;
        EXPECT_NE(log.find("Production started          flour", first + 1), std::string::npos) << log;
        EXPECT_LT(log.find("Production started          flour", first + 1), log.find("step 8003000A")) << log;
        EXPECT_NE(log.find("Warehouse                   level 2"), std::string::npos) << log;

        if (!at.Large()) continue;
        const Shots shots(at.game, taken);
        ASSERT_EQ(shots.Missing(), "");
        const Shot &upgrade = shots["upgrade"], &working = shots["working"], &slots = shots["slots"],
                   &produce = shots["produce"], &tile = shots["tile"], &raise = shots["raise"],
                   &close = shots["close"], &end = shots["end"];
        ASSERT_EQ(upgrade.picture.width, 1024);
        // Step 3: the arrow points down at the bed panel's upgrade button.
        EXPECT_GT(upgrade.Count(640, 620, 685, 680, ArrowYellow), 300) << log;
        // Step 4: one arrow below the farmer's place at the bed pointing up at
        // it, the other left of the mill's; the box beside the first one's tail.
        EXPECT_GT(working.Count(475, 450, 505, 520, ArrowYellow), 300) << log;
        EXPECT_GT(working.Count(650, 330, 730, 370, ArrowYellow), 300) << log;
        EXPECT_GT(working.Count(230, 465, 470, 555, Parchment), 8000) << log;
        // Step 8: an arrow at the two slot buttons from their right.
        EXPECT_GT(slots.Count(740, 200, 830, 232, ArrowYellow), 300) << log;
        // Step 9: the arrow points at the production button from its right, not
        // up at the slots' grey squares below it.
        EXPECT_GT(produce.Count(718, 158, 800, 202, ArrowYellow), 300) << log;
        EXPECT_LT(produce.Count(680, 195, 720, 260, ArrowYellow), 30) << log;
        // Step 12: the arrow below the first product's tile of the warehouse window.
        EXPECT_GT(tile.Count(255, 315, 300, 375, ArrowYellow), 300) << log;
        // Step 13: the arrow above the warehouse's upgrade button; 14: right of the close button.
        EXPECT_GT(raise.Count(300, 485, 350, 545, ArrowYellow), 300) << log;
        // Its box beside the arrow's tail (what lies on the field under the window makes it no way).
        EXPECT_GT(raise.Count(240, 370, 660, 430, Parchment), 8000) << log;
        EXPECT_EQ(tile.Count(440, 485, 530, 525, Parchment) + raise.Count(440, 485, 530, 525, Parchment), 0)
            << "a box over the window's money";
        EXPECT_GT(close.Count(578, 535, 640, 585, ArrowYellow), 300) << log;
        EXPECT_LT(close.Count(300, 485, 350, 545, ArrowYellow), 50) << "step 13's arrow is gone";
        // After the last click nothing of the tutorial is left over the field.
        EXPECT_LT(end.Count(0, 50, 1024, 640, ArrowYellow), 50) << log;
        EXPECT_LT(end.Count(300, 280, 720, 360, Parchment), 500) << log;
    }
}

// Escape, the pause menu's restart and the level window's restart while step
// 4 (which pauses the level) is current begin a clean level: a click starts
// it with step 1, and the bed of point 3 is upgraded anew.
TEST(LevelTutorialUpgradeScenario, ARestartAtStepFourBeginsACleanLevel) {
    GameCopy game;
    MakeMapProfile(game.User(), 2);
    const std::string log = PlayGame(game,
                                     MapOpening(2) + Click(13000, kBedX, kBedY) + Click(14500, 512, 200) +
                                         Click(15500, kBedX, kBedY) + Click(16500, kUpgradeX, kUpgradeY) +
                                         Restart(20000) + Click(25000, 512, 200) + Click(28000, 512, 200) +
                                         Click(29500, kBedX, kBedY) + Click(31000, kUpgradeX, kUpgradeY),
                                     {}, 32000);
    ExpectStepsInOrder(log, {"80030004", "80030001", "80030002", "80030003"});
    EXPECT_EQ(testsupport::Occurrences(log, "point 3: wheat to stage 2 ordered"), 2u) << log;
}
