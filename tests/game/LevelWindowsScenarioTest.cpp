// The windows over a running level as a player meets them: the field's hints
// give way to a modal window, a hard level lost as its bronze time runs out
// has every medal of its time bar crossed out, and full screen switched on
// from the pause menu's options lays the level out for the new size with its
// windows centred; hints stay inside the warehouse window and the screen.
#include "app/Profiles.h"
#include "tests/game/ProgramTest.h"

using namespace programtest;
using testsupport::LevelData;
using testsupport::script::Move;
using testsupport::script::held::Click;
using testsupport::script::held::Key;
using testsupport::script::held::OpenLevel;

namespace {

// Input starts once the game data is surely loaded (a click skips the logos).
constexpr int kReady = 6000;

// The cream face of a hint box.
int HintPixels(const Shot& shot, int left, int top, int right, int bottom) {
    return shot.NearIn(left, top, right, bottom, 0xFFF6DC, 6);
}

// The window face of the interface skin.

} // namespace

// Level 33's garbage heap at (820, 220) of the field, right of where the
// pause menu stands: clicked, it offers its clear button above it; the mouse
// resting there shows the button's hint beside it. Escape opens the pause menu, which
// is modal: the hint goes, and the menu answers a click on "continue", after
// which the hint comes back as the mouse moves on the button again.
TEST(LevelWindowsScenario, FieldHintsGiveWayToThePauseMenu) {
    struct Size {
        int width, height;
        int heapX, heapY; // the heap on the screen
        int lift;         // from the heap up to its clear button
        int unit;         // a field pixel on the screen, in thousandths
    };
    // 800 x 600 shows the 1024 x 688 field scaled by 520 / 688; 1024 x 768 as it is.
    const Size sizes[] = {{800, 600, 633, 166, 42, 756}, {1024, 768, 820, 220, 56, 1000}};
    for (const Size& s : sizes) {
        GameCopy game(LevelData::Scenarios);
        ASSERT_TRUE(testsupport::UseWindow(game, s.width, s.height));
        const std::string hinted = game.File("hinted.png"), menu = game.File("menu.png"),
                          again = game.File("again.png");
        const int buttonY = s.heapY - s.lift;
        const int menuX = (s.width - 269) / 2, menuY = (s.height - 510) / 2;
        const int open = kReady + 1000;
        testsupport::PlayShowcase(
            game, "hint-" + std::to_string(s.width),
            OpenLevel(kReady, "33") + Click(open, s.heapX, s.heapY) + Move(open + 500, s.heapX, buttonY) +
                Move(open + 600, s.heapX + 1, buttonY) + Key(open + 2000, "ESCAPE") +
                Click(open + 3500, menuX + 126, menuY + 94 + 20) + Move(open + 4500, s.heapX, buttonY) +
                Move(open + 4600, s.heapX + 1, buttonY),
            open + 6000, {{open + 1900, hinted}, {open + 3300, menu}, {open + 5900, again}});
        const Shot a = LoadShot(hinted), b = LoadShot(menu), c = LoadShot(again);
        ASSERT_TRUE(a.ok && b.ok && c.ok);
        // The hint stands beside the button, reaching right of the menu, and
        // leaves the heap below the button in sight.
        const int left = menuX + 269 + 8, top = buttonY - 40 * s.unit / 1000, right = s.width,
                  bottom = buttonY + 40 * s.unit / 1000;
        EXPECT_GT(HintPixels(a, left, top, right, bottom), 3000) << s.width << ": the clear button's hint";
        const int heap = 30 * s.unit / 1000;
        EXPECT_EQ(HintPixels(a, s.heapX - heap, s.heapY - heap, s.heapX + heap, s.heapY + heap), 0)
            << s.width << ": the hint over the heap";
        EXPECT_GT(b.NearIn(menuX + 20, menuY + 60, menuX + 240, menuY + 90, kWindowFace, 6), 1000)
            << s.width << ": the pause menu";
        EXPECT_LT(HintPixels(b, left, top, right, bottom), 50)
            << s.width << ": no field hint beside the menu";
        EXPECT_GT(HintPixels(c, left, top, right, bottom), 3000) << s.width << ": the hint after the menu";
        const std::string log = game.Log();
        EXPECT_EQ(testsupport::Occurrences(log, "Level menu opened."), 1u) << log;
        EXPECT_LT(c.NearIn(menuX + 20, menuY + 60, menuX + 240, menuY + 90, kWindowFace, 6), 100)
            << s.width << ": \"continue\" closed the menu";
    }
}

