// A level left while its tutorial runs continues exactly where the tutorial
// was, as a player meets it at 1024 x 768: the level is opened from the map
// with the tutorials on, the first click starts the clock and the tutorial,
// Escape and "To the map" leave it (it is saved into the profile), the map's
// level window offers to continue it, and the continued level shows the
// tutorial's step again and answers the player's clicks.
#include "app/Profiles.h"
#include "frontend/MapGeometry.h"
#include "gui/Regime.h"
#include "tests/game/Players.h"
#include "tests/game/TutorialLooks.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/MissingContent.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>
#include <vector>

using testsupport::GameCopy;
using testsupport::LoadShot;
using testsupport::Shot;

namespace {

using testsupport::script::held::Click;
using testsupport::script::held::Key;

} // namespace

using tutorialplay::Parchment;

// Positions at 1024 x 768: the pause menu's "To the map", the level window's
// "play" and "Continue".
constexpr int kToMapX = 503, kToMapY = 506;
constexpr int kPlayX = 578, kPlayY = 538;
constexpr int kContinueX = 647, kContinueY = 538;

// Escape, "To the map", the level's house and "Continue", from the moment on;
// the continued level has loaded 7 s later.
std::string LeaveAndContinue(int ms, const MapPoint& house) {
    return Key(ms, "ESCAPE") + Click(ms + 1000, kToMapX, kToMapY) + Click(ms + 4000, house.x, house.y + 4) +
           Click(ms + 5000, kContinueX, kContinueY);
}

TEST(ContinuedTutorialLevel, LevelTwoGoesOnAtTheStepItWasLeftAt) {
    GameCopy game;
    testplayers::MakeEasyPlayer(game.User(), u"kit", 1, kLevelGold, true);
    ASSERT_TRUE(testsupport::UseWindow(game));
    const MapPoint house = CellPosition(1);
    std::string s = Click(100, 400, 300) + Click(5000, 749, 445) + Click(8000, house.x, house.y + 4) +
                    Click(9000, kPlayX, kPlayY);
    // The first click on the field (the wheat bed of point 3) starts the clock: step 1, the goal.
    s += Click(13000, 480, 470);
    // Left at step 1 and continued: step 1 again; its click leads to step 2 (the mill's site).
    s += LeaveAndContinue(16000, house);
    s += Click(26000, 300, 120);
    // Left at step 2 and continued: step 2 again; the site's click leads to
    // step 3 (the site's buildings button).
    s += LeaveAndContinue(29000, house);
    s += Click(37000, 440, 220);
    // Left at step 3 with the site selected and continued: step 3 again, the
    // site's page on the panel with the arrow at its buildings button, whose
    // click leads to step 4.
    s += LeaveAndContinue(39000, house);
    s += Click(47500, 675, 712);
    s += "49500 close\n";
    const std::string step1 = game.File("step1.png"), step2 = game.File("step2.png"),
                      step3 = game.File("step3.png");
    std::string output;
    ASSERT_EQ(testsupport::RunScript(game, "script", s,
                                     "--draw-every 10" + testsupport::ScreenshotAt(25900, step1) +
                                         testsupport::ScreenshotAt(36900, step2) +
                                         testsupport::ScreenshotAt(47400, step3),
                                     &output, true),
              0)
        << output;
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::MissingContent(log), "") << log;
    // Each continuation shows the step the level was left at; step 1's click
    // is answered by step 2.
    size_t at = 0;
    for (const char* line :
         {"step 80020001", "Level 2 saved into the profile", "continues from its saved game", "step 80020001",
          "step 80020002", "Level 2 saved into the profile", "continues from its saved game", "step 80020002",
          "step 80020003", "Level 2 saved into the profile", "continues from its saved game", "step 80020003",
          "step 80020004"}) {
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << log;
        ++at;
    }
    const Shot a = LoadShot(step1), b = LoadShot(step2), c = LoadShot(step3);
    ASSERT_TRUE(a.ok && b.ok && c.ok) << output;
    // Step 1's box over the field's centre; step 2's arrow at the site of point 1 (440, 220).
    EXPECT_GT(a.Count(320, 300, 705, 350, Parchment), 10000) << log;
    EXPECT_GT(b.Count(380, 220, 500, 320,
                      [](int r, int g, int b) { return r > 230 && g > 150 && g < 225 && b < 90; }),
              200)
        << log;
    // Step 3: the site's page (its buttons' cream face) and the arrow down at its buildings button.
    EXPECT_GT(c.NearIn(585, 690, 700, 755, 0xF2E2BC, 6), 2500) << "the selected site's page";
    EXPECT_GT(c.Count(650, 590, 700, 660, tutorialplay::ArrowYellow), 200) << log;
}

