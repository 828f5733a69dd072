// The tutorial overlay on the screen after loading (F8) at 1024 x 768: 1.2 s
// after the key the step's arrow and hint box (text and click line) stand
// below the click counter; a click ends the tutorial and is not counted, and
// 800 ms later the overlay is gone.

#include "tests/game/TutorialLooks.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::GameCopy;
using testsupport::LoadShot;
using testsupport::Shot;

namespace {

constexpr int kKeyMs = 7000; // the game data is loaded well before

using tutorialplay::Orange;
using tutorialplay::Parchment;

} // namespace

TEST(TutorialScreen, StepOverTheScreenAfterLoadingEndsOnAClick) {
    GameCopy game;
    ASSERT_TRUE(testsupport::UseWindow(game));
    const std::string shown = game.File("shown.png"), gone = game.File("gone.png");
    testsupport::PlayNamed(game, {.name = "tutorial",
                                  .events = testsupport::script::SkipLogos() +
                                            testsupport::script::KeyTap(kKeyMs, "F8", 80) +
                                            testsupport::script::ClickAt(kKeyMs + 2000, 700, 300, 20, 100),
                                  .untilMs = kKeyMs + 3000,
                                  .shots = {{kKeyMs + 1200, shown}, {kKeyMs + 2900, gone}},
                                  .moreArguments = " --draw-every 1"});
    const Shot a = LoadShot(shown), b = LoadShot(gone);
    ASSERT_TRUE(a.ok && b.ok) << a.error << b.error;
    ASSERT_EQ(a.picture.width, 1024);
    ASSERT_EQ(a.picture.height, 768);
    // The arrow just below and left of the counter, the box below it.
    EXPECT_GT(a.Count(420, 470, 520, 540, Orange), 300);
    EXPECT_GT(a.Count(150, 530, 650, 640, Parchment), 20000);
    EXPECT_LT(a.Count(0, 0, 1024, 440, Parchment), 200); // the screen's own pictures hold a few
    // Gone after the click.
    EXPECT_EQ(b.Count(420, 470, 520, 540, Orange), 0);
    EXPECT_EQ(b.Count(0, 440, 1024, 768, Parchment), 0);
    // The layer took the click: the screen below did not count it.
    const std::string log = game.Log();
    EXPECT_EQ(log.find("(click 1)"), std::string::npos) << log;
}
