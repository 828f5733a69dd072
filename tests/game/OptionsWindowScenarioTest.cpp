// The options window on the main screen: full screen switched on in an
// 800 x 600 window whose full screen is 1024 x 768 centres the window on the
// new screen, where its buttons answer.
#include "tests/game/ProgramTest.h"

using namespace programtest;
using testsupport::script::Move;
using testsupport::script::held::Click;
using testsupport::script::held::Key;

namespace {} // namespace

TEST(OptionsWindowScenario, FullScreenCentresTheOptionsOnTheNewScreen) {
    GameCopy game;
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=800,600\nScreen=1024,768\n"));
    // A click skips the logos; a first player "a" is made; the menu's
    // "options" at (589, 489); the options (520 x 330) stand at (140, 135)
    // with their full screen box at (178, 217), and centred on 1024 x 768 at
    // (252, 219) with "close" at (512, 516).
    const std::string events = Click(40, 500, 300) + Key(4500, "A") + Key(4600, "RETURN") +
                               Click(6700, 589, 489) + Move(6900, 5, 300) + Click(7900, 178, 217) +
                               Move(8100, 5, 300) + Click(9000, 512, 516) + Move(9200, 5, 300);
    const std::string before = game.File("before.png"), after = game.File("after.png"),
                      closed = game.File("closed.png");
    testsupport::PlayNamed(game, {.name = "options",
                                  .events = events,
                                  .untilMs = 10500,
                                  .shots = {{7800, before}, {8800, after}, {10400, closed}},
                                  .program = true});
    const Shot a = LoadShot(before), b = LoadShot(after), c = LoadShot(closed);
    ASSERT_TRUE(a.ok && b.ok && c.ok) << a.error << b.error << c.error;
    ASSERT_EQ(a.picture.width, 800);
    ASSERT_EQ(b.picture.width, 1024);
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::Occurrences(log, "The options window opens."), 1u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "Fullscreen:             Yes"), 1u) << log;
    // Across the options' lower part, beside "close".
    EXPECT_GT(a.NearIn(600, 355, 640, 395, kWindowFace, 6), 1200) << "the options at 800 x 600";
    EXPECT_GT(b.NearIn(680, 440, 750, 490, kWindowFace, 6), 2500) << "the options centred at 1024 x 768";
    EXPECT_LT(b.NearIn(150, 285, 240, 305, kWindowFace, 6), 100) << "nothing of them at the old place";
    // "close" answered where it now stands.
    EXPECT_LT(c.NearIn(270, 230, 600, 540, kWindowFace, 6), 200) << "the options closed";
}