// In the hard regime level 34 is lost as the clock reaches its bronze time
// (90 s): the game-over dialog asks to try again, and the time bar above the
// panel has its bronze medal crossed out as its silver and gold are.
TEST(LevelWindowsScenario, ALostHardLevelCrossesOutEveryMedal) {
    GameCopy game(LevelData::Scenarios);
    testplayers::MakePlayer(game.User(), u"kim", [](ProfileRecord& record) {
        record.results.regime = kRegimeHard;
        record.results.hardAvailable = 1;
        record.results.regimes[kRegimeHard].levels[33].status = kLevelOpen;
    });
    const std::string running = game.File("running.png"), lost = game.File("lost.png"),
                      window = game.File("window.png");
    const int open = kReady + 1000;
    // The page closed, a click on the garbage heap starts the clock; the loss comes
    // 90 s later. The dialog's "yes" (left of its two buttons) leads to the
    // level window of a game over.
    testsupport::PlayShowcase(game, "lost",
                              OpenLevel(kReady, "34") + Click(open, 400, 300) + Click(open + 1500, 542, 215) +
                                  Move(open + 1700, 5, 300) + Click(open + 93500, 330, 360),
                              open + 95000,
                              {{open + 30000, running}, {open + 93000, lost}, {open + 94800, window}},
                              " --draw-every 20");
    const Shot a = LoadShot(running), b = LoadShot(lost), c = LoadShot(window);
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    const std::string log = game.Log();
    ASSERT_NE(log.find("Level 34 (level_34) begins in regime 1."), std::string::npos) << log;
    ASSERT_NE(log.find("Level lost: the game-over dialog asks to try again."), std::string::npos) << log;
    // The time bar's medal icons stand above the panel's child area; the red
    // cross stamped over a lost medal has a dark red rim. At 30 s every
    // medal is still in reach.
    auto rim = [](const Shot& p, int left, int right) {
        return p.NearIn(left, 470, right, 505, 0x5A0808, 24);
    };
    // Icons at 800 x 600: bronze, silver and gold from left to right.
    const struct {
        const char* name;
        int left, right;
    } medals[] = {{"bronze", 350, 380}, {"silver", 453, 483}, {"gold", 590, 620}};
    for (const auto& m : medals) {
        EXPECT_EQ(rim(a, m.left, m.right), 0) << m.name << " in reach at 30 s";
        EXPECT_GT(rim(b, m.left, m.right), 20) << m.name << " crossed out";
    }
    EXPECT_NE(log.find("Level window opened after the game over."), std::string::npos) << log;
    // The dialog's dark text stands centred: as much of it left of the middle as right.
    const int left = b.NearIn(200, 262, 400, 302, 0x3A2410, 40),
              right = b.NearIn(400, 262, 600, 302, 0x3A2410, 40);
    EXPECT_NEAR(left, right, (left + right) / 10);
}

// Level 31 in an 800 x 600 window whose full screen is 1024 x 768: Escape,
// "options", and the options' full screen check box. The level takes the new
// size (the panel along the bottom, its menu button in the top-right corner
// and nothing of it left at its old place), the options window and the pause
// menu stand centred; their buttons answer there: "close", then "continue".
TEST(LevelWindowsScenario, FullScreenFromThePauseMenuCentresItsWindows) {
    GameCopy game(LevelData::Scenarios);
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=800,600\nScreen=1024,768\n"));
    const std::string options = game.File("options.png"), full = game.File("full.png"),
                      closed = game.File("closed.png");
    const int open = kReady + 1000;
    // At 800 x 600 the menu stands at (265, 55) and the options (520 x 330)
    // at (140, 135), their full screen box at (178, 217). At 1024 x 768 the
    // options stand at (252, 219) with "close" at (512, 516), the menu at
    // (377, 129) with "continue" at (503, 243).
    testsupport::PlayShowcase(
        game, "fullscreen",
        OpenLevel(kReady, "31") + Key(open, "ESCAPE") + Click(open + 1000, 265 + 126, 55 + 298 + 20) +
            Move(open + 1200, 5, 300) + Click(open + 2500, 178, 217) + Move(open + 2700, 5, 300) +
            Click(open + 4500, 512, 516) + Move(open + 4700, 5, 300) + Click(open + 5500, 503, 243) +
            Move(open + 5700, 5, 300),
        open + 7000, {{open + 2300, options}, {open + 4000, full}, {open + 6800, closed}});
    const Shot a = LoadShot(options), b = LoadShot(full), c = LoadShot(closed);
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    ASSERT_EQ(a.picture.width, 800);
    ASSERT_EQ(b.picture.width, 1024);
    ASSERT_EQ(b.picture.height, 768);
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::Occurrences(log, "The options window opens."), 1u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "Fullscreen:             Yes"), 1u) << log;
    // The options' face across their middle, centred on each screen.
    auto optionsFace = [](const Shot& p, int left, int top) {
        return p.NearIn(left + 20, top + 150, left + 500, top + 170, kWindowFace, 6);
    };
    EXPECT_GT(optionsFace(a, 140, 135), 8000) << "the options at 800 x 600";
    EXPECT_GT(optionsFace(b, 252, 219), 8000) << "the options centred at 1024 x 768";
    EXPECT_GT(b.NearIn(680, 440, 750, 490, kWindowFace, 6), 2500)
        << "their right-hand part, beyond the old place";
    EXPECT_LT(b.NearIn(140, 285, 240, 305, kWindowFace, 6), 100) << "nothing of them at the old place";
    // The menu's face beside its buttons, above the options.
    EXPECT_GT(b.NearIn(377 + 20, 129 + 40, 377 + 240, 129 + 80, kWindowFace, 6), 3000) << "the menu centred";
    // The panel's menu button in the top-right corner, nothing of its face
    // left where the panel's old layout put it.
    EXPECT_GT(b.NearIn(1024 - 90, 2, 1024 - 4, 30, 0x405C7F, 30), 20) << "the menu button's text";
    EXPECT_LT(b.NearIn(712, 160, 800, 210, 0xC89858, 8), 20) << "no button face in the field";
    // The panel stands along the new bottom: its warehouse block at the right.
    EXPECT_GT(b.NearIn(870, 670, 950, 760, 0xC89858, 40), 500) << "the warehouse button";
    // "close" and "continue" answered: the field shows without windows.
    EXPECT_LT(c.NearIn(252, 219, 772, 549, kWindowFace, 6), 500) << "both windows closed";
}

