// Level 5's tutorial played through at 1024 x 768 (and walked at 1920 x 1080 and 800 x 600; reached from the
// main screen through the map) by clicks alone: the pie bakery built on the site of point 4, wheat harvested,
// the henhouse of point 1 fed, flour ground in the mill of point 5, the eggs taken and a pie baked from flour
// and an egg, to the goal's step.
#include "tests/game/LevelTutorialPlay.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace tutorialplay;
using testsupport::Differing;

namespace {

// The site of point 4, the site panel's buildings page and its pie bakery;
// the harvest button over the bed of point 3; the henhouse's feed and eggs
// buttons; the production buttons of the mill and of the new bakery.
constexpr int kSiteX = 480, kSiteY = 230, kBuildingsX = 626, kBuildingsY = 712, kBakeryX = 626,
              kBakeryY = 712;
constexpr int kHarvestX = 560, kHarvestY = 407, kFeedX = 355, kFeedY = 397, kEggsX = 388, kEggsY = 450;
constexpr int kFlourX = 760, kFlourY = 100, kPieX = 480, kPieY = 80;

// The arrows at the production buttons of the bakery and of the mill, which
// lie right of the buttons (the slots' grey squares stand below them).
int BakeryArrow(const Shot& shot) {
    return shot.Count(500, 58, 600, 100, ArrowYellow);
}
int MillArrow(const Shot& shot) {
    return shot.Count(780, 80, 880, 118, ArrowYellow);
}

} // namespace

