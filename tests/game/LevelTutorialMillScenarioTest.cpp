// Level 2's tutorial played in the game itself, reached from its main screen
// through the map (at 1024 x 768, and walked at 1920 x 1080 and 800 x 600), by clicks alone: the mill built
// on the site of point 1 where the arrow points, wheat harvested and ground there, a second mill on the site
// of point 2, wheat for both (the second unit grows while the step waits), both mills started and run to the
// end of the tutorial, whose third flour is the goal: the level is won as it ends.
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;

namespace {

// The sites of points 1 and 2; the site panel's buildings page and its mill;
// the harvest buttons over the beds of points 3 and 4; the mills' production
// buttons.
constexpr int kSiteOneX = 440, kSiteOneY = 220, kSiteTwoX = 760, kSiteTwoY = 220;
constexpr int kBuildingsX = 675, kBuildingsY = 712, kMillX = 577, kMillY = 712;
constexpr int kBedThreeX = 480, kBedFourX = 700, kHarvestY = 397, kProduceY = 70;
// An arrow at the production button of point 1 lies right of it, from here.
constexpr int kArrowLeft = 470;

// The close-tutorial button's dark wood label in the top-left corner.
bool CloseButtonText(int r, int g, int b) {
    return r < 80 && g < 60 && b < 50;
}

// From the map into level 2 and on to its sixth step: the first click (on
// the bed of point 3) starts the clock; the goal is clicked away (1); the
// site (2), its buildings (3), the mill (4); a click (5). Step 6 stands from
// about 26.5 s.
std::string ToTheWheatStep(const SizedClicks& at = {}) {
    return MapOpening(1, kPlayY, at.size) + at(13000, kBedThreeX, 470) + at(14600, 300, 120) +
           at(16000, kSiteOneX, kSiteOneY) + at.Panel(17000, kBuildingsX, kBuildingsY) +
           at.Panel(18000, kMillX, kMillY) + at(24000, 600, 560);
}

} // namespace

