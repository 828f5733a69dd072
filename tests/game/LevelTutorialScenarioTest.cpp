// Level 1's tutorial as a new player meets it at 1024 x 768: a new profile
// (tutorials on, easy regime, its first map visit already made) opens the map
// with M on the screen after loading, clicks level 1 and "play"; nothing of
// the tutorial shows until the first click in the level starts the clock,
// and 1 s later its first step stands there: the hint box with its click
// line over the field and its arrow at the goal button of the level panel.
#include "app/Profiles.h"
#include "frontend/MapGeometry.h"
#include "platform/Utf.h"
#include "tests/game/LevelTutorialPlay.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/MissingContent.h"
#include "tests/support/Screenshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using testsupport::GameCopy;
using testsupport::LoadShot;
using testsupport::Shot;

namespace {

using testsupport::script::quick::Click;

bool Parchment(int r, int g, int b) {
    return r > 240 && g > 225 && b > 190 && b < 235;
}
// The tutorial arrow's yellow.
bool ArrowYellow(int r, int g, int b) {
    return r > 230 && g > 150 && g < 225 && b < 90;
}
// The click line's grey text.
bool Grey(int r, int g, int b) {
    return r > 110 && r < 150 && std::abs(r - g) < 8 && std::abs(r - b) < 8;
}

} // namespace

TEST(LevelTutorialScenario, TheFirstClickStartsLevelOnesTutorial) {
    GameCopy game;
    tutorialplay::MakeMapProfile(game.User());
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini", "[Video]\nWindow=1024,768\n"));
    const MapPoint first = CellPosition(0);
    // M opens the map at 5 s; level 1, then "play" in its level window; the
    // level is loaded well before 9 s, when the first click lands on a site (point 2).
    const std::string events = Click(40, 400, 300) + "5000 key down M\n5100 key up M\n" +
                               Click(6000, first.x, first.y + 4) + Click(6700, 578, 538) +
                               Click(9000, 660, 400);
    const std::string script = game.File("script.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, events));
    const std::string before = game.File("before.png"), step1 = game.File("step1.png");
    std::string output;
    ASSERT_EQ(game.RunShowcase("--headless --until-ms 10100 --input-script '" + script +
                                   "' --screenshot-at 8900 '" + before + "' --screenshot-at 10020 '" + step1 +
                                   "'",
                               &output),
              0)
        << output;
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::MissingContent(log), "") << "content the run asked for and did not find";
    EXPECT_NE(log.find("80010000 waits for the clock"), std::string::npos) << log;

    const Shot a = LoadShot(before), b = LoadShot(step1);
    ASSERT_TRUE(a.ok && b.ok) << output;
    ASSERT_EQ(b.picture.width, 1024);
    ASSERT_EQ(b.picture.height, 768);
    // Before the first click nothing of the tutorial is over the field (the
    // panel's goal page below it is parchment too).
    EXPECT_LT(a.Count(0, 50, 1024, 640, Parchment), 300);
    EXPECT_LT(a.Count(150, 560, 300, 655, ArrowYellow), 50);
    // Step 1: the box centred 80 px above the field's centre (512, 326), with the click line.
    EXPECT_GT(b.Count(312, 180, 712, 300, Parchment), 15000) << log;
    EXPECT_GT(b.Count(312, 180, 712, 300, Grey), 30);
    // Its arrow points down at the goal button, left on the panel.
    EXPECT_GT(b.Count(150, 560, 300, 655, ArrowYellow), 400) << log;
}