// Every other level with a scripted tutorial, left at its first step and
// continued: the step it was left at is shown again and the tutorial goes on
// from it. The levels run side by side (one program each).
TEST(ContinuedTutorialLevel, EveryTutorialLevelGoesOnAtItsSavedStep) {
    struct Case {
        int32_t index;      // the level's index (its map cell)
        int x, y;           // a point of its field whose click starts the clock
        int leaveMs = 4000; // the level is left this long after that click
    };
    // Level 6's first step waits for the robber's first shot to land.
    const Case cases[] = {{0, 460, 320},        {2, 820, 200}, {3, 820, 200},  {4, 380, 440},
                          {5, 460, 300, 14000}, {7, 420, 260}, {14, 380, 250}, {28, 460, 300}};
    std::vector<std::unique_ptr<GameCopy>> games; // outlives the runs that use them
    std::vector<std::future<std::string>> runs;
    for (const Case& c : cases) {
        games.push_back(std::make_unique<GameCopy>());
        GameCopy& game = *games.back();
        testplayers::MakeEasyPlayer(game.User(), u"kit", c.index, kLevelGold, true);
        EXPECT_TRUE(testsupport::UseWindow(game));
        const MapPoint house = CellPosition(c.index);
        const std::string script = game.File("script.txt");
        // A player who has won nothing sees the first comic (two clicks) and
        // the villains' attack on the map (a click) on the way.
        const std::string firstVisit =
            c.index == 0 ? Click(5800, 512, 600) + Click(6500, 512, 600) + Click(8800, 512, 300) : "";
        EXPECT_TRUE(testsupport::WriteFileBytes(
            script, Click(100, 400, 300) + Click(5000, 749, 445) + firstVisit +
                        Click(11000, house.x, house.y + 4) + Click(12000, kPlayX, kPlayY) +
                        Click(16000, c.x, c.y) + LeaveAndContinue(16000 + c.leaveMs, house) +
                        std::to_string(29000 + c.leaveMs) + " close\n"));
    }
    // Every copy is written before any program starts: a program started
    // while another copy is being written could inherit that file open.
    for (const auto& copy : games) {
        GameCopy& game = *copy;
        runs.push_back(std::async(std::launch::async, [&game] {
            std::string output;
            const int status = game.Run(
                "--headless --draw-every 10 --input-script '" + game.File("script.txt") + "'", &output);
            return status == 0 ? game.Log() : "exit status " + std::to_string(status) + "\n" + output;
        }));
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        const std::string log = runs[i].get();
        SCOPED_TRACE("level " + std::to_string(cases[i].index + 1));
        EXPECT_EQ(testsupport::MissingContent(log), "") << log;
        const size_t saved = log.find("saved into the profile"),
                     continued = log.find("continues from its saved game");
        ASSERT_NE(saved, std::string::npos) << log;
        ASSERT_NE(continued, std::string::npos) << log;
        // The step shown when the level was left, shown again after it continued.
        const std::string marker = "Level tutorial              step ";
        const size_t left = log.rfind(marker, saved);
        ASSERT_NE(left, std::string::npos) << "a step was shown before the level was left\n" << log;
        const std::string step = log.substr(left + marker.size(), 8);
        EXPECT_NE(log.find(marker + step, continued), std::string::npos) << step << "\n" << log;
    }
}
