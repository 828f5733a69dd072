// The level-select map as a player meets it: M on the screen after loading
// opens the map of a profile with levels locked, coming up, open and passed
// with each medal; Shift and a click on the open level (cheats on) complete
// it, and the reveal shows its bronze medal and the next level open; the same
// map reached through "easy" on the main menu.
#include "app/Profiles.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/WindowSizes.h"

using namespace programtest;

namespace {

// The profile "tess": levels 1-3 passed with gold, silver and bronze, level 4
// passed without a medal, level 5 open, level 6 coming up, the rest locked.
void MakeProfile(const std::string& user) {
    testplayers::MakePlayer(user, u"tess", [](ProfileRecord& record) {
        LevelProgress* levels = record.results.regimes[kRegimeEasy].levels;
        const uint32_t statuses[] = {kLevelGold,   kLevelSilver, kLevelBronze,
                                     kLevelPassed, kLevelOpen,   kLevelUpcoming};
        for (size_t i = 0; i < std::size(statuses); ++i)
            levels[i].status = statuses[i];
        record.flags |= kProfileFlagEasyMapTutorial;
    });
}

// When the map's villains have left a new player's map (nobody clicked their attack away).
constexpr int kLevelClickMs = 40000;

// Before the shift-click: gold, silver and bronze beside levels 1-3, nothing
// beside level 5; 1.2 s after it level 5 has its bronze medal and level 6
// glows open, and the profile says so; the hard regime stays locked.
void ExpectLevelFiveRevealed(const GameCopy& game, const Shot& shown, const Shot& revealed) {
    auto medal = [](int level) {
        const MapPoint c = CellPosition(level);
        return MapPoint{c.x - 49, c.y - 2 + 1 + 3};
    };
    EXPECT_GT(shown.Near(medal(0).x, medal(0).y, 6, 0xFFD040, 40), 10); // gold, as drawn
    EXPECT_GT(shown.Near(medal(1).x, medal(1).y, 6, 0xE0E0E8, 30), 10);
    EXPECT_GT(shown.Near(medal(2).x, medal(2).y, 6, 0xC88040, 30), 10);
    EXPECT_EQ(shown.Near(medal(4).x, medal(4).y, 6, 0xC88040, 30), 0);
    // 1.2 s after the click level 5 has its bronze medal and level 6 glows open.
    EXPECT_GT(revealed.Near(medal(4).x, medal(4).y, 6, 0xC88040, 30), 10);
    const MapPoint six = CellPosition(5);
    const MapPoint glow{six.x + 42, six.y - 33}; // inside the hexagon, clear of house, sign and pen
    auto green = [&](const Shot& p) { return int((p.At(glow.x, glow.y) >> 8) & 0xFF); };
    EXPECT_GT(green(revealed), green(shown) + 15);
    // The hard regime is locked: the chain hangs over the regime button's right side.
    EXPECT_GT(revealed.Near(1024 - 175 + 143, 768 - 65 + 20, 12, 0x8A8A96, 12), 10);

    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    const LevelProgress* levels = saved->results.regimes[kRegimeEasy].levels;
    EXPECT_EQ(levels[4].status, kLevelBronze);
    EXPECT_EQ(levels[5].status, kLevelOpen);
    EXPECT_EQ(levels[6].status, kLevelLocked);
}

} // namespace