TEST(LevelTutorialMillScenario, LevelTwoBuildsBothMillsWhereTheArrowsPointAndRunsThemToTheEnd) {
    // At each window size; the screenshots are looked at in the first.
    for (SizedGame at : kEverySize) {
        MakeMapProfile(at.game.User(), 1);
        const MapPoint house = HouseAt(1, at.size);
        // The first click (on the bed of point 3) starts the clock; the goal is
        // clicked away (1); the site (2), its buildings (3), the mill (4); a click
        // (5); the harvest (6); the mill's button (7); it grinds (8); a click (9);
        // the second site (10), its buildings (11), the mill (12); both harvests
        // (13); both mills (14); they grind (15) and the level is won. Enter on
        // the result window, and level 2's house on the map again.
        std::string events =
            ToTheWheatStep(at) + at(27000, kBedThreeX, kHarvestY) + at(32000, kSiteOneX, kProduceY);
        events += at(42000, 600, 560) + at(43500, kSiteTwoX, kSiteTwoY) +
                  at.Panel(44500, kBuildingsX, kBuildingsY) + at.Panel(45500, kMillX, kMillY);
        events += at(54000, kBedFourX, kHarvestY) + at(63000, kBedThreeX, kHarvestY) +
                  at(68500, kSiteOneX, kProduceY) + at(69500, kSiteTwoX, kProduceY);
        events += testsupport::script::quick::Key(78000, "RETURN") + Click(90000, house.x, house.y);
        const std::vector<std::pair<int, std::string>> taken = {
            {14500, "goal"},   {15900, "site"},        {16900, "buildings"},   {17900, "mill"},
            {23800, "button"}, {26900, "harvest"},     {31900, "produce"},     {34000, "grinding"},
            {41800, "flour"},  {43400, "second-site"}, {45400, "second-mill"}, {53900, "wheat"},
            {62900, "grown"},  {68400, "both"},        {69400, "one"},         {71000, "running"},
            {76000, "over"},   {89500, "returned"},    {91500, "map"}};
        const std::string log = at.Play(events, taken, 92000, "mill-");
        const std::vector<std::string> states = {"00000001", "80000002", "00000006", "00000005",
                                                 "80000003", "00000004", "00000005", "FFFFFFFF"};
        EXPECT_EQ(testsupport::StateChanges(log), states) << log;
        ExpectStepsInOrder(log, {"80020001", "80020002", "80020003", "80020004", "80020005", "80020006",
                                 "80020007", "80020008", "80020009", "8002000A", "8002000B", "8002000C",
                                 "8002000D", "8002000E", "8002000F"});
        EXPECT_NE(log.find("point 1: prod_flour ordered"), std::string::npos) << log;
        EXPECT_NE(log.find("point 2: prod_flour ordered"), std::string::npos) << log;
        // Step 13 waited for the second unit of wheat to grow; step 15 ran both
        // mills to the goal's third flour, which ends the tutorial and wins.
        const size_t thirteen = log.find("step 8002000D"), fourteen = log.find("step 8002000E");
        EXPECT_LT(thirteen, log.find("Into the warehouse          1 of 1 wheat (stock 2)", thirteen)) << log;
        EXPECT_LT(log.find("Into the warehouse          1 of 1 wheat (stock 2)", thirteen), fourteen) << log;
        const size_t over = log.find("80020000 is over");
        ASSERT_NE(over, std::string::npos) << log;
        EXPECT_LT(log.find("Into the warehouse          1 of 1 flour (stock 3)"), over) << log;
        EXPECT_LT(over, log.find("Level won:                  level 2, regime 0")) << log;
        EXPECT_NE(log.find("Level won:                  level 2, regime 0"), std::string::npos) << log;
        const size_t back = log.find("the return from a level reveals its result");
        ASSERT_NE(back, std::string::npos) << log;
        EXPECT_NE(log.find("the level window of level 2 opens", back), std::string::npos)
            << "the map answers\n"
            << log;

        const Shots shots(at.game, taken);
        ASSERT_EQ(shots.Missing(), "");
        // 13: at every size its box leaves bed 3's growth line, then its harvest button (whose light face
        // is a few pixels of the parchment's colour), in sight.
        const windowsizes::FieldOnScreen& f = at.field;
        for (const char* name : {"wheat", "grown"})
            EXPECT_LT(shots[name].Count(f.X(454), f.Y(371), f.X(506), f.Y(433), Parchment), f.Area(100))
                << name;
        if (!at.Large()) continue;
        const Shot &goal = shots["goal"], &site = shots["site"], &buildings = shots["buildings"],
                   &mill = shots["mill"], &button = shots["button"], &harvest = shots["harvest"],
                   &produce = shots["produce"], &grinding = shots["grinding"], &flour = shots["flour"],
                   &secondSite = shots["second-site"], &secondMill = shots["second-mill"],
                   &wheat = shots["wheat"], &grown = shots["grown"], &both = shots["both"],
                   &one = shots["one"], &running = shots["running"], &overShot = shots["over"],
                   &returned = shots["returned"], &map = shots["map"];
        // The boxes and arrows over the field make way for the farmer.
        for (const auto& [ms, name] : taken) {
            if (ms < 76000) {
                EXPECT_GT(FarmerPixels(shots[name], kLarge), 120) << "the farmer hidden in " << name;
            }
        }
        // 1: the box on the field's centre and the goal button's arrow.
        EXPECT_GT(goal.Count(320, 300, 705, 350, Parchment), 10000) << log;
        EXPECT_GT(goal.Count(200, 580, 250, 655, ArrowYellow), 400) << log;
        // 2: the level arrow below the site of point 1; 3: down at the buildings
        // button; 4: down at the mill.
        EXPECT_GT(site.Count(380, 220, 500, 320, ArrowYellow), 200) << log;
        EXPECT_GT(buildings.Count(650, 590, 700, 660, ArrowYellow), 200) << log;
        EXPECT_GT(mill.Count(550, 590, 605, 660, ArrowYellow), 200) << log;
        EXPECT_LT(mill.Count(650, 590, 700, 660, ArrowYellow), 30) << "step 3's arrow is gone";
        // 5: at the new mill's production button from its right (below it stands
        // the grey square of its slot), its box with the click line beyond.
        EXPECT_GT(button.Count(kArrowLeft, 50, kArrowLeft + 80, 90, ArrowYellow), 250) << log;
        EXPECT_LT(button.Count(420, 95, 462, 175, ArrowYellow), 30) << "no arrow on the slot's square";
        EXPECT_GT(button.Count(580, 35, 975, 105, Parchment), 12000) << log;
        // 6: down at both ripe beds' harvest buttons.
        EXPECT_GT(harvest.Count(462, 290, 500, 372, ArrowYellow), 200) << log;
        EXPECT_GT(harvest.Count(682, 290, 720, 372, ArrowYellow), 200) << log;
        // 7: at the production button again; 8: at the slot while it grinds.
        EXPECT_GT(produce.Count(kArrowLeft, 50, kArrowLeft + 80, 90, ArrowYellow), 250) << log;
        EXPECT_LT(produce.Count(420, 95, 462, 175, ArrowYellow), 30) << "no arrow on the slot's square";
        EXPECT_GT(grinding.Count(420, 110, 462, 195, ArrowYellow), 250) << log;
        EXPECT_GT(grinding.Count(240, 250, 640, 298, Parchment), 9000) << log;
        // 9: the box with its click line on the field's centre.
        EXPECT_GT(flour.Count(320, 300, 703, 353, Parchment), 12000) << log;
        // 10: the level arrow below the site of point 2; 12: down at the mill.
        EXPECT_GT(secondSite.Count(700, 220, 820, 320, ArrowYellow), 200) << log;
        EXPECT_GT(secondMill.Count(550, 590, 605, 660, ArrowYellow), 200) << log;
        // 13: bed 4 is ripe (its arrow), bed 3 still grows (no arrow); later it
        // has grown and shows its harvest button.
        EXPECT_GT(wheat.Count(682, 290, 720, 372, ArrowYellow), 200) << log;
        EXPECT_LT(wheat.Count(462, 290, 500, 372, ArrowYellow), 30) << log;
        EXPECT_GT(wheat.Count(405, 485, 615, 528, Parchment), 6000) << log;
        const auto ring = [](const Shot& shot, int x) {
            return shot.NearIn(x - 18, 380, x + 18, 392, 0xE8C878, 12);
        };
        EXPECT_LT(ring(wheat, kBedThreeX), 5) << "bed 3 grows";
        EXPECT_GT(ring(wheat, kBedFourX), 20) << "bed 4's harvest button";
        EXPECT_GT(ring(grown, kBedThreeX), 20) << "bed 3's harvest button";
        // 14: at both production buttons; the first press closes its arrow.
        EXPECT_GT(both.Count(kArrowLeft, 50, kArrowLeft + 80, 90, ArrowYellow), 250) << log;
        EXPECT_GT(both.Count(kArrowLeft + 320, 50, kArrowLeft + 400, 90, ArrowYellow), 250) << log;
        EXPECT_LT(one.Count(kArrowLeft, 50, kArrowLeft + 80, 90, ArrowYellow), 30) << log;
        EXPECT_GT(one.Count(kArrowLeft + 320, 50, kArrowLeft + 400, 90, ArrowYellow), 250) << log;
        // 15: the box below the farmer while both grind; then the tutorial is over: no
        // close-tutorial button, and the result window over the field.
        EXPECT_GT(running.Count(357, 510, 665, 560, Parchment), 8000) << log;
        EXPECT_GT(running.Count(20, 8, 130, 28, CloseButtonText), 30) << log;
        EXPECT_LT(overShot.Count(20, 8, 130, 28, CloseButtonText), 10) << log;
        EXPECT_LT(overShot.Count(0, 50, 1024, 230, ArrowYellow), 50) << log;
        // After Enter the map, whose house of level 2 opens its level window again.
        const auto cream = [](const Shot& shot) { return shot.NearIn(280, 240, 740, 520, 0xF2E2BC, 8); };
        EXPECT_LT(cream(running), 500);
        EXPECT_GT(cream(overShot), 30000) << log;
        EXPECT_LT(cream(returned), 500) << log;
        EXPECT_GT(cream(map), 30000) << log;
    }
}

