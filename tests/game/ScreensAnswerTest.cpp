// Every change of screen leaves the screen that follows answering the mouse
// and the keys, as a player meets them at 1024 x 768: after each transition a
// click or a key must have its effect. The run goes from the logos through
// the main screen and the map into a level, wins it, leaves through the
// result window to the map's reveal of the medal, and goes on playing from
// there.
#include "app/Profiles.h"
#include "gui/Regime.h"
#include "tests/game/ProgramTest.h"
#include "tests/support/MissingContent.h"

using testsupport::Differing;
using namespace programtest;

using testsupport::StateChanges;

namespace {

using testsupport::script::held::Click;
using testsupport::script::held::Key;

} // namespace

TEST(ScreensAnswer, TheMapAnswersAfterItRevealsAWonLevel) {
    GameCopy game(testsupport::LevelData::Scenarios);
    // The player "rue" has won levels 1-30 of the easy regime and has level 31
    // open (in the tests' own levels, a garbage heap whose clearing wins); the
    // map's first-visit tutorial is seen and the tutorials are off.
    testplayers::MakeEasyPlayer(game.User(), u"rue", 30, kLevelGold, false);
    ASSERT_TRUE(testsupport::UseWindow(game));
    const MapPoint house = CellPosition(30);
    std::string s = Click(100, 400, 300);    // the logos
    s += Click(5000, 749, 445);              // "play" easy: the map
    s += Click(8000, house.x, house.y + 4);  // level 31's house: its level window
    s += Click(9000, 578, 538);              // "play": the level loads
    s += Click(13000, 420, 330);             // the heap: the clock starts
    s += Click(14000, 420, 330 - 73);        // its clear button: the farmer clears it and the level is won
    s += Key(20000, "RETURN");               // the result window leaves for the map, which reveals the medal
    s += Click(30000, house.x, house.y + 4); // after the reveal: level 31's window again
    s += Key(31000, "ESCAPE");               // closes it
    s += Click(32000, 88, 722);              // the awards window
    s += Key(34000, "ESCAPE");               // closes it
    s += Key(35000, "ESCAPE");               // the map leaves for the main screen
    s += Click(37000, 749, 445);             // "play" easy again: the map
    s += "40000 close\n";
    const std::string window = game.File("window.png"), awards = game.File("awards.png"),
                      map = game.File("map.png");
    std::string output;
    ASSERT_EQ(testsupport::RunScript(game, "script", s,
                                     "--draw-every 10" + testsupport::ScreenshotAt(30900, window) +
                                         testsupport::ScreenshotAt(33900, awards) +
                                         testsupport::ScreenshotAt(34900, map),
                                     &output, true),
              0)
        << output;
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::MissingContent(log), "") << log;
    ASSERT_NE(log.find("Level won:                  level 31"), std::string::npos) << log;
    const size_t reveal = log.find("the return from a level reveals its result");
    ASSERT_NE(reveal, std::string::npos) << log;
    EXPECT_NE(log.find("the level window of level 31 opens", reveal), std::string::npos)
        << "the map answers a click after its reveal\n"
        << log;
    // Logos, loading, main screen, map, level loading, level, the map, then
    // Escape to the main screen and "play" to the map again.
    const std::vector<std::string> expected = {"00000001", "80000002", "00000006", "00000005", "80000003",
                                               "00000004", "00000005", "00000006", "00000005", "FFFFFFFF"};
    EXPECT_EQ(StateChanges(log), expected) << log;

    const Shot a = LoadShot(window), b = LoadShot(awards), c = LoadShot(map);
    ASSERT_TRUE(a.ok && b.ok && c.ok) << output;
    // The level window stands in the middle of the map, the awards window
    // over the same place; both are gone once Escape closed them.
    EXPECT_GT(Differing(a, c, 300, 200, 720, 560), 50000) << "the level window after the reveal";
    EXPECT_GT(Differing(b, c, 300, 200, 720, 480), 50000) << "the awards window after the reveal";
}

// Minimising the window in a level acts as losing the focus: the level
// stops under its pause menu, which is there when the window comes back and
// whose "Continue" goes on with the level.
TEST(ScreensAnswer, MinimisingTheWindowOpensTheLevelsPauseMenu) {
    GameCopy game(testsupport::LevelData::Scenarios);
    testplayers::MakeEasyPlayer(game.User(), u"rue", 30, kLevelGold, false);
    ASSERT_TRUE(testsupport::UseWindow(game));
    const MapPoint house = CellPosition(30);
    std::string s = Click(100, 400, 300) + Click(5000, 749, 445) + Click(8000, house.x, house.y + 4) +
                    Click(9000, 578, 538);
    s += Click(13000, 700, 260); // a clean site: the clock starts
    s += "15000 minimise\n16000 restore\n";
    s += Click(18000, 503, 234); // the pause menu's "Continue"
    s += "20000 close\n";
    const std::string menu = game.File("menu.png"), after = game.File("after.png");
    std::string output;
    ASSERT_EQ(testsupport::RunScript(game, "script", s,
                                     "--draw-every 10" + testsupport::ScreenshotAt(17000, menu) +
                                         testsupport::ScreenshotAt(19500, after),
                                     &output, true),
              0)
        << output;
    const std::string log = game.Log();
    EXPECT_NE(log.find("Activation                  active -> minimised"), std::string::npos) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "Level menu opened."), 1u) << log;
    const Shot a = LoadShot(menu), b = LoadShot(after);
    ASSERT_TRUE(a.ok && b.ok) << output;
    // The menu's column stands in the middle of the field, and is gone after "Continue".
    EXPECT_GT(Differing(a, b, 380, 130, 645, 640), 50000) << log;
}

// A click or a key while the screen fades to the next one reaches neither the
// screen going nor the one coming: "play" on the main screen starts the fade
// to the map, and a click on "options" and Escape during it do nothing; the
// map then answers a click.
TEST(ScreensAnswer, NothingReachesAScreenWhileItFades) {
    GameCopy game(testsupport::LevelData::Scenarios);
    testplayers::MakeEasyPlayer(game.User(), u"rue", 30, kLevelGold, false);
    ASSERT_TRUE(testsupport::UseWindow(game));
    const MapPoint house = CellPosition(30);
    std::string s = Click(100, 400, 300) + Click(5000, 749, 445);
    // The fade out and in take 250 ms each from the release of "play" (at
    // 5150 ms): "options" and Escape while the main screen fades out, level
    // 31's house while the map fades in.
    s += testsupport::script::quick::Click(5200, 749, 581);
    s += testsupport::script::quick::Key(5320, "ESCAPE");
    s += testsupport::script::quick::Click(5500, house.x, house.y + 4);
    s += Click(7000, house.x, house.y + 4);
    s += "8000 close\n";
    std::string output;
    ASSERT_EQ(testsupport::RunScript(game, "script", s, "--draw-every 10", &output, true), 0) << output;
    const std::string log = game.Log();
    EXPECT_EQ(log.find("The options window opens."), std::string::npos) << log;
    const std::vector<std::string> expected = {"00000001", "80000002", "00000006", "00000005", "FFFFFFFF"};
    EXPECT_EQ(StateChanges(log), expected) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "the level window of level 31 opens"), 1u) << log;
}