TEST(MapScreenScenario, ShiftClickOnTheOpenLevelRevealsItsMedalAndOpensTheNext) {
    GameCopy game;
    MakeProfile(game.User());
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=1024,768\n[Game]\nCheats=1\n"));
    const MapPoint open = CellPosition(4); // level 5 on the 1024 x 768 screen (offsets 0, 1)
    const std::string script = game.File("map.txt");
    const std::string x = std::to_string(open.x), y = std::to_string(open.y + 1);
    ASSERT_TRUE(testsupport::WriteFileBytes(script, testsupport::script::SkipLogos() +
                                                        "5000 key down M\n5100 key up M\n"
                                                        "6000 mouse move " +
                                                        x + " " + y +
                                                        "\n"
                                                        "6200 key down LSHIFT\n6300 mouse down left\n"
                                                        "6350 mouse up left\n6400 key up LSHIFT\n"));
    const std::string before = game.File("before.png"), after = game.File("after.png");
    std::string output;
    const int status = game.RunShowcase("--headless --draw-every 4 --input-script '" + script +
                                            "' --until-ms 7600 --screenshot-at 6100 '" + before +
                                            "' --screenshot-at 7500 '" + after + "'",
                                        &output);
    ASSERT_EQ(status, 0) << output << game.Log();

    const Shot shown = LoadShot(before), revealed = LoadShot(after);
    ASSERT_TRUE(shown.ok && revealed.ok);
    ExpectLevelFiveRevealed(game, shown, revealed);
}

// Only an open level lights up under the pointer, at both window sizes: the
// pointer resting on locked level 8 changes nothing about its house, on open
// level 5 its hexagon lights, and goes out on the awards button.
TEST(MapScreenScenario, OnlyAnOpenLevelLightsUnderThePointer) {
    for (const windowsizes::WindowSize size : windowsizes::kSizes) {
        SCOPED_TRACE(windowsizes::Describe(size));
        GameCopy game;
        MakeProfile(game.User());
        // The map is drawn at the window's height over 768.
        const auto at = [&](int level) {
            const MapPoint c = CellPosition(level);
            return MapPoint{c.x * size.height / 768, (c.y + 1) * size.height / 768};
        };
        const MapPoint locked = at(7), open = at(4);
        const auto move = testsupport::script::Move;
        windowsizes::PlayAt(game, size,
                            {.events = testsupport::script::SkipLogos() + "5000 key down M\n5100 key up M\n" +
                                       move(5800, 5, size.height / 2) + move(6300, locked.x, locked.y) +
                                       move(6800, open.x, open.y) + move(7300, 60, size.height - 40),
                             .shots = {{6200, "rest"}, {6700, "locked"}, {7200, "open"}, {7700, "awards"}},
                             .untilMs = 7800},
                            "hover-");
        const Shots shots(game, std::vector<std::string>{"rest", "locked", "open", "awards"});
        ASSERT_EQ(shots.Missing(), "");
        const int r = 50 * size.height / 768;
        EXPECT_EQ(testsupport::Differing(shots["rest"], shots["locked"], locked.x - r, locked.y - r,
                                         locked.x + r, locked.y + r),
                  0)
            << "the locked level lit";
        EXPECT_GT(testsupport::Differing(shots["locked"], shots["open"], open.x - r, open.y - r, open.x + r,
                                         open.y + r),
                  200)
            << "the open level unlit";
        EXPECT_LT(testsupport::Differing(shots["rest"], shots["awards"], open.x - r, open.y - r, open.x + r,
                                         open.y + r),
                  50);
    }
}