TEST(LevelTutorialPieScenario, LevelFiveBakesAPieFromFlourAndAnEgg) {
    // At each window size; the screenshots are looked at in the first.
    for (SizedGame at : kEverySize) {
        // The player lacks one flour for the miller's bronze award: the first flour here earns it.
        testplayers::MakeEasyPlayer(at.game.User(), u"lea", 4, kLevelSilver, true, [](ProfileRecord& record) {
            record.awards[2] = record.awardsSeen[2] = 9;
        });
        // The first click, on the site, starts the clock; the site again (1), its
        // buildings (2), the pie bakery (3); a click beside it (4); the harvest
        // (5); the feed button (6); the mill (7); flour and eggs come (8); the
        // eggs button (9); the bakery (10); a click (11).
        std::string events = MapOpening(4, kPlayY, at.size) + at(13000, kSiteX, kSiteY) +
                             at(14500, kSiteX, kSiteY) + at.Panel(15500, kBuildingsX, kBuildingsY) +
                             at.Panel(16500, kBakeryX, kBakeryY);
        events += at(22000, 600, 560) + at(23500, kHarvestX, kHarvestY) + at(29000, kFeedX, kFeedY);
        events += at(33000, kFlourX, kFlourY) + at(44000, kEggsX, kEggsY) + at(47500, kPieX, kPieY) +
                  at(53500, 512, 300);
        const std::vector<std::pair<int, std::string>> taken = {
            {21900, "bakery"}, {23400, "harvest"}, {28900, "feed"}, {31500, "mill"}, {37500, "waiting"},
            {43500, "eggs"},   {47000, "pie"},     {52500, "goal"}, {54400, "end"}};
        const std::string log = at.Play(events, taken, 54500, "pie-");
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

        // Step 4: at every size the box stands near its arrow's tail, right of the bakery and above the
        // bed of point 3 (where there is no room beside it), not across the field.
        const Shots shots(at.game, taken);
        ASSERT_EQ(shots.Missing(), "");
        EXPECT_GT(shots["bakery"].Count(at.field.X(540), 0, at.size.width, at.field.Y(380), Parchment),
                  10000);
        // The miller's bronze award comes with the first flour, as step 9 begins: its notice (its green
        // name) stands beside the step's box, or waits for the box to go where it would cover it (at 800 x
        // 600).
        const bool noticeWaits = at.size.width < kLarge.width;
        const auto notice = [&](const char* shot) {
            return shots[shot].NearIn(0, 0, at.size.width, at.size.height, 0x008000, 8);
        };
        EXPECT_GT(notice(noticeWaits ? "pie" : "eggs"), 200);
        EXPECT_EQ(notice("eggs") == 0, noticeWaits);
        if (!at.Large()) continue;
        const Shot &bakery = shots["bakery"], &harvest = shots["harvest"], &feed = shots["feed"],
                   &mill = shots["mill"], &waiting = shots["waiting"], &eggs = shots["eggs"],
                   &pie = shots["pie"], &goal = shots["goal"], &end = shots["end"];
        ASSERT_EQ(bakery.picture.width, 1024);
        // Step 4: the arrow at the bakery's production button, the box below the mill, clear of it and the
        // henhouse.
        EXPECT_GT(BakeryArrow(bakery), 300) << log;
        EXPECT_GT(bakery.Count(590, 270, 960, 340, Parchment), 15000) << log;
        EXPECT_EQ(bakery.Count(700, 140, 810, 255, Parchment) + bakery.Count(320, 380, 440, 480, Parchment),
                  0);
        // Step 5: an arrow at the harvest button over the bed of point 3 from its right, off the bed; its box
        // beside the arrow's tail.
        EXPECT_GT(harvest.Count(585, 390, 680, 425, ArrowYellow), 250) << log;
        EXPECT_LT(harvest.Count(535, 440, 585, 495, ArrowYellow), 20) << "the bed";
        EXPECT_GT(harvest.Count(700, 390, 855, 425, Parchment), 2500) << log;
        // Step 6: an arrow at the henhouse's feed button from the lower right.
        EXPECT_GT(feed.Count(385, 420, 445, 480, ArrowYellow), 250) << log;
        // Step 7: an arrow at the mill's production button.
        EXPECT_GT(MillArrow(mill), 250) << log;
        // Step 8: a box below the farmer while flour and eggs come; step 7's arrow at the mill is gone.
        EXPECT_GT(waiting.Count(405, 525, 618, 560, Parchment), 6000) << log;
        EXPECT_LT(MillArrow(waiting), 30) << log;
        // Step 9: an arrow at the eggs button; 10: an arrow at the bakery's production button.
        EXPECT_GT(eggs.Count(405, 465, 460, 520, ArrowYellow), 250) << log;
        EXPECT_GT(BakeryArrow(pie), 300) << log;
        // The bakery's pie button: greyed while the egg is still to come, lit as
        // soon as flour and an egg are in the warehouse (the arrow stands beside it).
        constexpr uint32_t kButtonFace = 0xE8D8B0, kButtonGrey = 0xB8B0A0;
        EXPECT_GT(eggs.NearIn(kPieX - 18, kPieY - 18, kPieX + 18, kPieY + 18, kButtonGrey, 7), 300) << log;
        EXPECT_LT(eggs.NearIn(kPieX - 18, kPieY - 18, kPieX + 18, kPieY + 18, kButtonFace, 7), 30) << log;
        EXPECT_GT(pie.NearIn(kPieX - 18, kPieY - 18, kPieX + 18, kPieY + 18, kButtonFace, 7), 300) << log;
        EXPECT_LT(pie.NearIn(kPieX - 18, kPieY - 18, kPieX + 18, kPieY + 18, kButtonGrey, 7), 30) << log;
        // Step 11: an arrow down at the goal button on the panel, the box on the field.
        EXPECT_GT(goal.Count(205, 565, 250, 645, ArrowYellow), 300) << log;
        EXPECT_GT(goal.Count(390, 300, 630, 350, Parchment), 8000) << log;
        // After the last click the tutorial is over.
        EXPECT_LT(end.Count(0, 50, 1024, 645, ArrowYellow), 50) << log;
        EXPECT_LT(end.Count(390, 300, 630, 350, Parchment), 500) << log;
    }
}

