// The game from a fresh user folder to a medal, played only through an input script of clicks and keys, at
// 1024 x 768: the logos (a click skips them), loading, the main screen, a new player typed in, "easy" with
// the first comic, the map with the villains' attack and the first visit's tutorial, level 1's window and the
// level itself: its tutorial is started by the first click and played through to its last step (both clean
// sites sown through their build menus, harvests, the warehouse and a sale, watering), the level is won with
// silver (gold asks for a practised run, not a first win that follows the tutorial), and the map reveals the
// medal and opens level 2. The program quits; a second start shows the same.
//
// The screenshots of every stage are kept under the build folder (whole-game/), for looking at a run.
#include "app/Profiles.h"
#include "gui/Regime.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"
#include "tests/support/MissingContent.h"

#include <cstdio>
#include <cstdlib>

using namespace programtest;

namespace {

using testsupport::script::quick::Click;
using testsupport::script::quick::Key;

// The points of level 1 (its warehouse is point 0) and the round harvest
// button over a ripe bed.
constexpr int kSite1X = 460, kSite1Y = 320, kSite2X = 660, kSite2Y = 400;
constexpr int kHarvestAbove = 73;
// The site panel's plants button and its wheat choice; the panel's
// warehouse button; the warehouse window's wheat tile, sell-one button and
// close button.
constexpr int kPlantsX = 626, kPlantsY = 712, kWheatX = 576, kWheatY = 720;
constexpr int kWarehouseX = 911, kWarehouseY = 711;
constexpr int kWheatTileX = 278, kWheatTileY = 273, kSellOneX = 707, kSellOneY = 418, kCloseX = 514,
              kCloseY = 561;

std::string FirstRun() {
    // A new player "ann" (the offered name is replaced), "easy" shows the
    // comic; two clicks complete and close it and the map opens.
    std::string s = testplayers::NewPlayerAnnToMap();
    // The villains' attack ends on a click; level 1 on the map, "play".
    s += Click(10500, 512, 300) + Click(12600, 145, 134) + Click(13300, 578, 538);
    // Level 1 with its whole tutorial. The first click on the field starts
    // the clock and step 1 (the goal); the steps that wait for a click get one.
    const auto next = [&s](int at) { s += Click(at, 512, 200); };
    s += Click(16500, kSite1X, kSite1Y);
    s += Click(18000, 512, 300);
    // Steps 2-4: the first clean site, its plants button, wheat; 5: it grows.
    s += Click(19500, kSite1X, kSite1Y) + Click(20500, kPlantsX, kPlantsY) + Click(21500, kWheatX, kWheatY);
    // 6: the harvest button; 7, 8: clicks; 9, 10: the second site and its plants button; 11-13: clicks.
    s += Click(62000, kSite1X, kSite1Y - kHarvestAbove);
    next(75000), next(76000);
    s += Click(77000, kSite2X, kSite2Y) + Click(78000, kPlantsX, kPlantsY);
    next(79000), next(80000), next(81000);
    // 14-19: the warehouse button, a click, the wheat tile, a click, sell one, close.
    s += Click(82000, kWarehouseX, kWarehouseY);
    // (The window's clicks below its title bar.)
    s += Click(86500, 512, 300) + Click(87500, kWheatTileX, kWheatTileY) + Click(88500, 512, 300);
    s += Click(90000, kSellOneX, kSellOneY) + Click(91000, kCloseX, kCloseY);
    // 20, 21: plants and wheat for the second site; 22: both grow; 23: a click;
    // 24, 25: both harvested; 26: the dry second field watered (and the first);
    // 27: harvests until the warehouse holds the goal's four wheat.
    s += Click(92000, kPlantsX, kPlantsY) + Click(93000, kWheatX, kWheatY);
    next(126000);
    s += Click(127000, kSite1X, kSite1Y - kHarvestAbove) + Click(128000, kSite2X, kSite2Y - kHarvestAbove);
    s += Click(150500, kSite2X, kSite2Y - kHarvestAbove) + Click(151500, kSite1X, kSite1Y - kHarvestAbove);
    s += Click(185500, kSite2X, kSite2Y - kHarvestAbove) + Click(186500, kSite1X, kSite1Y - kHarvestAbove);
    s += Click(215500, kSite2X, kSite2Y - kHarvestAbove) + Click(216500, kSite1X, kSite1Y - kHarvestAbove);
    // Enter leaves through the result window; the map reveals; the program quits.
    s += Key(226000, "RETURN") + "238000 close\n";
    return s;
}

// The stages of the first run and the moments their screenshots are taken.
const std::vector<std::pair<const char*, int>> kStages = {
    {"main-screen", 4000},
    {"new-player", 6500},
    {"comic", 7700},
    {"map-attack", 10300},
    {"map-tutorial", 11700},
    {"level-window", 13500},
    {"level-start", 16300},
    {"tutorial-goal", 17900},
    {"tutorial-site", 19400},
    {"tutorial-plants", 20400},
    {"tutorial-grows", 30000},
    {"tutorial-harvest", 61900},
    {"tutorial-warehouse", 85900},
    {"tutorial-sell", 89900},
    {"tutorial-both-ripe", 125000},
    {"tutorial-water", 149900},
    {"tutorial-goal-harvest", 215000},
    {"result", 225000},
    {"map-reveal", 230000},
    {"map-after", 236000},
};

std::string ShotFolder() {
    const char* built = std::getenv("VB_BINARY_DIR");
    const fs::path folder = fs::path(built ? built : ".") / "whole-game";
    std::error_code error;
    fs::create_directories(folder, error);
    return folder.string();
}

bool Silver(int r, int g, int b) {
    return r > 150 && r < 235 && std::abs(r - g) < 12 && std::abs(g - b) < 16;
}

} // namespace