TEST(MapScreenScenario, EasyOnTheMainMenuLeadsToTheMapWhereShiftClickCompletesTheOpenLevel) {
    // The same profile, reached as a player does: the logos skipped, "easy"
    // (the menu's first button, the menu at 607, 344) on the main menu; the
    // profile has passed levels, so no comic comes first.
    GameCopy game;
    MakeProfile(game.User());
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=1024,768\n[Game]\nCheats=1\n"));
    const MapPoint open = CellPosition(4);
    const std::string x = std::to_string(open.x), y = std::to_string(open.y + 1);
    const std::string script = game.File("menu.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(
        script, testsupport::script::SkipLogos() +
                    "5000 mouse move 749 445\n5020 mouse down left\n5080 mouse up left\n"
                    "6300 mouse move " +
                    x + " " + y +
                    "\n"
                    "6500 key down LSHIFT\n6600 mouse down left\n6650 mouse up left\n6700 key up LSHIFT\n"));
    const std::string menu = game.File("menu.png"), before = game.File("before.png"),
                      after = game.File("after.png");
    std::string output;
    const int status = game.Run(
        "--headless --draw-every 4 --input-script '" + script + "' --until-ms 7900 --screenshot-at 4900 '" +
            menu + "' --screenshot-at 6400 '" + before + "' --screenshot-at 7850 '" + after + "'",
        &output);
    ASSERT_EQ(status, 0) << output << game.Log();
    const std::string log = game.Log();
    EXPECT_NE(log.find("The main screen opens."), std::string::npos) << log;
    EXPECT_NE(log.find("Regime started"), std::string::npos) << log;
    EXPECT_EQ(log.find("introductory comic"), std::string::npos) << log;
    EXPECT_NE(log.find("-> 0x00000005"), std::string::npos) << "the map opens\n" << log;

    const Shot menuShot = LoadShot(menu), shown = LoadShot(before), revealed = LoadShot(after);
    ASSERT_TRUE(menuShot.ok && shown.ok && revealed.ok);
    EXPECT_GT(menuShot.Near(750, 365, 15, 0xF2E2BC, 6), 300) << "the menu with its greeting";
    ASSERT_EQ(revealed.picture.width, 1024);
    ASSERT_EQ(revealed.picture.height, 768);
    ExpectLevelFiveRevealed(game, shown, revealed);
}

TEST(MapScreenScenario, TheAnimalsStandOnTheirShadowsAndTheLockedRegimeSwitchHintsHowToOpenIt) {
    // The map reached through "easy" on the main menu; level 4 is passed, so
    // its cow stands on the map; the mouse then rests on the locked regime
    // switch, and at last "Back" leads to the main screen.
    GameCopy game;
    MakeProfile(game.User());
    ASSERT_TRUE(testsupport::UseWindow(game));
    const std::string script = game.File("menu.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, testsupport::script::SkipLogos() +
                                                        "5000 mouse move 749 445\n5020 mouse down left\n"
                                                        "5080 mouse up left\n"
                                                        "6000 mouse move 600 400\n"
                                                        "6300 mouse move 930 730\n"
                                                        "8000 mouse move 86 20\n8050 mouse down left\n"
                                                        "8100 mouse up left\n"));
    const std::string map = game.File("map.png"), hint = game.File("hint.png");
    std::string output;
    const int status =
        game.Run("--headless --draw-every 4 --input-script '" + script + "' --until-ms 9000" +
                     testsupport::ScreenshotAt(6200, map) + testsupport::ScreenshotAt(7900, hint),
                 &output);
    ASSERT_EQ(status, 0) << output << game.Log();
    const std::string log = game.Log();
    const size_t opened = log.find("-> 0x00000005");
    ASSERT_NE(opened, std::string::npos) << "the map opens\n" << log;
    EXPECT_NE(log.find("-> 0x00000006", opened), std::string::npos) << "Back leads to the main screen\n"
                                                                    << log;
    testsupport::KeepShot(map, "map-animals.png");
    testsupport::KeepShot(hint, "map-regime-hint.png");
    const Shot shown = LoadShot(map), hinted = LoadShot(hint);
    ASSERT_TRUE(shown.ok && hinted.ok);

    // The cow of level 4 (8 pixels right of its cell's centre, 40 down, half
    // size) casts its shadow on the grass between and around its hooves.
    const MapPoint cell = CellPosition(3);
    const MapPoint hooves{cell.x + 8 - 2, cell.y + 40 + 1};
    auto green = [&](int x, int y) { return int((shown.At(x, y) >> 8) & 0xFF); };
    const int grass = green(hooves.x + 24, hooves.y);
    EXPECT_GT(grass, 170) << "plain grass beside the cow";
    EXPECT_LT(green(hooves.x, hooves.y), grass - 40) << "the shadow between the hooves";
    EXPECT_LT(green(hooves.x - 4, hooves.y), grass - 20) << "the shadow beyond the left hoof";
    // Level 2's pen fence keeps off its signpost; levels 1-3's dark medal plates reach below their numbers.
    const MapPoint two = CellPosition(1);
    EXPECT_EQ(shown.NearIn(two.x + 28, two.y - 4, two.x + 72, two.y + 29, 0x8A5E28, 3), 0) << "the pen";
    const auto plate = [](int r, int g, int b) { return r + g + b < 250; };
    for (const MapPoint c : {CellPosition(0), two, CellPosition(2)})
        EXPECT_GT(shown.Count(c.x - 56, c.y + 21, c.x - 42, c.y + 26, plate), 40);

    // Resting on the locked regime switch shows the hint box over it; there was none before.
    const int hintBox = hinted.NearIn(800, 650, 1015, 695, 0xFFF6DC, 6);
    EXPECT_GT(hintBox, 4000) << "the hint's paper";
    EXPECT_EQ(shown.NearIn(800, 650, 1015, 695, 0xFFF6DC, 6), 0);
    EXPECT_GT(hinted.NearIn(800, 650, 1015, 695, 0x000000, 60), 100) << "the hint's words";
}