// Step 6 points at both ripe beds' harvest buttons: a player clicks both, and
// both harvests are ordered (the first order closes only its own bed's arrow).
TEST(LevelTutorialMillScenario, BothBedsTheWheatStepPointsAtAreHarvested) {
    GameCopy game;
    MakeMapProfile(game.User(), 1);
    const std::string events =
        ToTheWheatStep() + Click(27000, kBedThreeX, kHarvestY) + Click(27500, kBedFourX, kHarvestY);
    const std::vector<std::pair<int, std::string>> taken = {
        {26900, "beds"}, {27400, "first"}, {28000, "both"}};
    const std::string log = PlayGame(game, events, taken, 40000, "mill-beds-");
    ExpectStepsInOrder(log, {"80020006", "80020007"});
    EXPECT_NE(log.find("Into the warehouse          1 of 1 wheat (stock 2)"), std::string::npos)
        << "the second bed's harvest\n"
        << log;
    const Shots shots(game, taken);
    ASSERT_EQ(shots.Missing(), "");
    const auto arrow = [](const Shot& shot, int x) {
        return shot.Count(x - 18, 290, x + 20, 372, ArrowYellow);
    };
    EXPECT_GT(arrow(shots["beds"], kBedThreeX), 200);
    EXPECT_GT(arrow(shots["beds"], kBedFourX), 200);
    EXPECT_LT(arrow(shots["first"], kBedThreeX), 30) << "the first order closes its bed's arrow";
    EXPECT_GT(arrow(shots["first"], kBedFourX), 200) << "the other bed's arrow stays";
    EXPECT_LT(arrow(shots["both"], kBedFourX), 30);
}