// Then on through steps 2-4: the first step is clicked away, point 1 (460, 320)
// selected, the empty site's plants button (626, 722) and the wheat (577,
// 722) pressed: the farmer sows wheat there and step 5 waits for it to grow.
TEST(LevelTutorialScenario, StepsTwoToFourSowWheatOnPointOne) {
    GameCopy game;
    tutorialplay::MakeMapProfile(game.User());
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini", "[Video]\nWindow=1024,768\n"));
    const MapPoint first = CellPosition(0);
    const std::string events = Click(40, 400, 300) + "5000 key down M\n5100 key up M\n" +
                               Click(6000, first.x, first.y + 4) + Click(6700, 578, 538) +
                               Click(9000, 660, 400) + Click(10300, 300, 120) + Click(11200, 460, 320) +
                               Click(12200, 626, 722) + Click(13200, 577, 722);
    const std::string script = game.File("script.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, events));
    const std::string plants = game.File("plants.png"), wheat = game.File("wheat.png"),
                      growing = game.File("growing.png");
    std::string output;
    ASSERT_EQ(game.RunShowcase("--headless --until-ms 15100 --input-script '" + script +
                                   "' --screenshot-at 12000 '" + plants + "' --screenshot-at 13000 '" +
                                   wheat + "' --screenshot-at 15000 '" + growing + "'",
                               &output),
              0)
        << output;
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::MissingContent(log), "") << "content the run asked for and did not find";
    for (const char* step : {"step 80010002", "step 80010003", "step 80010004", "step 80010005"})
        EXPECT_NE(log.find(step), std::string::npos) << step << "\n" << log;
    EXPECT_NE(log.find("point 1: wheat ordered"), std::string::npos) << log;
    const Shot a = LoadShot(plants), b = LoadShot(wheat), c = LoadShot(growing);
    ASSERT_TRUE(a.ok && b.ok && c.ok) << output;
    // Step 3's arrow points down at the plants button, step 4's at the wheat.
    EXPECT_GT(a.Count(606, 615, 646, 655, ArrowYellow), 150) << log;
    EXPECT_GT(b.Count(557, 612, 597, 655, ArrowYellow), 150) << log;
    EXPECT_LT(b.Count(610, 615, 650, 655, ArrowYellow), 50) << "step 3's arrow is gone";
    // Step 5: the level arrow below point 1 while its wheat grows.
    EXPECT_GT(c.Count(425, 370, 495, 470, ArrowYellow), 300) << log;
}

// The tutorial option is asked at every start of the level: unticked in the
// pause menu's options while level 1's tutorial runs, the restart that
// follows makes no tutorial, and the first click on the field selects the
// site it hits instead of being held by a tutorial step: its plants button
// and the wheat sow wheat there at once.
TEST(LevelTutorialScenario, ARestartAfterUntickingTheTutorialHasNoTutorial) {
    GameCopy game;
    tutorialplay::MakeMapProfile(game.User());
    const MapPoint first = CellPosition(0);
    // The pause menu (269 x 510) and the options window (520 x 330) stand
    // centred: the menu's options at row 4, its restart at row 2; the
    // options' tutorial box 26 px in at 121 px down, its close button at the
    // bottom; the level window's restart where its play button stands.
    const int menuX = (1024 - 269) / 2 + 126, menuY = (768 - 510) / 2 + 20;
    const int optionsX = (1024 - 520) / 2, optionsY = (768 - 330) / 2;
    const std::string events =
        Click(40, 400, 300) + "5000 key down M\n5100 key up M\n" + Click(6000, first.x, first.y + 4) +
        Click(6700, 578, 538) + Click(9000, 660, 400) + "11000 key down ESCAPE\n11050 key up ESCAPE\n" +
        Click(12000, menuX, menuY + 298) + Click(13000, optionsX + 38, optionsY + 133) +
        Click(14000, 512, optionsY + 330 - 36) + Click(15000, menuX, menuY + 162) + Click(16000, 578, 538) +
        Click(18000, 460, 320) + Click(19000, 626, 722) + Click(20000, 577, 722);
    const std::string log = tutorialplay::Play(game, events,
                                               {{10500, "untick-tutorial"},
                                                {13800, "untick-unticked"},
                                                {15800, "untick-restart"},
                                                {18800, "untick-selected"}},
                                               21000);
    EXPECT_EQ(testsupport::Occurrences(log, "80010000 waits for the clock"), 1u) << log;
    const size_t restart = log.find("Level 1 restarts from scratch.");
    ASSERT_NE(restart, std::string::npos) << log;
    // The old tutorial ends with the restart; no new one is made or steps.
    EXPECT_EQ(log.find("waits for the clock", restart), std::string::npos) << log.substr(restart);
    EXPECT_EQ(log.find("Level tutorial              step", restart), std::string::npos)
        << log.substr(restart);
    EXPECT_NE(log.find("point 1: wheat ordered", restart), std::string::npos) << log.substr(restart);

    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    profiles.Load();
    ASSERT_NE(profiles.Current(), nullptr);
    EXPECT_EQ(profiles.Current()->Record().results.tutorial, 0u) << "the option was saved unticked";
}