TEST(MapScreenScenario, TheOverlaysWindowLightsItsRegimeSwingsItsLockAndAnswersItsButtons) {
    // The map reached through "easy" on the main menu: shots every 75 ms
    // while it opens, then with the mouse on the greeting and off it; then a
    // click on the medals panel (the awards window), Escape, a click on the
    // open level 5 (its level window), its "cancel" and "Back".
    using testsupport::script::held::Click;
    GameCopy game;
    MakeProfile(game.User());
    ASSERT_TRUE(testsupport::UseWindow(game));
    const MapPoint house = CellPosition(4);
    const std::string events =
        ToTheMap() + testsupport::script::Move(5300, 600, 400) + testsupport::script::Move(7200, 512, 12) +
        testsupport::script::Move(7700, 600, 400) + Click(8000, 512, 740) +
        testsupport::script::held::Key(9000, "ESCAPE") + Click(10000, house.x, house.y + 4) +
        Click(11000, 446, 538) + Click(12000, 86, 16);
    std::vector<std::pair<int, std::string>> shots;
    std::vector<std::string> opening;
    for (int ms = 5200; ms <= 6400; ms += 75) {
        opening.push_back(game.File("opening" + std::to_string(ms) + ".png"));
        shots.emplace_back(ms, opening.back());
    }
    const std::string rest = game.File("rest.png"), greeted = game.File("greeted.png"),
                      awards = game.File("awards.png"), level = game.File("level.png"),
                      cancelled = game.File("cancelled.png");
    shots.insert(shots.end(),
                 {{7000, rest}, {7600, greeted}, {8800, awards}, {10800, level}, {11800, cancelled}});
    const std::string log = testsupport::PlayNamed(
        game, {.name = "map-overlay", .events = events, .untilMs = 13000, .shots = shots, .program = true});
    const Shot still = LoadShot(rest), hovered = LoadShot(greeted);
    ASSERT_TRUE(still.ok && hovered.ok);

    // The switch of a player in the easy regime, hard locked: "Easy" in
    // white on the light row, "Hard" in cream on the dark one.
    constexpr int kSwitchX = 1024 - 175, kSwitchY = 768 - 65;
    EXPECT_GT(still.NearIn(kSwitchX + 36, kSwitchY + 5, kSwitchX + 110, kSwitchY + 29, 0xFFFFFF, 30), 20)
        << "the chosen regime's white label";
    EXPECT_GT(still.NearIn(kSwitchX + 36, kSwitchY + 32, kSwitchX + 110, kSwitchY + 56, 0xFFD8AB, 24), 20)
        << "the other regime's cream label";

    // The lock swings as the map opens and comes to rest: some shot of the
    // opening, the overlay already shown as it will stay, has the lock
    // elsewhere than at rest.
    auto differs = [](const Shot& a, const Shot& b, int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += a.At(x, y) != b.At(x, y);
        return n;
    };
    const int lockLeft = kSwitchX + 113 - 16, lockTop = kSwitchY - 14 - 18;
    int swinging = 0;
    for (const std::string& file : opening) {
        const Shot shot = LoadShot(file);
        ASSERT_TRUE(shot.ok) << file;
        const bool overlayShown = differs(shot, still, 0, 0, 170, 40) == 0; // "Back", no fade over it
        if (overlayShown && differs(shot, still, lockLeft, lockTop, lockLeft + 32, lockTop + 36) > 20)
            ++swinging;
    }
    EXPECT_GT(swinging, 0) << "the lock swung while the map showed";

    // The greeting under the mouse is lit by its text drawn again on top:
    // its letters change, the plate between them does not.
    const int greetingChanged = differs(still, hovered, 400, 0, 624, 26);
    EXPECT_GT(greetingChanged, 40) << "the greeting lit up";
    int plateKept = 0, plate = 0;
    for (int y = 4; y < 22; ++y)
        for (int x = 440; x < 584; ++x) {
            const uint32_t p = still.At(x, y);
            const int r = int((p >> 16) & 0xFF), g = int((p >> 8) & 0xFF);
            if (r < 200 || g < 180) continue; // the letters and their edges
            ++plate;
            plateKept += hovered.At(x, y) == p;
        }
    ASSERT_GT(plate, 200);
    EXPECT_GT(plateKept, plate * 9 / 10) << "the plate between the letters stays as it was";

    // The overlay's window still answers: the medals panel opens the awards,
    // the open level's house its level window, "cancel" closes it and "Back"
    // leads to the main screen.
    const Shot awardsShot = LoadShot(awards), levelShot = LoadShot(level),
               cancelledShot = LoadShot(cancelled);
    ASSERT_TRUE(awardsShot.ok && levelShot.ok && cancelledShot.ok);
    EXPECT_GT(awardsShot.NearIn(400, 300, 624, 500, 0xF2E2BC, 6), 1500) << "the awards window";
    EXPECT_NE(log.find("the level window of level 5 opens"), std::string::npos) << log;
    EXPECT_GT(levelShot.NearIn(300, 200, 724, 560, 0xF2E2BC, 6), 5000) << "the level window";
    EXPECT_LT(cancelledShot.NearIn(300, 200, 724, 560, 0xF2E2BC, 6), 500) << "\"cancel\" answered";
    const size_t opened = log.find("-> 0x00000005");
    ASSERT_NE(opened, std::string::npos) << log;
    EXPECT_NE(log.find("-> 0x00000006", opened), std::string::npos) << "Back leads to the main screen\n"
                                                                    << log;
}

