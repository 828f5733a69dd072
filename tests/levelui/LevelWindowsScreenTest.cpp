// The windows around a level on the screen after loading (F9, 1024 x 768):
// the information page a second after it opens, the pause menu, the level
// window in restart mode from the menu's restart, and the result window of
// a gold finish with a new record mid-reveal (both ticks, no medal yet) and
// after a click (the medal), left with Enter.

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

// The windows' light paper.
bool Paper(int r, int g, int b) {
    return r > 225 && g > 210 && b > 160;
}
bool Tick(int r, int g, int b) {
    return g > 150 && g > r + 60 && g > b + 80;
}
// The medal times' pale yellow.
bool TimeDigit(int r, int g, int b) {
    return r > 240 && g > 240 && b > 110 && b < 170;
}
bool Gold(int r, int g, int b) {
    return r > 200 && g > 150 && b < 90;
}

} // namespace

TEST(LevelWindowsScreen, PageMenuLevelWindowAndResult) {
    GameCopy game;
    ASSERT_TRUE(testsupport::UseWindow(game));
    const std::string events =
        testsupport::script::SkipLogos() + ("7000 key down F9\n7080 key up F9\n"
                                            // a click anywhere closes the page
                                            "8200 mouse move 100 100\n8300 mouse down left\n"
                                            "8380 mouse up left\n8600 key down F9\n8680 key up F9\n"
                                            // the menu's restart
                                            "9800 mouse move 500 303\n9900 mouse down left\n"
                                            "9980 mouse up left\n"
                                            // cancel the level window, close the menu
                                            "11000 key down ESCAPE\n11080 key up ESCAPE\n"
                                            "11200 key down ESCAPE\n11280 key up ESCAPE\n"
                                            "11600 key down F9\n11680 key up F9\n"
                                            "13600 mouse down left\n13680 mouse up left\n"
                                            "14500 key down RETURN\n14580 key up RETURN\n");
    const std::string page = game.File("page.png"), menu = game.File("menu.png"),
                      level = game.File("level.png"), reveal = game.File("reveal.png"),
                      all = game.File("all.png"), after = game.File("after.png");
    testsupport::PlayNamed(
        game,
        {.name = "windows",
         .events = events,
         .untilMs = 15000,
         .shots = {{8000, page}, {9500, menu}, {10500, level}, {13500, reveal}, {14400, all}, {14900, after}},
         .moreArguments = " --draw-every 1"});
    const Shot a = LoadShot(page), m = LoadShot(menu), l = LoadShot(level), r = LoadShot(reveal),
               f = LoadShot(all), e = LoadShot(after);
    ASSERT_TRUE(a.ok && m.ok && l.ok && r.ok && f.ok && e.ok);
    ASSERT_EQ(a.picture.width, 1024);

    // The page: 680 x 256 centred 20 px above the middle, at (172, 236).
    EXPECT_GT(a.Count(190, 255, 835, 475, Paper), 645 * 220 / 2);
    EXPECT_LT(a.Count(0, 500, 1024, 768, Paper), 100);
    // The menu: its six buttons in a column at the centre, the page gone.
    EXPECT_GT(m.Count(400, 150, 620, 620, Paper), 220 * 470 / 3);
    EXPECT_LT(m.Count(172, 400, 360, 480, Paper), 100);
    // The level window: 600 px wide, its goals area, medal strip and bonus area.
    EXPECT_GT(l.Count(230, 200, 795, 410, Paper), 565 * 210 / 2);
    // Mid-reveal both ticks, no medal; after the click the medal shows.
    EXPECT_GT(r.Count(440, 280, 760, 350, Tick), 300);
    EXPECT_LT(r.Count(280, 380, 380, 500, Gold), 50);
    EXPECT_GT(f.Count(280, 370, 380, 500, Gold), 300);
    // The ticks stand above the silver and gold times, which stay readable:
    // pale yellow digits, no tick over them.
    for (int left : {460, 607}) {
        EXPECT_EQ(f.Count(left, 322, left + 115, 346, Tick), 0) << "a tick over the time at " << left;
        EXPECT_GT(f.Count(left, 322, left + 115, 346, TimeDigit), 300) << "the time at " << left;
        EXPECT_GT(f.Count(left, 280, left + 115, 320, Tick), 150) << "the tick above the time at " << left;
    }
    // The easy regime has no bronze column: a wooden plate stands in its
    // place, not an empty white box.
    EXPECT_EQ(f.Count(285, 298, 435, 358, [](int r, int g, int b) { return r > 235 && g > 235 && b > 200; }),
              0);
    EXPECT_GT(f.Count(285, 298, 435, 358, [](int r, int g, int b) { return r > g + 40 && g > b + 30; }),
              6000);
    // Enter left: the window has gone.
    EXPECT_LT(e.Count(280, 240, 760, 530, Paper), 2000);

    const std::string log = game.Log();
    for (const char* line : {"information page 680 x 256", "pause menu", "result window: gold in 00:00:47",
                             "the level is left for the map"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}