TEST(WholeGame, AFreshStartPlaysToASilverMedalAndTheProgressStaysAfterARestart) {
    GameCopy game;
    ASSERT_TRUE(testsupport::UseWindow(game));
    const std::string folder = ShotFolder();
    auto shot = [&folder](const std::string& name) { return folder + "/" + name + ".png"; };

    // Only the stages' frames are looked at: the others need not be drawn.
    std::string arguments = "--draw-every 10";
    for (const auto& [name, ms] : kStages)
        arguments += testsupport::ScreenshotAt(ms, shot(name));
    std::string output;
    ASSERT_EQ(testsupport::RunScript(game, "first", FirstRun(), arguments, &output, true), 0) << output;
    const std::string log = game.Log();

    // Logos, loading, the main screen, the comic, the map, the level's
    // loading, the level, the map again, and the quit.
    const std::vector<const char*> states = {
        "0x00000000 -> 0x00000001", "0x00000001 -> 0x80000002", "0x80000002 -> 0x00000006",
        "0x00000006 -> 0x00000007", "0x00000007 -> 0x00000005", "0x00000005 -> 0x80000003",
        "0x80000003 -> 0x00000004", "0x00000004 -> 0x00000005", "0x00000005 -> 0xFFFFFFFF"};
    size_t at = 0;
    for (const char* state : states) {
        at = log.find(state, at);
        ASSERT_NE(at, std::string::npos) << state << "\n" << log;
    }
    EXPECT_NE(log.find("Map tutorial                40080000 starts"), std::string::npos) << log;
    EXPECT_NE(log.find("Map tutorial                40010000 starts"), std::string::npos) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "wheat ordered"), 2u) << log;
    EXPECT_NE(log.find("1 of 1 wheat (stock 4)"), std::string::npos) << log;
    // Every step of level 1's tutorial, in order.
    at = 0;
    for (int step = 1; step <= 27; ++step) {
        if (step == 20) continue; // skipped: the plants page is already shown
        char name[32];
        std::snprintf(name, sizeof name, "step 800100%02X", step);
        at = log.find(name, at);
        ASSERT_NE(at, std::string::npos) << name << "\n" << log;
    }
    EXPECT_NE(log.find("Warehouse                   sold for 2"), std::string::npos) << log;
    EXPECT_NE(log.find("Level won:                  level 1, regime 0"), std::string::npos) << log;
    EXPECT_NE(log.find("grade 5, a new record"), std::string::npos) << "silver\n" << log;
    EXPECT_NE(log.find("the return from a level reveals its result"), std::string::npos) << log;
    EXPECT_EQ(testsupport::MissingContent(log), "") << "content the game asked for and did not find";

    // The stages as a player sees them.
    const Shot result = LoadShot(shot("result")), reveal = LoadShot(shot("map-reveal")),
               after = LoadShot(shot("map-after"));
    ASSERT_TRUE(result.ok && reveal.ok && after.ok) << output;
    ASSERT_EQ(after.picture.width, 1024);
    ASSERT_EQ(after.picture.height, 768);
    // The result window's silver medal.
    EXPECT_GT(result.Count(290, 380, 370, 470, Silver), 150);
    // On the map, level 2 opens during the reveal: its house gets its red roof.
    const auto redRoof = [](int r, int g, int b) { return r > 180 && g < 90 && b < 90; };
    EXPECT_GT(after.Count(230, 50, 300, 90, redRoof), 100);

    // The profile keeps the silver medal and level 2 open; nothing saved of a won level.
    {
        ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
        profiles.Load();
        ASSERT_NE(profiles.Current(), nullptr);
        const auto& easy = profiles.Current()->Record().results.regimes[kRegimeEasy];
        EXPECT_EQ(easy.levels[0].status, kLevelSilver);
        EXPECT_GE(easy.levels[1].status, kLevelOpen);
        EXPECT_EQ(profiles.Current()->GetSavedLevel(0), nullptr);
    }

    // A second start: the same player, straight to the map with "easy" (no
    // comic this time), which shows level 1's medal and level 2 open.
    ASSERT_EQ(testsupport::RunScript(game, "again",
                                     Click(40, 500, 300) + Click(2000, 749, 445) + "6000 close\n",
                                     testsupport::ScreenshotAt(5000, shot("restart-map")), &output, true),
              0)
        << output;
    const std::string log2 = game.Log();
    EXPECT_NE(log2.find("0x00000006 -> 0x00000005"), std::string::npos) << "easy goes to the map\n" << log2;
    EXPECT_EQ(log2.find("0x00000006 -> 0x00000007"), std::string::npos) << "no comic the second time\n"
                                                                        << log2;
    const Shot restart = LoadShot(shot("restart-map"));
    ASSERT_TRUE(restart.ok) << output;
    EXPECT_GT(restart.Count(230, 50, 300, 90, redRoof), 100) << "level 2 is still open";
    // Level 1's medal stands where the reveal left it.
    int same = 0, total = 0;
    for (int y = 125; y < 170; ++y)
        for (int x = 78; x < 110; ++x, ++total)
            same += (restart.At(x, y) & 0xFFFFFF) == (after.At(x, y) & 0xFFFFFF);
    EXPECT_GT(same, total * 9 / 10);
}
