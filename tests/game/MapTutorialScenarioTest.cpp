// The map tutorials as a new player meets them at 1024 x 768: a profile made
// with the tutorial box ticked clicks "easy", the first comic closes, the
// villains' attack runs on the map and ends on a click, then the first-visit
// tutorial points at level 1 with its hint box (below the house, clear of the
// map's top bar); hovering level 2 changes
// nothing, the awards button takes no click, and clicking level 1 ends the tutorial and opens the level
// window.
#include "app/Profiles.h"
#include "frontend/MapGeometry.h"
#include "tests/game/LevelTutorialPlay.h"
#include "tests/game/Players.h"
#include "tests/game/ProgramTest.h"
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

using testsupport::script::quick::Click;
using tutorialplay::Orange;
using tutorialplay::Parchment;

} // namespace

TEST(MapTutorialScenario, TheVillainsAttackThenTheFirstVisitPointsAtLevelOne) {
    GameCopy game;
    // A new player "ann" (the name offered is replaced), "easy" shows the
    // comic; two clicks complete and close it, and the map opens about 8.7 s in.
    std::string events = testplayers::NewPlayerAnnToMap();
    // The attack takes a click once its step has been current for 400 ms.
    events += Click(10500, 512, 300);
    const MapPoint first = CellPosition(0), second = CellPosition(1);
    // The awards button waits for the tutorial (only Back, Options and the greeting do not).
    events += Click(11400, 88, 722);
    events += "11800 mouse move " + std::to_string(second.x) + " " + std::to_string(second.y + 4) + "\n";
    events += Click(12600, first.x, first.y + 4);
    const std::string log = testsupport::Play(
        game, {.events = events,
               .shots = {{10300, "attack"}, {11700, "pointed"}, {12400, "hovered"}, {13500, "opened"}},
               .untilMs = 13600,
               .program = true});

    // The attack's tutorial, then the first visit's, then the level window.
    const size_t attackStarts = log.find("40080000 starts");
    const size_t firstStarts = log.find("40010000 starts");
    const size_t window = log.find("the level window of level 1 opens");
    ASSERT_NE(attackStarts, std::string::npos) << log;
    ASSERT_NE(firstStarts, std::string::npos) << log;
    ASSERT_NE(window, std::string::npos) << log;
    EXPECT_LT(attackStarts, firstStarts);
    EXPECT_LT(firstStarts, window);
    // The first visit is recorded in the profile, so it shows once.
    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    EXPECT_TRUE(saved->flags & kProfileFlagEasyMapTutorial);

    const Shot a = LoadShot(game.File("attack.png")), b = LoadShot(game.File("pointed.png")),
               c = LoadShot(game.File("hovered.png")), d = LoadShot(game.File("opened.png"));
    ASSERT_TRUE(a.ok && b.ok && c.ok && d.ok);
    ASSERT_EQ(b.picture.width, 1024);
    ASSERT_EQ(b.picture.height, 768);
    // During the attack no tutorial arrow or box is shown (a villain's hair
    // holds a few orange pixels); level 1 is shown as attacked (its open
    // look, the red roof, is gone).
    const auto redRoof = [](int r, int g, int b) { return r > 180 && g < 90 && b < 90; };
    EXPECT_LT(a.Count(0, 0, 1024, 700, Orange), 40);
    // The greeting's plate on the overlay's top strip (right of the back
    // button's corner) is parchment too, and is not counted.
    EXPECT_LT(a.Count(0, 0, 180, 27, Parchment) + a.Count(0, 27, 1024, 700, Parchment), 200);
    EXPECT_LT(a.Count(first.x - 40, first.y - 40, first.x + 40, first.y + 10, redRoof), 20);
    // After the click: level 1 open again; the arrow down and right of it, pointing at it (up and left it
    // would lie over the Back button), and the hint box beside the arrow's tail: it leaves the house, the
    // arrow, the Back button's corner and the greeting in sight.
    EXPECT_GT(b.Count(first.x - 40, first.y - 40, first.x + 40, first.y + 10, redRoof), 100);
    EXPECT_GT(b.Count(first.x + 30, first.y + 30, first.x + 120, first.y + 120, Orange), 200);
    EXPECT_LT(b.Count(0, 0, 180, 45, Orange), 20) << "the arrow over the Back button";
    EXPECT_GT(b.Count(0, first.y + 150, 500, first.y + 220, Parchment), 15000);
    EXPECT_LT(b.Count(0, 0, 180, 73, Parchment), 200) << "the box over the Back button";
    EXPECT_LT(b.Count(0, first.y + 230, 1024, 700, Parchment), 200);
    EXPECT_LT(c.NearIn(400, 300, 624, 500, 0xF2E2BC, 6), 200) << "the awards window opened";
    // Hovering level 2 changes nothing on the screen.
    EXPECT_EQ(testsupport::Differing(b, c, second.x - 60, second.y - 60, second.x + 60, second.y + 40), 0);
    // The click on level 1 ended the tutorial: no arrow, no box; the level window is open.
    EXPECT_EQ(d.Count(first.x + 30, first.y + 30, first.x + 120, first.y + 120, Orange), 0);
    EXPECT_LT(d.Count(0, first.y + 150, 200, first.y + 220, Parchment), 200);
}

// A player with tutorials on who has passed the easy game's first group
// chooses "Play hard" on the main screen: the hard map's first visit greets
// her with its box in the middle of the screen, which a click closes; the
// map then answers a click on level 1 with its level window. The pointer rests there: the clicks that close
// the box, open the window and, after Escape, one more all fall on level 1; the last two open the window.
TEST(MapTutorialScenario, TheHardMapsFirstVisitShowsItsBoxUntilAClick) {
    // At each window size (the main screen's "Play hard" where its menu stands); the screenshots are looked
    // at in the first.
    for (tutorialplay::SizedGame at : tutorialplay::kEverySize) {
        GameCopy& game = at.game;
        testplayers::MakeEasyPlayer(game.User(), u"hana", 8, kLevelSilver, true,
                                    [](ProfileRecord& record) { record.results.hardAvailable = 1; });
        const MapPoint first = tutorialplay::HouseAt(0, at.size),
                       hard = tutorialplay::EasyButton(at.size, true);
        const std::string events =
            testsupport::script::SkipLogos() + testsupport::script::held::Click(5000, hard.x, hard.y) +
            Click(8000, first.x, first.y + 4) + Click(9000, first.x, first.y + 4) +
            testsupport::script::quick::Key(9500, "ESCAPE") + Click(10000, first.x, first.y + 4);
        const std::string log = at.Play(events, {{7800, "greeting"}, {8600, "closed"}}, 10500, "hard-map-");
        const size_t starts = log.find("40060000 starts");
        ASSERT_NE(starts, std::string::npos) << log;
        EXPECT_EQ(testsupport::Occurrences(log.substr(starts), "the level window of level 1 opens"), 2u)
            << log;
        const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
        ASSERT_TRUE(saved) << "no current player";
        EXPECT_TRUE(saved->flags & kProfileFlagHardMapTutorial);

        if (!at.Large()) continue;
        const Shot greeting = LoadShot(game.File("greeting.png")), closed = LoadShot(game.File("closed.png"));
        ASSERT_TRUE(greeting.ok && closed.ok);
        // The box is centred a little above the middle of the screen, no arrow.
        EXPECT_GT(greeting.Count(312, 254, 712, 354, Parchment), 15000) << log;
        EXPECT_LT(greeting.Count(0, 0, 1024, 768, Orange), 40) << log;
        EXPECT_LT(closed.Count(312, 254, 712, 354, Parchment), 200) << log;
    }
}
