// The bonuses window over a profile that owns three bonuses of which two are
// chosen: F10 on the screen after loading opens it (until the level window
// does); a click on the third owned bonus's panel fills the third slot and
// Escape keeps the choice.
#include "app/Profiles.h"
#include "tests/game/ProgramTest.h"

using namespace programtest;

TEST(BonusesWindow, ThreeOwnedBonusesTwoChosenAndAThirdAdded) {
    GameCopy game;
    testplayers::MakePlayer(game.User(), u"tess", [](ProfileRecord& record) {
        RegimeProgress& easy = record.results.regimes[kRegimeEasy];
        for (int id : {0, 2, 3})
            easy.owned[id] = 1;
        easy.chosenCount = 2;
        easy.chosen[0] = 3, easy.chosen[1] = 0, easy.chosen[2] = -1;
    });
    ASSERT_TRUE(testsupport::UseWindow(game));
    const std::string events = testsupport::script::SkipLogos() +
                               "5000 key down F10\n5100 key up F10\n"
                               "5700 mouse move 362 339\n5800 mouse down left\n"
                               "5850 mouse up left\n5900 mouse move 900 700\n"
                               "6200 key down ESCAPE\n6250 key up ESCAPE\n";
    const std::string before = game.File("before.png"), after = game.File("after.png");
    testsupport::PlayNamed(game, {.name = "bonuses",
                                  .events = events,
                                  .untilMs = 6600,
                                  .shots = {{5600, before}, {6100, after}},
                                  .moreArguments = " --draw-every 1"});
    const Shot two = LoadShot(before), three = LoadShot(after);
    ASSERT_TRUE(two.ok && three.ok);
    // Three panels, green while chosen: bees and sunshine, then boots as well.
    // (Pixels of exactly a colour: no tolerance.)
    auto green = [](const Shot& p, int y) { return p.NearIn(250, y - 15, 470, y + 15, 0x70A850, 0); };
    EXPECT_GT(green(two, 292), 1000);
    EXPECT_EQ(green(two, 339), 0);
    EXPECT_GT(green(two, 386), 1000);
    EXPECT_GT(green(three, 339), 1000);
    // The third slot is empty, then shows the boots.
    auto empty = [](const Shot& p) { return p.NearIn(546, 428, 604, 486, 0xD8BE88, 0); };
    EXPECT_GT(empty(two), 3000);
    EXPECT_LT(empty(three), 2500);
    // Escape keeps the choice: the sunshine, the bees, the boots.
    EXPECT_NE(game.Log().find("3: 3 0 2"), std::string::npos) << game.Log();
}
