// Winning level 8 shows comic 1 (the story's second) on the way back to the map, as a
// player meets it: a profile that has passed levels 1-7 and has level 8 open
// plays it with the level bot in the easy regime; once won, the level leaves
// for comic 1, which waits for the player; a click closes it, the map opens
// and reveals level 8's medal and level 9 open, the regime tutorial points
// at the regime plank until a click, and a click on level 9 then opens its
// level window. The won level is not kept as
// a running game.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/TutorialLooks.h"
#include "tests/support/MissingContent.h"

#include <algorithm>

using namespace programtest;

using testsupport::StateChanges;

namespace {

// The bot has finished level 8 well before this (the easy regime's bronze
// time is six minutes of level time); the comic then waits for the click.
constexpr int kComicShown = 700000;
constexpr int kClick = 702000;
constexpr int kMapShown = 705000;
// After the reveal the map's regime tutorial (the hard regime is open now)
// waits for a click; then a click on level 9's house opens its level window.
constexpr int kTutorialClick = 706500;
constexpr int kHouseClick = 708000;

} // namespace

TEST(ComicAfterLevel, WinningLevel8ShowsTheComicThenTheMapRevealsTheMedal) {
    GameCopy game;
    // The profile "wren": levels 1-7 passed with medals, level 8 open, the
    // tutorials off: the bot plays the level as it stands.
    testplayers::MakeEasyPlayer(game.User(), u"wren", 7, kLevelSilver, false);
    ASSERT_TRUE(testsupport::UseWindow(game));
    const std::string events =
        testsupport::script::held::Click(kClick, 512, 700) +
        testsupport::script::held::Click(kTutorialClick, 900, 600) +
        testsupport::script::held::Click(kHouseClick, CellPosition(8).x, CellPosition(8).y + 4);
    const std::string comic = game.File("comic.png"), map = game.File("map.png"),
                      regime = game.File("regime.png");
    std::string output;
    const int status = testsupport::RunScript(
        game, "click", events,
        "--draw-every 20 --until-ms " + std::to_string(kHouseClick + 1000) + " --bot easy 8" +
            testsupport::ScreenshotAt(kComicShown, comic) + testsupport::ScreenshotAt(kMapShown, map) +
            testsupport::ScreenshotAt(kTutorialClick - 200, regime),
        &output, true);
    const std::string log = game.Log();
    ASSERT_EQ(status, 0) << output << log;
    ASSERT_NE(log.find("Bot: level 8 regime 0 won"), std::string::npos) << "the bot did not win level 8\n"
                                                                        << log;
    EXPECT_NE(log.find("Leaving level 8 for comic 1."), std::string::npos) << log;
    EXPECT_EQ(log.find("Level 8 saved into the profile"), std::string::npos) << "a won level is not kept\n"
                                                                             << log;
    // From the level through the comic to the map, which the run's end quits.
    const std::vector<std::string> states = StateChanges(log);
    const auto level = std::find(states.begin(), states.end(), "00000004");
    ASSERT_NE(level, states.end()) << log;
    EXPECT_EQ(std::vector<std::string>(level, states.end()),
              (std::vector<std::string>{"00000004", "00000007", "00000005", "FFFFFFFF"}))
        << log;
    const size_t reveal = log.find("the return from a level reveals its result");
    ASSERT_NE(reveal, std::string::npos) << log;
    EXPECT_NE(log.find("the level window of level 9 opens", reveal), std::string::npos)
        << "the map answers a click after the comic and the reveal\n"
        << log;
    // The level's result window, the comic and the map after it lack nothing.
    EXPECT_EQ(testsupport::MissingContent(log), "") << log;

    // The comic page: the paper background fills much of the screen.
    testsupport::KeepShot(regime, "regime.png");
    const Shot page = LoadShot(comic), shown = LoadShot(map), told = LoadShot(regime);
    ASSERT_TRUE(page.ok && shown.ok && told.ok) << page.error << shown.error << told.error;
    // The regime tutorial shows its box above the regime plank (bottom
    // right) with the arrow down at it.
    EXPECT_NE(log.find("40050000 starts"), std::string::npos) << log;
    EXPECT_GT(told.Count(560, 515, 950, 585, tutorialplay::Parchment), 15000);
    EXPECT_GT(told.Count(860, 620, 915, 690, tutorialplay::Orange), 300);
    const int paper = page.Count(0, 0, 1024, 768, [](int r, int g, int b) {
        return r > 200 && g > 180 && r >= g && g > b; // light and warm
    });
    EXPECT_GT(paper, 1024 * 768 / 4) << "the comic page shows";

    // The map: level 8's medal (whichever the bot won) beside its marker, in
    // the medal picture's own colours.
    const MapPoint eight = CellPosition(7);
    const MapPoint medal{eight.x - 49, eight.y - 2 + 1 + 3};
    int medalPixels = 0;
    for (uint32_t colour : {0xC88040u, 0xE0E0E8u, 0xFFD040u})
        medalPixels += shown.Near(medal.x, medal.y, 6, colour, 30);
    EXPECT_GT(medalPixels, 10) << "a medal beside level 8";

    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    profiles.Load();
    ASSERT_NE(profiles.Current(), nullptr);
    const LevelProgress* levels = profiles.Current()->Record().results.regimes[kRegimeEasy].levels;
    EXPECT_GE(levels[7].status, kLevelBronze) << "level 8 won with a medal";
    EXPECT_EQ(levels[8].status, kLevelOpen) << "level 9 open";
    EXPECT_EQ(profiles.Current()->GetSavedLevel(7), nullptr) << "no running game of level 8 kept";
}

