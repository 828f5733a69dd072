// The level panel on the screen, over the sample level of the screen after
// loading (F5), at 800 x 600 and 1024 x 768: half a second after it opens the
// bar shows the goals (the wheat goal met), the empty panel, the money strip,
// the warehouse and menu buttons, two bonus buttons and the pulsing start
// text; a click on the first bonus one second after it opens starts the
// clock and the bonus, and 4.2 s after it opened the text is gone, the bonus
// runs and the clock has moved on.

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

constexpr int kOpenMs = 7000; // the game data is loaded well before

bool White(int r, int g, int b) {
    return r > 230 && g > 230 && b > 230;
}
bool Lit(int r, int g, int b) {
    return r + g + b > 150;
}
// The met goal frame and the running bonus frame are light green.
bool Green(int r, int g, int b) {
    return g > 200 && g > r + 20 && g > b + 40;
}

} // namespace

TEST(LevelPanelScreen, PanelOverTheSampleLevelAtBothScreenSizes) {
    struct Case {
        int w, h;
        int moneyLeft, goalLeft, goalWidth; // the first goal (money) and the second (wheat)
    } cases[] = {{800, 600, 4, 94, 91}, {1024, 768, 66, 173, 107}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.w);
        GameCopy game;
        ASSERT_TRUE(testsupport::UseWindow(game, c.w, c.h));
        const int top = c.h - 115;
        const int bonusX = (c.w - 106) / 2, bonusY = top - 56;
        const std::string opened = game.File("opened.png"), running = game.File("running.png");
        testsupport::PlayNamed(
            game,
            {.name = "panel",
             .events = testsupport::script::SkipLogos() + testsupport::script::KeyTap(kOpenMs, "F5", 80) +
                       testsupport::script::ClickAt(kOpenMs + 900, bonusX + 27, bonusY + 24, 100, 180),
             .untilMs = kOpenMs + 4300,
             .shots = {{kOpenMs + 500, opened}, {kOpenMs + 4200, running}},
             .moreArguments = " --draw-every 1"});
        const Shot a = LoadShot(opened), b = LoadShot(running);
        ASSERT_TRUE(a.ok && b.ok) << a.error << b.error;
        ASSERT_EQ(a.picture.width, c.w);
        ASSERT_EQ(a.picture.height, c.h);

        // The bar across the bottom, the money strip at the top centre, the menu corner.
        EXPECT_GT(a.Count(0, top + 30, c.w, c.h, Lit), (c.w * 85) * 8 / 10);
        EXPECT_GT(a.Count((c.w - 570) / 2, 0, (c.w + 570) / 2, 40, Lit), 570 * 40 * 8 / 10);
        EXPECT_GT(a.Count(c.w - 60, 0, c.w, 25, Lit), 60 * 25 / 2);
        // The wheat goal is met: its frame is green; the money goal's is not.
        EXPECT_GT(a.Count(c.goalLeft, top + 4, c.goalLeft + c.goalWidth, top + 112, Green), 1000);
        EXPECT_EQ(a.Count(c.moneyLeft, top + 4, c.moneyLeft + c.goalWidth - 2, top + 112, Green), 0);
        // Two bonus buttons above the bar.
        EXPECT_GT(a.Count(bonusX, bonusY, bonusX + 106, bonusY + 48, Lit), 106 * 48 / 2);
        // The pulsing text 80 px above the bar, gone once the clock runs.
        EXPECT_GT(a.Count(c.w / 2 - 150, top - 95, c.w / 2 + 150, top - 65, White), 100);
        EXPECT_EQ(b.Count(c.w / 2 - 150, top - 95, c.w / 2 + 150, top - 65, White), 0);
        // The clicked bonus runs: 12 px higher, in its green running frame.
        EXPECT_EQ(a.Count(bonusX, bonusY - 12, bonusX + 54, bonusY + 48, Green), 0);
        EXPECT_GT(b.Count(bonusX, bonusY - 12, bonusX + 54, bonusY + 48, Green), 300);
        // The clock's row of the empty panel changed (00:00:00 to 00:00:03); the medal rows did
        // not.
        const int childLeft = c.w > 800 ? 391 : 279, childWidth = c.w > 800 ? 470 : 420;
        const int right = childLeft + childWidth - (childWidth / 2 + 8) / 2;
        int clockDiffers = 0, medalsDiffer = 0;
        for (int y = top + 24 + 62 - 8; y < top + 24 + 62 + 8; ++y)
            for (int x = right - 20; x < right + 60; ++x)
                clockDiffers += a.At(x, y) != b.At(x, y);
        const int left = childLeft + (childWidth / 2 + 8) / 2;
        for (int y = top + 24 + 30 - 8; y < top + 24 + 30 + 8; ++y)
            for (int x = left - 20; x < left + 60; ++x)
                medalsDiffer += a.At(x, y) != b.At(x, y);
        EXPECT_GT(clockDiffers, 10);
        EXPECT_EQ(medalsDiffer, 0);
    }
}
