// The level tutorials beyond the first level as a player meets them at
// 1024 x 768, each level opened from the main screen through the map by a
// player whose tutorials are on and who has won the levels before it: level
// 29's hint at the warehouse button after the first click, level 2's first
// steps (the goal, then the site for the mill) on its own farm at both
// window sizes, and level
// 15's pointer at its point 7, which goes by itself, walked with level 8's
// "Click this bed." at every window size. (Level 6's robber has a scenario of
// its own.)
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;

namespace {

// A press at a screen position (at 1024 x 768 the field is drawn 1:1), made 50 ms after the pointer comes.
std::string Press(int ms, int x, int y) {
    return testsupport::script::ClickAt(ms - 50, x, y, 50, 130);
}

} // namespace

TEST(LevelTutorialsScenario, LevelTwentyNinePointsAtTheWarehouseButton) {
    GameCopy game;
    MakeMapProfile(game.User(), 28);
    // The first click, on the wheat bed of point 1, starts the clock.
    const std::vector<std::pair<int, std::string>> taken = {{12900, "before"}, {13900, "hint"}};
    const std::string log = PlayGame(game, MapOpening(28) + Press(13000, 460, 300), taken, 14000);
    EXPECT_NE(log.find("802A0000 waits for the clock"), std::string::npos) << log;
    testsupport::KeepShot(game.File("hint.png"), "level29-hint.png");
    const Shots shots(game, taken);
    ASSERT_EQ(shots.Missing(), "") << log;
    const Shot &a = shots["before"], &b = shots["hint"];
    ASSERT_EQ(b.picture.width, 1024);
    EXPECT_LT(a.Count(0, 50, 1024, 640, ArrowYellow), 50) << "nothing before the clock starts";
    EXPECT_NE(log.find("step 802A0001"), std::string::npos) << log;
    // The arrow points down at the panel's warehouse button (bottom right), its box above it.
    EXPECT_GT(b.Count(880, 570, 945, 660, ArrowYellow), 400) << log;
    EXPECT_GT(b.Count(740, 502, 1010, 540, Parchment), 6000) << log;
    EXPECT_GT(b.Count(740, 488, 1010, 500, Parchment), 1500) << "no second line: what to click";
}

TEST(LevelTutorialsScenario, LevelTwoShowsItsGoalThenTheSiteForTheMill) {
    // The goal button's arrow on the panel at each window size; the buildings button and the mill.
    const struct {
        windowsizes::WindowSize size;
        int left, top, right, bottom;
        MapPoint buildings, mill;
    } kGoalArrows[] = {{{1024, 768}, 200, 580, 250, 655, {675, 712}, {577, 712}},
                       {{800, 600}, 120, 410, 160, 485, {538, 545}, {440, 550}}};
    for (const auto& goal : kGoalArrows) {
        SCOPED_TRACE(windowsizes::Describe(goal.size));
        GameCopy game;
        MakeMapProfile(game.User(), 1);
        const windowsizes::FieldOnScreen field(goal.size);
        // The first click, on the wheat bed of point 3, starts the clock; step 1
        // (the goal) is clicked away at 14.1 s; then the site (2), its buildings (3), the mill (4).
        const std::string events = MapOpening(1, kPlayY, goal.size) +
                                   Press(13000, field.X(480), field.Y(470)) +
                                   Press(14100, field.X(300), field.Y(120));
        const std::string then = Press(16000, field.X(440), field.Y(220)) +
                                 Press(17000, goal.buildings.x, goal.buildings.y) +
                                 Press(18000, goal.mill.x, goal.mill.y);
        const std::vector<std::pair<int, std::string>> taken = {
            {14000, "goal"}, {15300, "site"}, {16900, "buildings"}, {17900, "mill"}, {23800, "button"}};
        const std::string log = windowsizes::PlayAt(
            game, goal.size, {.events = events + then, .shots = taken, .untilMs = 23900, .program = true},
            "level2-");
        EXPECT_NE(log.find("80020000 waits for the clock"), std::string::npos) << log;
        const Shots shots(game, taken);
        ASSERT_EQ(shots.Missing(), "") << log;
        const Shot &a = shots["goal"], &b = shots["site"];
        EXPECT_NE(log.find("step 80020002"), std::string::npos) << log;
        // Step 1: the box by the field's centre, off the wheat beds and their buttons; the goal's arrow.
        EXPECT_GT(a.Count(0, field.Y(0), goal.size.width, field.Y(688), Parchment), field.Area(10000)) << log;
        EXPECT_LT(a.Count(field.X(450), field.Y(380), field.X(730), field.Y(485), Parchment), 200) << log;
        EXPECT_GT(a.Count(goal.left, goal.top, goal.right, goal.bottom, ArrowYellow), field.Area(400)) << log;
        // Step 2: a level arrow below the site of point 1 (440, 220), pointing up at it; its box leaves
        // the wheat beds (480, 470) and (700, 470) in sight.
        EXPECT_GT(b.Count(field.X(380), field.Y(220), field.X(500), field.Y(320), ArrowYellow),
                  field.Area(200))
            << log;
        EXPECT_EQ(b.Count(field.X(455), field.Y(445), field.X(725), field.Y(490), Parchment), 0) << log;
        // Steps 3 and 4 leave them in sight too; step 5's box stands beside its arrow right of the mill.
        for (const char* step : {"buildings", "mill"})
            EXPECT_EQ(shots[step].Count(field.X(455), field.Y(445), field.X(725), field.Y(490), Parchment), 0)
                << step;
        EXPECT_GT(shots["button"].Count(field.X(560), 0, goal.size.width, field.Y(200), Parchment),
                  field.Area(12000));
    }
}