// A bot run with a level left after level 8 passes the comic as a player
// does: its clicks complete and close the page, the map opens and reveals
// the result, its back button leads to the main screen and the run goes on
// with level 9; after it the program quits by itself.
TEST(ComicAfterLevel, ABotRunGoesOnThroughTheComicAndTheMapToTheNextLevel) {
    GameCopy game;
    // "wren" as above.
    testplayers::MakeEasyPlayer(game.User(), u"wren", 7, kLevelSilver, false);
    ASSERT_TRUE(testsupport::UseWindow(game));
    std::string output;
    const int status = game.Run("--headless --draw-every 20 --until-ms 1500000 --bot easy 8,9", &output);
    const std::string log = game.Log();
    ASSERT_EQ(status, 0) << output << log;
    ASSERT_NE(log.find("Bot: level 8 regime 0 won"), std::string::npos) << log;
    const size_t comic = log.find("Leaving level 8 for comic 1.");
    ASSERT_NE(comic, std::string::npos) << log;
    // The page took the bot's clicks and closed onto the map, which revealed
    // level 8's result; the back button took the run to the next level.
    const size_t page = log.find("Bot: a click on the comic's page.", comic);
    const size_t reveal = log.find("the return from a level reveals its result", comic);
    const size_t back = log.find("Bot: the map's back button", comic);
    const size_t nine = log.find("Level 9 (", comic);
    ASSERT_NE(page, std::string::npos) << log;
    ASSERT_NE(reveal, std::string::npos) << log;
    ASSERT_NE(back, std::string::npos) << log;
    ASSERT_NE(nine, std::string::npos) << "level 9 never began\n" << log;
    EXPECT_LT(page, reveal) << log;
    EXPECT_LT(reveal, back) << log;
    EXPECT_LT(back, nine) << log;
    EXPECT_NE(log.find("Bot: level 9 regime 0 won"), std::string::npos) << log;
    EXPECT_NE(log.find("Bot: every level played."), std::string::npos) << "the run ended by itself\n" << log;

    const std::vector<std::string> states = StateChanges(log);
    const auto level = std::find(states.begin(), states.end(), "00000004");
    ASSERT_NE(level, states.end()) << log;
    // Level 8, the comic, the map, the main screen's place, loading, level 9, and back to quit.
    const std::vector<std::string> after(level, states.end());
    ASSERT_GE(after.size(), 6u) << log;
    EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + 4),
              (std::vector<std::string>{"00000004", "00000007", "00000005", "00000006"}))
        << log;
    EXPECT_EQ(std::count(after.begin(), after.end(), "00000004"), 2) << log;
    EXPECT_EQ(after.back(), "FFFFFFFF") << log;

    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    const LevelProgress* levels = saved->results.regimes[kRegimeEasy].levels;
    EXPECT_GE(levels[7].status, kLevelBronze);
    EXPECT_GE(levels[8].status, kLevelBronze) << "level 9 won into the profile";
}