TEST(MapScreenScenario, TheVillainsLeavingShowTheLevelsAndEndTheirAttack) {
    // A new player "ann" clicks "easy"; two clicks close the first comic, and
    // the villains attack the map. Nobody clicks: they fire, leave, the
    // levels show again and the attack's tutorial ends; the first visit's
    // tutorial follows, and a click on level 1 opens its level window.
    using testsupport::script::quick::Click;
    GameCopy game;
    const MapPoint first = CellPosition(0);
    const std::string events = testplayers::NewPlayerAnnToMap() + Click(kLevelClickMs, first.x, first.y + 4);
    const std::string log =
        testsupport::Play(game, {.events = events,
                                 .shots = {{10300, "attacked"}, {kLevelClickMs - 100, "shown"}},
                                 .untilMs = kLevelClickMs + 1000,
                                 .program = true});
    const size_t starts = log.find("40080000 starts"), ends = log.find("40080000 finishes"),
                 firstStarts = log.find("40010000 starts"),
                 window = log.find("the level window of level 1 opens");
    ASSERT_NE(starts, std::string::npos) << log;
    ASSERT_NE(ends, std::string::npos) << "the levels shown again end the attack\n" << log;
    EXPECT_EQ(testsupport::Occurrences(log, "40080000 finishes"), 1u) << log;
    EXPECT_LT(starts, ends);
    EXPECT_LT(ends, firstStarts) << log;
    EXPECT_NE(window, std::string::npos) << "the click on level 1 answered\n" << log;
    EXPECT_LT(firstStarts, window);

    // Level 1's open look (its red roof) is gone during the attack and back after it.
    const Shot a = LoadShot(game.File("attacked.png")), b = LoadShot(game.File("shown.png"));
    ASSERT_TRUE(a.ok && b.ok);
    const auto redRoof = [](int r, int g, int bl) { return r > 180 && g < 90 && bl < 90; };
    EXPECT_LT(a.Count(first.x - 40, first.y - 40, first.x + 40, first.y + 10, redRoof), 20);
    EXPECT_GT(b.Count(first.x - 40, first.y - 40, first.x + 40, first.y + 10, redRoof), 100);
}

