// The bonuses window over a profile that owns three bonuses of which two are
// chosen: F10 on the screen after loading opens it (until the level window
// does); a click on the third owned bonus's panel fills the third slot and
// Escape keeps the choice.
#include "app/Profiles.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/WindowSizes.h"

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
    // The bees' check mark is a tick with its elbow at the bottom left: nothing right of the elbow.
    EXPECT_EQ(three.NearIn(799, 295, 804, 301, 0x208020, 10), 0);
    // The third slot is empty, then shows the boots.
    auto empty = [](const Shot& p) { return p.NearIn(546, 428, 604, 486, 0xD8BE88, 0); };
    EXPECT_GT(empty(two), 3000);
    EXPECT_LT(empty(three), 2500);
    // Escape keeps the choice: the sunshine, the bees, the boots.
    EXPECT_NE(game.Log().find("3: 3 0 2"), std::string::npos) << game.Log();
}

// A player who owns all six bonuses, the bees chosen, at both window sizes:
// every description wraps inside its panel, left of the chosen bees' check
// mark, and no text reaches past the window's right frame.
TEST(BonusesWindow, TheDescriptionsWrapInsideTheirPanels) {
    for (const windowsizes::WindowSize size : windowsizes::kSizes) {
        SCOPED_TRACE(windowsizes::Describe(size));
        GameCopy game;
        testplayers::MakePlayer(game.User(), u"tess", [](ProfileRecord& record) {
            RegimeProgress& easy = record.results.regimes[kRegimeEasy];
            for (int id = 0; id < 6; ++id)
                easy.owned[id] = 1;
            easy.chosenCount = 1;
            easy.chosen[0] = 0, easy.chosen[1] = easy.chosen[2] = -1;
        });
        const std::string shot = game.File("six.png");
        windowsizes::PlayAt(
            game, size,
            {.events = testsupport::script::SkipLogos() + "5000 key down F10\n5100 key up F10\n",
             .shots = {{5600, "six"}},
             .untilMs = 5700},
            "bonuses-");
        const Shot six = LoadShot(shot);
        ASSERT_TRUE(six.ok);
        // The window (661 x 490) is centred; its six panels 12 px in, 637
        // wide, from 61 px below its top down to 340 px.
        const int left = (size.width - 661) / 2, panelRight = left + 12 + 637;
        const int top = (size.height - 490) / 2 + 61, bottom = top + 280;
        const auto ink = [&](int x0, int y0, int x1, int y1) {
            return six.NearIn(x0, y0, x1, y1, 0x2A1A08, 14);
        };
        int rows = 0;
        for (int y = top; y < bottom; ++y)
            rows += ink(left + 320, y, left + 560, y + 1) > 0 ? 1 : 0;
        EXPECT_GT(rows, 6 * 8) << "the descriptions";
        EXPECT_EQ(ink(panelRight - 43, top, panelRight, bottom), 0) << "text over the check marks";
        // (A few pixels of the frame's shade come near the ink's colour; a line of text is many more.)
        EXPECT_LT(ink(left + 661, top, size.width, bottom), 20) << "text past the window";
    }
}
