// The level tutorials beyond the first level as a player meets them at
// 1024 x 768, the levels opened from the stand-in screen (the level's
// number, then F6) with a new profile (tutorials on): level 29's hint at the
// warehouse button after the first click, level 2's first steps (the goal,
// then the site for the mill) on its own farm, and level 6's robber called at
// once, its damage shown with arrows at the hit bed and at the robber, and
// level 15's pointer at its point 7, which goes by itself.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/game/LevelTutorialPlay.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/MissingContent.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using testsupport::GameCopy;
using testsupport::LoadShot;
using testsupport::Shot;

namespace {

// A press at a screen position (at 1024 x 768 the field is drawn 1:1).
std::string Click(int ms, int x, int y) {
    return testsupport::script::ClickAt(ms - 50, x, y, 50, 130);
}

using tutorialplay::ArrowYellow;
using tutorialplay::Parchment;

// Runs the showcase on the events with the screenshots' arguments; answers the log.
std::string Play(GameCopy& game, const std::string& events, const std::string& shots, int untilMs) {
    return testsupport::Play(game, {.events = events, .untilMs = untilMs, .moreArguments = shots});
}

} // namespace

TEST(LevelTutorialsScenario, LevelTwentyNinePointsAtTheWarehouseButton) {
    GameCopy game;
    tutorialplay::MakeProfile(game.User(), 28);
    const std::string before = game.File("before.png"), hint = game.File("hint.png");
    // The first click, on the wheat bed of point 1, starts the clock.
    const std::string log =
        Play(game, tutorialplay::Opening("29") + Click(7500, 460, 300),
             " --screenshot-at 7400 '" + before + "' --screenshot-at 8400 '" + hint + "'", 8500);
    EXPECT_NE(log.find("802A0000 waits for the clock"), std::string::npos) << log;
    testsupport::KeepShot(hint, "level29-hint.png");
    const Shot a = LoadShot(before), b = LoadShot(hint);
    ASSERT_TRUE(a.ok && b.ok) << log;
    ASSERT_EQ(b.picture.width, 1024);
    EXPECT_LT(a.Count(0, 50, 1024, 640, ArrowYellow), 50) << "nothing before the clock starts";
    EXPECT_NE(log.find("step 802A0001"), std::string::npos) << log;
    // The arrow points down at the panel's warehouse button (bottom right), its box above it.
    EXPECT_GT(b.Count(880, 570, 945, 660, ArrowYellow), 400) << log;
    EXPECT_GT(b.Count(740, 502, 1010, 540, Parchment), 6000) << log;
}

TEST(LevelTutorialsScenario, LevelTwoShowsItsGoalThenTheSiteForTheMill) {
    GameCopy game;
    tutorialplay::MakeProfile(game.User(), 0);
    const std::string goal = game.File("goal.png"), site = game.File("site.png");
    // The first click, on the wheat bed of point 3, starts the clock; step 1
    // (the goal) is clicked away at 8.6 s.
    const std::string events = tutorialplay::Opening("02") + Click(7500, 480, 470) + Click(8600, 300, 120);
    const std::string log =
        Play(game, events, " --screenshot-at 8500 '" + goal + "' --screenshot-at 9800 '" + site + "'", 9900);
    EXPECT_NE(log.find("80020000 waits for the clock"), std::string::npos) << log;
    const Shot a = LoadShot(goal), b = LoadShot(site);
    ASSERT_TRUE(a.ok && b.ok) << log;
    EXPECT_NE(log.find("step 80020002"), std::string::npos) << log;
    // Step 1: the box centred on the field's centre (512, 326) and the goal button's arrow.
    EXPECT_GT(a.Count(320, 300, 705, 350, Parchment), 10000) << log;
    EXPECT_GT(a.Count(200, 580, 250, 655, ArrowYellow), 400) << log;
    // Step 2: a level arrow below the site of point 1 (440, 220), pointing up at it.
    EXPECT_GT(b.Count(380, 220, 500, 320, ArrowYellow), 200) << log;
}

TEST(LevelTutorialsScenario, LevelSixCallsTheRobberAtOnceAndShowsItsDamage) {
    GameCopy game;
    tutorialplay::MakeProfile(game.User(), 5);
    const std::string shot = game.File("damage.png");
    // The first click, on the wheat bed of point 1, starts the clock and calls the robber; seed 24
    // sends its first shot to the bed of point 3.
    const std::string log = Play(game, tutorialplay::Opening("06") + Click(7500, 460, 300),
                                 " --seed 24 --screenshot-at 19900 '" + shot + "'", 20000);
    EXPECT_NE(log.find("80060000 waits for the clock"), std::string::npos) << log;
    EXPECT_NE(log.find("step 80060001"), std::string::npos) << log;
    testsupport::KeepShot(shot, "level6-damage.png");
    const Shot a = LoadShot(shot);
    ASSERT_TRUE(a.ok) << log;
    // Its first shot hit the bed of point 3 (560, 480): one arrow points up at the puddle from
    // just below it, the other at the robber by its place on the left; the box, meant for the
    // field at (680, 520), makes way to the arrow's right, leaving the arrow in sight.
    EXPECT_GT(a.Count(540, 520, 580, 595, ArrowYellow), 300) << log;
    EXPECT_GT(a.Count(160, 465, 240, 525, ArrowYellow), 300) << log;
    EXPECT_GT(a.Count(600, 510, 980, 575, Parchment), 15000) << log;
    EXPECT_LT(a.Count(542, 404, 576, 595, Parchment), 50) << log;
}

TEST(LevelTutorialsScenario, LevelFifteenPointsAtItsPointForAWhileAndLetsGo) {
    GameCopy game;
    tutorialplay::MakeProfile(game.User(), 14);
    const std::string before = game.File("before.png"), pointer = game.File("pointer.png"),
                      after = game.File("after.png");
    // The first click, on the bed of the first row (380, 250), starts the clock; a second after it the
    // tutorial points at point 7 and stays seven seconds, unless clicked away.
    const std::string log = Play(game, tutorialplay::Opening("15") + Click(7500, 380, 250),
                                 " --screenshot-at 7400 '" + before + "' --screenshot-at 9500 '" + pointer +
                                     "' --screenshot-at 17500 '" + after + "'",
                                 17600);
    EXPECT_NE(log.find("800F0000 waits for the clock"), std::string::npos) << log;
    EXPECT_NE(log.find("step 800F0001"), std::string::npos) << log;
    testsupport::KeepShot(pointer, "level15-pointer.png");
    const Shot a = LoadShot(before), b = LoadShot(pointer), c = LoadShot(after);
    ASSERT_TRUE(a.ok && b.ok && c.ok) << log;
    ASSERT_EQ(b.picture.width, 1024);
    EXPECT_LT(a.Count(0, 50, 1024, 640, ArrowYellow), 50) << "nothing before the clock starts";
    // The arrow stands just below the rubble of point 7 (700, 455), pointing
    // up at it; its box with the click line stands above the rubble, clear of
    // the arrow (below it the panel leaves no room).
    EXPECT_GT(b.Count(680, 495, 720, 570, ArrowYellow), 300) << log;
    EXPECT_GT(b.Count(490, 355, 910, 405, Parchment), 12000) << log;
    // Seven seconds later the pointer has gone by itself.
    EXPECT_LT(c.Count(0, 50, 1024, 640, ArrowYellow), 30) << log;
    EXPECT_LT(c.Count(490, 355, 910, 405, Parchment), 200) << log;
}