// Step 7 holds the henhouse of point 1 still while it waits for the mill:
// the game itself, reached from its main screen through the map, plays level
// 5 to the step and lets it wait 20 s, more than a laying cycle takes. The
// level stands with it (its clock and the farmer by the henhouse): the hens
// are neither fed nor lay until the mill's production button is pressed;
// then, at double rate, the eggs come within seconds, step 9's arrow points
// at them, and taking them goes on to the pies.
TEST(LevelTutorialPieScenario, StepSevenHoldsTheHenhouseStillUntilTheMillGrinds) {
    GameCopy game;
    MakeMapProfile(game.User(), 4);
    // As above, 5.5 s later: the level is reached from the map. Step 7 waits
    // from about 31 s to 53 s.
    std::string events = MapOpening(4) + Click(13000, kSiteX, kSiteY) + Click(14500, kSiteX, kSiteY) +
                         Click(15500, kBuildingsX, kBuildingsY) + Click(16500, kBakeryX, kBakeryY);
    events += Click(22000, 600, 560) + Click(23500, kHarvestX, kHarvestY) + Click(29000, kFeedX, kFeedY);
    events += Click(53000, kFlourX, kFlourY) + Click(66000, kEggsX, kEggsY);
    const std::string log = PlayGame(game, events,
                                     {{12900, "level"},
                                      {33000, "held"},
                                      {52500, "still"},
                                      {54000, "grinding"},
                                      {65500, "eggs"},
                                      {69500, "pie"}},
                                     70000, "henhouse-");
    const std::vector<std::string> states = {"00000001", "80000002", "00000006", "00000005",
                                             "80000003", "00000004", "FFFFFFFF"};
    EXPECT_EQ(testsupport::StateChanges(log), states) << log;
    EXPECT_NE(log.find("the level window of level 5 opens"), std::string::npos) << log;
    ExpectStepsInOrder(log, {"80050001", "80050002", "80050003", "80050004", "80050005", "80050006",
                             "80050007", "80050008", "80050009", "8005000A"});
    // Nothing of the henhouse happens while step 7 holds it: it is fed, its
    // hen eats and lays only once step 8 runs it again.
    const size_t seven = log.find("step 80050007"), eight = log.find("step 80050008");
    ASSERT_NE(eight, std::string::npos) << log;
    const std::string held = log.substr(seven, eight - seven);
    for (const char* line : {"Animals fed", "Chicken eats", "Eggs laid", "Unit produced"})
        EXPECT_EQ(held.find(line), std::string::npos) << line << " while step 7 holds\n" << log;
    EXPECT_NE(held.find("Production started          flour"), std::string::npos) << log;
    const size_t laid = log.find("Eggs laid", eight);
    EXPECT_LT(log.find("Animals fed", eight), laid) << log;
    EXPECT_LT(laid, log.find("step 80050009")) << log;

    const Shot level = Load(game, "level"), first = Load(game, "held"), later = Load(game, "still"),
               grinding = Load(game, "grinding"), eggs = Load(game, "eggs"), pie = Load(game, "pie");
    ASSERT_TRUE(level.ok && first.ok && later.ok && grinding.ok && eggs.ok && pie.ok);
    // The level is on the screen with no tutorial before the first click.
    EXPECT_LT(level.Count(0, 50, 1024, 640, ArrowYellow), 50);
    // Step 7 at its start and 20 s later: the arrow at the mill's production
    // button, no eggs button over the henhouse, and the henhouse with the
    // farmer beside it and the level's clock just as they were.
    for (const Shot* shot : {&first, &later}) {
        EXPECT_GT(MillArrow(*shot), 250) << log;
        EXPECT_LT(shot->Count(405, 465, 460, 520, ArrowYellow), 30) << log;
    }
    EXPECT_EQ(Differing(first, later, 320, 370, 480, 520), 0) << "the henhouse stands still";
    EXPECT_EQ(Differing(first, later, 690, 725, 800, 752), 0) << "the clock stands still";
    // The mill's button answered: step 8's box, step 7's arrow gone, the clock on.
    EXPECT_GT(grinding.Count(405, 525, 618, 560, Parchment), 6000) << log;
    EXPECT_LT(MillArrow(grinding), 30) << log;
    // Step 9: the arrow at the eggs button; taken, step 10's arrow at the bakery's production button.
    EXPECT_GT(eggs.Count(405, 465, 460, 520, ArrowYellow), 250) << log;
    EXPECT_GT(Differing(later, eggs, 690, 725, 800, 752), 0) << "the clock runs again";
    EXPECT_GT(BakeryArrow(pie), 250) << log;
}