// Level 34 at 800 x 600 in a window and at 1024 x 768 in full screen: the panel's Warehouse button's hint
// (its caption alone) stands whole above the button, inside the screen's right edge; the warehouse opened,
// its wheat tile's hint (a box wider than the tile, in the first column) stays inside the window's frame.
TEST(LevelWindowsScenario, HintsStayInsideTheWarehouseWindowAndTheScreen) {
    struct Size {
        int width, height;
        const char* config;
        int warehouseX, warehouseY; // the warehouse point on the field
        int windowLeft, windowTop;  // the warehouse window
    };
    const Size sizes[] = {{800, 600, "Window=800,600", 134, 136, 117, 69},
                          {1024, 768, "Fullscreen=1\nWindow=800,600\nScreen=1024,768", 160, 180, 229, 174}};
    for (const Size& s : sizes) {
        GameCopy game(LevelData::Scenarios);
        ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                                std::string("[Video]\n") + s.config + "\n"));
        const std::string button = game.File("button.png"), tile = game.File("tile.png"),
                          sold = game.File("sold.png");
        const int open = kReady + 1000;
        // The Warehouse button stands in the panel's bottom-right block; the
        // tile 49 and 100 pixels into the window; "sell one" at (477, 244) in it.
        const int buttonX = s.width - 90, buttonY = s.height - 60;
        const int tileX = s.windowLeft + 49, tileY = s.windowTop + 100;
        testsupport::PlayShowcase(
            game, "hints-" + std::to_string(s.width),
            OpenLevel(kReady, "34") + Click(open, s.width / 2, s.height / 2) +
                Move(open + 500, buttonX, buttonY) + Move(open + 600, buttonX + 1, buttonY) +
                Click(open + 2000, s.warehouseX, s.warehouseY) + Move(open + 2500, tileX, tileY) +
                Move(open + 2600, tileX + 1, tileY) + Click(open + 4000, tileX, tileY) +
                Click(open + 4500, s.windowLeft + 477, s.windowTop + 244) +
                Move(open + 4700, 5, s.height / 2),
            open + 5500, {{open + 1900, button}, {open + 3900, tile}, {open + 5400, sold}});
        const Shot a = LoadShot(button), b = LoadShot(tile), c = LoadShot(sold);
        ASSERT_TRUE(a.ok && b.ok && c.ok);
        ASSERT_EQ(a.picture.width, s.width);
        // The button's hint: its face above the panel's right-hand block,
        // ending before the screen's last pixels.
        const int panelTop = s.height - 115;
        EXPECT_GT(HintPixels(a, s.width - 260, panelTop - 60, s.width, panelTop), 1000) << s.width;
        EXPECT_EQ(HintPixels(a, s.width - 3, 0, s.width, s.height), 0) << s.width << ": cut at the edge";
        // It is its caption alone, one line high: no ruled empty body under it.
        int faceRows = 0;
        for (int y = panelTop - 80; y < panelTop; ++y)
            faceRows += HintPixels(a, s.width - 260, y, s.width, y + 1) > 0 ? 1 : 0;
        EXPECT_GT(faceRows, 15) << s.width;
        EXPECT_LT(faceRows, 30) << s.width << ": the hint's face is taller than its caption";
        // The tile's hint below the tile (one line naming the product): inside
        // the window, none of it left of the window's inner edge.
        EXPECT_GT(HintPixels(b, s.windowLeft + 12, tileY + 30, s.windowLeft + 300, tileY + 100), 600)
            << s.width;
        EXPECT_EQ(HintPixels(b, 0, tileY + 30, s.windowLeft + 12, tileY + 100), 0)
            << s.width << ": the hint sticks out of the window";
        // The window's face shows between its frame and the first tile.
        EXPECT_GT(b.NearIn(s.windowLeft + 13, tileY - 20, s.windowLeft + 17, tileY + 20, kWindowFace, 6),
                  150);
        EXPECT_GT(c.NearIn(10, panelTop + 7, 270, panelTop + 25, 0x00357E, 40), 30)
            << s.width << ": goal captions";
        // The tile and "sell one" answered where they stand.
        const std::string log = game.Log();
        EXPECT_EQ(testsupport::Occurrences(log, "sold for 2, money 42"), 1u) << s.width << log;
    }
}
