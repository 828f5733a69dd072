// The warehouse window on the screen after loading (F7) at 800 x 600: the
// script selects the wheat tile and presses sell-five; the window shows the
// tile at 5/50, the sale buttons as the warehouse's coin pictures, the
// upgrade plank with its coin and price centred, the goal notice at the
// bottom right, and the log has the sale (money 50). A click on the upgrade button
// then raises the warehouse: money 10, the tiles at capacity 100, the
// upgrade button gone.

#include "tests/support/GameCopy.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::GameCopy;
using testsupport::LoadShot;
using testsupport::Shot;

namespace {

// The window's parchment, the selected tile's yellow, the upgrade button's wood.
bool Parchment(int r, int g, int b) {
    return r > 225 && g > 210 && b > 170 && b < 215;
}
bool Selected(int r, int g, int b) {
    return r > 240 && g > 190 && b < 140;
}
bool Wood(int r, int g, int b) {
    return r > 150 && r < 215 && g > 100 && g < 160 && b < 110;
}
bool Dark(int r, int g, int b) {
    return r + g + b < 250;
}
// The coins' gold.
bool Gold(int r, int g, int b) {
    return r > 215 && g > 160 && g < 215 && b < 90;
}

} // namespace

TEST(WarehouseScreen, SellFiveWheatThenUpgrade) {
    GameCopy game;
    ASSERT_TRUE(testsupport::UseWindow(game, 800, 600));
    // The window (574 x 420) is centred and moved 2 px right: its corner at (115, 69), risen to leave the
    // goals in sight.
    const std::string events = "7000 key down F7\n7080 key up F7\n"
                               "7400 mouse move 166 169\n7500 mouse down left\n"
                               "7580 mouse up left\n"
                               "7800 mouse move 648 314\n7900 mouse down left\n"
                               "7980 mouse up left\n"
                               "8600 mouse move 214 457\n8700 mouse down left\n"
                               "8780 mouse up left\n";
    const std::string sold = game.File("sold.png"), upgraded = game.File("upgraded.png");
    testsupport::PlayNamed(game, {.name = "warehouse",
                                  .events = events,
                                  .untilMs = 9400,
                                  .shots = {{8500, sold}, {9300, upgraded}},
                                  .moreArguments = " --draw-every 1"});
    const Shot a = LoadShot(sold), b = LoadShot(upgraded);
    ASSERT_TRUE(a.ok && b.ok) << a.error << b.error;
    ASSERT_EQ(a.picture.width, 800);

    // The window's body and the selected wheat tile.
    EXPECT_GT(a.Count(300, 229, 560, 279, Parchment), 260 * 50 * 8 / 10);
    EXPECT_GT(a.Count(130, 134, 200, 204, Selected), 60 * 60 / 2);
    EXPECT_EQ(a.Count(210, 134, 280, 204, Selected), 0);
    // The upgrade button (40 coins, money 50) in the bottom row, gone after the upgrade (money 10 < 80).
    EXPECT_GT(a.Count(135, 445, 295, 469, Wood), 1000);
    EXPECT_EQ(b.Count(135, 445, 295, 469, Wood), 0);
    // The sale buttons are the warehouse's pictures: one coin on sell-one,
    // a heap of five on sell-five (the window's strip centre line is y 328).
    EXPECT_GT(a.Count(571, 314, 621, 351, Gold), 15);
    EXPECT_GT(a.Count(623, 314, 674, 351, Gold), 4 * a.Count(571, 314, 621, 351, Gold));
    // The upgrade plank shows its coin and price centred together, not at its left end.
    EXPECT_EQ(a.Count(131, 441, 200, 473, Gold), 0);
    EXPECT_GT(a.Count(200, 441, 250, 473, Gold), 40);
    // The goal notice at the bottom right of the screen, above the window.
    EXPECT_GT(a.Count(440, 440, 790, 472, Dark), 200);
    // The tiles' texts changed from 5/50 to 5/100.
    EXPECT_GT(testsupport::Differing(a, b, 130, 179, 360, 204), 50);

    const std::string log = game.Log();
    EXPECT_NE(log.find("opened with 3 products, money 40"), std::string::npos) << log;
    EXPECT_NE(log.find("sold for 10 coins, money 50, earned 10"), std::string::npos) << log;
    EXPECT_NE(log.find("warehouse level 2, money 10"), std::string::npos) << log;
}