TEST(MapScreenScenario, AnotherPlayerChosenOnTheMapTakesTheRunningTutorialAway) {
    // Hana plays the hard regime for the first time: the map's hard-regime
    // tutorial shows its box. She clicks her greeting and chooses Sal in the
    // players' list; Sal's map comes without that box, and a click on Sal's
    // level 1 opens its level window.
    using testsupport::script::held::Click;
    GameCopy game;
    testplayers::MakePlayer(game.User(), u"sal", [](ProfileRecord& record) {
        record.flags |= kProfileFlagEasyMapTutorial;
        record.results.regimes[kRegimeEasy].levels[0].status = kLevelSilver;
        record.results.regimes[kRegimeEasy].levels[1].status = kLevelOpen;
    });
    testplayers::MakePlayer(game.User(), u"hana", [](ProfileRecord& record) {
        record.flags |= kProfileFlagEasyMapTutorial;
        record.results.hardAvailable = 1;
        record.results.regimes[kRegimeHard].levels[0].status = kLevelOpen;
    });
    const MapPoint house = House(0);
    const std::string log =
        testsupport::Play(game, {.events = ToTheMap(true) + Click(8000, 512, 16) + Click(9000, 465, 404) +
                                           Click(11000, house.x, house.y),
                                 .shots = {{7800, "tutorial"}, {8800, "players"}, {10800, "chosen"}},
                                 .untilMs = 12000,
                                 .keptAs = "map-other-player-",
                                 .program = true});
    EXPECT_NE(log.find("40060000 starts"), std::string::npos) << log;
    const std::vector<std::string> picked = testsupport::LogLines(log, "Profile chosen");
    ASSERT_EQ(picked.size(), 1u) << log;
    EXPECT_NE(picked[0].find("sal"), std::string::npos) << picked[0];
    EXPECT_NE(log.find("the level window of level 1 opens"), std::string::npos) << "the click on level 1\n"
                                                                                << log;

    const Shot before = LoadShot(game.File("tutorial.png")), list = LoadShot(game.File("players.png")),
               after = LoadShot(game.File("chosen.png"));
    ASSERT_TRUE(before.ok && list.ok && after.ok);
    // The tutorial's box stands in the middle of the map, above its centre.
    const auto parchment = [](int r, int g, int b) { return r > 240 && g > 225 && b > 190 && b < 235; };
    EXPECT_GT(before.Count(312, 150, 712, 460, parchment), 3000) << "hana's tutorial box";
    EXPECT_GT(list.NearIn(300, 390, 640, 420, 0xC89858, 10), 5000) << "the greeting opened the players' list";
    EXPECT_LT(after.Count(312, 150, 712, 460, parchment), 200) << "no tutorial box on sal's map";
}