// Level 15's pointer at its point 7 a second after the clock starts, gone by itself seven seconds later; and
// level 8's "Click this bed." (without the bees), which a click on the field brings. At each window size
// their boxes stand off the level panel (its buttons, medal bar, clock and goals) and wholly on the screen
// (the walk fails on the log's line of a box at rest over what it must leave in sight); level 15's shots are
// looked at in the first.
TEST(LevelTutorialsScenario, LevelFifteenPointsAtItsPointForAWhileAndLetsGo) {
    const struct {
        int32_t level, x, y, clickMs; // the field's point whose click starts the clock
        std::string step;
    } kWalks[] = {{14, 380, 250, 13000, "800F0001"}, {7, 560, 260, 14500, "80080002"}};
    for (const auto& w : kWalks)
        for (SizedGame at : kEverySize) {
            MakeMapProfile(at.game.User(), w.level);
            const std::string events = MapOpening(w.level, kPlayY, at.size) + at(w.clickMs, w.x, w.y) +
                                       (w.level == 7 ? at(16500, 512, 150) : "");
            const std::vector<std::pair<int, std::string>> taken = {
                {12900, "before"}, {15000, "pointer"}, {18400, "bed"}, {23000, "after"}};
            const std::string log =
                at.Play(events, taken, 23100, "level" + std::to_string(w.level + 1) + "-");
            EXPECT_NE(log.find(w.step.substr(0, 4) + "0000 waits for the clock"), std::string::npos) << log;
            ExpectStepsInOrder(log, {w.step});
            if (w.level != 14 || !at.Large()) continue;
            const Shots shots(at.game, taken);
            ASSERT_EQ(shots.Missing(), "") << log;
            const Shot &a = shots["before"], &b = shots["pointer"], &c = shots["after"];
            ASSERT_EQ(b.picture.width, 1024);
            EXPECT_LT(a.Count(0, 50, 1024, 640, ArrowYellow), 50) << "nothing before the clock starts";
            // The arrow stands just below the rubble of point 7 (700, 455), pointing
            // up at it; its box with the click line stands beside the arrow's tail, above the panel.
            EXPECT_GT(b.Count(680, 495, 720, 570, ArrowYellow), 300) << log;
            EXPECT_GT(b.Count(300, 575, 675, 640, Parchment), 12000) << log;
            // Seven seconds later the pointer has gone by itself.
            EXPECT_LT(c.Count(0, 50, 1024, 640, ArrowYellow), 30) << log;
            EXPECT_LT(c.Count(300, 575, 675, 640, Parchment), 200) << log;
        }
}
