// The game from a fresh user folder to a medal, played only through an input
// script of clicks and keys, at 1024 x 768: the logos (a click skips them),
// loading, the main screen, a new player typed in, "easy" with the first
// comic, the map with the villains' attack and the first visit's tutorial,
// level 1's window and the level itself: its tutorial is started by the first
// click and closed, both clean sites are sown with wheat through their build
// menus, the wheat is harvested four times, the level is won with gold, the
// result window leaves for the map, which reveals the medal and opens level 2.
// The program quits; a second start shows the same progress.
//
// The screenshots of every stage are kept under the build folder
// (whole-game/), for looking at a run.
#include "app/Profiles.h"
#include "gui/Regime.h"
#include "platform/Utf.h"
#include "tests/support/GameCopy.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using testsupport::GameCopy;
using testsupport::LoadShot;
using testsupport::Shot;

namespace {

std::string Key(int ms, const std::string& key) {
    return std::to_string(ms) + " key down " + key + "\n" + std::to_string(ms + 30) + " key up " + key + "\n";
}
std::string Click(int ms, int x, int y) {
    return std::to_string(ms) + " mouse move " + std::to_string(x) + " " + std::to_string(y) + "\n" +
           std::to_string(ms + 20) + " mouse down left\n" + std::to_string(ms + 80) + " mouse up left\n";
}

// The points of level 1 (its warehouse is point 0) and the round harvest
// button over a ripe bed.
constexpr int kSite1X = 460, kSite1Y = 320, kSite2X = 660, kSite2Y = 400;
constexpr int kHarvestAbove = 73;
// The site panel's plants button and its wheat choice.
constexpr int kPlantsX = 626, kPlantsY = 712, kWheatX = 576, kWheatY = 720;

std::string FirstRun() {
    // A new player "ann" (the offered name is replaced), "easy" shows the
    // comic; two clicks complete and close it and the map opens.
    std::string s = Click(40, 500, 300);
    int ms = 4500;
    for (int i = 0; i < 17; ++i, ms += 40)
        s += Key(ms, "BACK");
    for (const char* key : {"A", "N", "N"})
        s += Key(ms, key), ms += 40;
    s += Key(ms + 100, "RETURN");
    s += Click(6700, 749, 445) + Click(7500, 512, 600) + Click(8200, 512, 600);
    // The villains' attack ends on a click; level 1 on the map, "play".
    s += Click(10500, 512, 300) + Click(12600, 145, 134) + Click(13300, 578, 538);
    // The first click on the field starts the clock and the tutorial, which
    // the player closes (and confirms).
    s += Click(16500, kSite1X, kSite1Y) + Click(17300, 75, 18) + Click(18000, 141, 147);
    // Both clean sites: the site, its plants button, wheat.
    s += Click(18800, kSite1X, kSite1Y) + Click(19600, kPlantsX, kPlantsY) + Click(20400, kWheatX, kWheatY);
    s += Click(21800, kSite2X, kSite2Y) + Click(22600, kPlantsX, kPlantsY) + Click(23400, kWheatX, kWheatY);
    // Four harvests as the beds ripen; the goal is four wheat.
    s += Click(60000, kSite1X, kSite1Y - kHarvestAbove) + Click(61000, kSite2X, kSite2Y - kHarvestAbove);
    s += Click(75500, kSite1X, kSite1Y - kHarvestAbove) + Click(86000, kSite2X, kSite2Y - kHarvestAbove);
    // Enter leaves through the result window; the map reveals; the program quits.
    s += Key(100000, "RETURN") + "112000 close\n";
    return s;
}

// The stages of the first run and the moments their screenshots are taken.
const std::vector<std::pair<const char*, int>> kStages = {
    {"main-screen", 4000},   {"new-player", 6500},    {"comic", 7700},        {"map-attack", 10300},
    {"map-tutorial", 11700}, {"level-window", 13500}, {"level-start", 16300}, {"level-tutorial", 17100},
    {"level-sown", 30000},   {"level-ripe", 59000},   {"result", 99000},      {"map-reveal", 106000},
    {"map-after", 111000},
};

std::string ShotFolder() {
    const char* built = std::getenv("VB_BINARY_DIR");
    const fs::path folder = fs::path(built ? built : ".") / "whole-game";
    std::error_code error;
    fs::create_directories(folder, error);
    return folder.string();
}

bool Gold(int r, int g, int b) {
    return r > 200 && g > 150 && b < 110 && r > b + 100;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(WholeGame, AFreshStartPlaysToAGoldMedalAndTheProgressStaysAfterARestart) {
    GameCopy game;
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini", "[Video]\nWindow=1024,768\n"));
    const std::string folder = ShotFolder();
    auto shot = [&folder](const std::string& name) { return folder + "/" + name + ".png"; };

    const std::string script = game.File("first.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, FirstRun()));
    std::string arguments = "--headless --input-script '" + script + "'";
    for (const auto& [name, ms] : kStages)
        arguments += " --screenshot-at " + std::to_string(ms) + " '" + shot(name) + "'";
    std::string output;
    ASSERT_EQ(game.Run(arguments, &output), 0) << output;
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
    EXPECT_EQ(Count(log, "wheat ordered"), 2u) << log;
    EXPECT_NE(log.find("1 of 1 wheat (stock 4)"), std::string::npos) << log;
    EXPECT_NE(log.find("Level won:                  level 1, regime 0"), std::string::npos) << log;
    EXPECT_NE(log.find("grade 6, a new record"), std::string::npos) << "gold\n" << log;
    EXPECT_NE(log.find("the return from a level reveals its result"), std::string::npos) << log;
    EXPECT_EQ(log.find("Sprite missing"), std::string::npos) << log;
    EXPECT_EQ(log.find("Text missing"), std::string::npos) << log;

    // The stages as a player sees them.
    const Shot result = LoadShot(shot("result")), reveal = LoadShot(shot("map-reveal")),
               after = LoadShot(shot("map-after"));
    ASSERT_TRUE(result.ok && reveal.ok && after.ok) << output;
    ASSERT_EQ(after.picture.width, 1024);
    ASSERT_EQ(after.picture.height, 768);
    // The result window's gold medal.
    EXPECT_GT(result.Count(290, 380, 370, 470, Gold), 150);
    // On the map, level 2 opens during the reveal: its house gets its red roof.
    const auto redRoof = [](int r, int g, int b) { return r > 180 && g < 90 && b < 90; };
    EXPECT_GT(after.Count(230, 50, 300, 90, redRoof), 100);

    // The profile keeps the gold medal and level 2 open; nothing saved of a won level.
    {
        ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
        profiles.Load();
        ASSERT_NE(profiles.Current(), nullptr);
        const auto& easy = profiles.Current()->Record().results.regimes[kRegimeEasy];
        EXPECT_EQ(easy.levels[0].status, kLevelGold);
        EXPECT_GE(easy.levels[1].status, kLevelOpen);
        EXPECT_EQ(profiles.Current()->GetSavedLevel(0), nullptr);
    }

    // A second start: the same player, straight to the map with "easy" (no
    // comic this time), which shows level 1's medal and level 2 open.
    const std::string again = game.File("again.txt");
    ASSERT_TRUE(
        testsupport::WriteFileBytes(again, Click(40, 500, 300) + Click(2000, 749, 445) + "6000 close\n"));
    ASSERT_EQ(game.Run("--headless --input-script '" + again + "' --screenshot-at 5000 '" +
                           shot("restart-map") + "'",
                       &output),
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
