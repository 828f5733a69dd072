// The running level's interface as a player meets it, on the sample level 34
// (typed "3", "4" and F6 on the screen after loading): the panel with its
// goals, time bar, money strip, warehouse and menu buttons; a chosen bonus
// clicked; the information page, the pause menu and the level window of a
// restart; the warehouse window selling five wheat and buying the next
// level, which wins the level and shows the result window; the pause menu's
// awards and the level window's bonuses window.
#include "app/App.h"
#include "app/Config.h"
#include "app/GameScreen.h"
#include "app/Profiles.h"
#include "engine/SoundManager.h"
#include "platform/Utf.h"
#include "platform/WavReader.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/WindowSizes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace programtest;
using testsupport::LevelData;

namespace {

using testsupport::script::held::Key;

// Input starts once the game data is surely loaded (a click skips the logos).
constexpr int kReady = 6000;
// The level opens about 0.3 s after F6 (its loading state and first frame).
constexpr int kOpen = kReady + 500;
constexpr uint32_t kLevelIndex = 33;

std::string Click(int ms, int x, int y) {
    // The pointer leaves afterwards, so that no hint stands over the picture.
    return testsupport::script::held::Click(ms, x, y) + testsupport::script::Move(ms + 200, 5, 300);
}
// Types the level's number and opens it.
std::string OpenLevel34() {
    return Key(kReady, "3") + Key(kReady + 100, "4") + Key(kReady + 200, "F6");
}

// Pixels within a few steps per channel of a colour (0xRRGGBB) in a rectangle.
int Near(const Shot& shot, int left, int top, int right, int bottom, uint32_t colour, int tolerance = 8) {
    return shot.NearIn(left, top, right, bottom, colour, tolerance);
}

// Light, nearly colourless pixels: the white face of "Click to start", the
// field showing a little through it as it fades in (a hint's cream is
// warmer).
int StartText(const Shot& shot, int left, int top, int right, int bottom) {
    return shot.Count(left, top, right, bottom, [](int r, int g, int b) {
        return std::min({r, g, b}) >= 150 && std::max({r, g, b}) - std::min({r, g, b}) <= 30;
    });
}

// A player "tess" with bonuses owned and chosen in the easy regime, award
// counters between tiers and one goal reached since the awards were last
// seen, and medals in both regimes.
// moneyEarned: the goal counter of money earned (goal 7, "Earn 5,000 coins").
void MakeProfile(const std::string& user, std::vector<int32_t> owned, std::vector<int32_t> chosen,
                 int32_t moneyEarned = 0) {
    testplayers::MakePlayer(user, u"tess", [&](ProfileRecord& record) {
        RegimeProgress& easy = record.results.regimes[kRegimeEasy];
        for (int32_t bonus : owned)
            easy.owned[bonus] = 1;
        easy.chosenCount = uint32_t(chosen.size());
        for (size_t i = 0; i < 3; ++i)
            easy.chosen[i] = i < chosen.size() ? chosen[i] : -1;
        record.awardsSeen[0] = 30, record.awards[0] = 260;
        record.awardsSeen[9] = 0, record.awards[9] = 1;
        record.awards[9 + 7] = moneyEarned;
        const uint32_t statuses[] = {kLevelGold, kLevelSilver, kLevelBronze};
        for (size_t i = 0; i < std::size(statuses); ++i)
            easy.levels[i].status = statuses[i];
        easy.levels[kLevelIndex].status = kLevelOpen;
        record.results.regimes[kRegimeHard].levels[0].status = kLevelSilver;
        record.flags |= kProfileFlagEasyMapTutorial;
    });
}

// The window face of the interface skin.
// The information page's parchment.
constexpr uint32_t kPageFace = 0xFFF3D2;
// A notice's face.
constexpr uint32_t kNoticeFace = 0xFFF6DC;
// A met goal's frame and its progress text.
constexpr uint32_t kMetGoal = 0xC8F0A0;
constexpr uint32_t kMetText = 0x80FF80;
// The dark rim round a goal's progress text.
constexpr uint32_t kProgressRim = 0x2A1A0C;

// Writes config.dat with the music switched off, so that a recorded run
// hears only the game's sounds.
void SwitchMusicOff(const GameCopy& game) {
    App app; // the settings' folders are the App's
    fs::create_directories(game.User());
    SetConfigFolders(platform::Utf8ToUtf16(game.User()), platform::Utf8ToUtf16(game.Game()));
    GameScreen screen;
    SoundManager sound;
    sound.SetEnabled(kSoundMusic, false);
    ASSERT_TRUE(SaveConfig(screen, sound));
}

// The one window shown above the panel (the 115 px at the bottom, whose goals'
// faces match a window's) stands centred, clear of the money strip (grass
// under its lower edge, y 46) and, if asked, of the panel; answers left + right.
int ExpectPlaced(const Shot& shot, const char* what, bool clearsThePanel) {
    int left = shot.picture.width, right = -1, bottom = -1;
    for (int y = 0; y < shot.picture.height - 115; ++y)
        for (int x = 0; x < shot.picture.width; ++x)
            if (shot.Near(x, y, 0, kWindowFace, 6))
                left = std::min(left, x), right = std::max(right, x), bottom = y;
    EXPECT_NEAR(left + right, shot.picture.width - 1, 4) << what << " is not centred";
    const auto grass = [](int r, int g, int b) { return g > r && g > b; };
    EXPECT_GT(shot.Count(left, 47, right, 50, grass), (right - left) * 27 / 10) << what << " meets the strip";
    EXPECT_TRUE(!clearsThePanel || bottom < shot.picture.height - 116) << what << " reaches the panel";
    return left + right;
}

// Reads a run's recorded sound (stereo WAV); the layout points into bytes.
::testing::AssertionResult ReadRecording(const std::string& bytes, platform::WavLayout* wav) {
    std::string error;
    if (!platform::ParseWav(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), *wav, &error))
        return ::testing::AssertionFailure() << error;
    return ::testing::AssertionSuccess();
}

// The loudest sample of the recording between two moments of the run.
int Loudest(const platform::WavLayout& wav, int fromMs, int toMs) {
    const size_t first = size_t(wav.rate) * size_t(fromMs) / 1000;
    const size_t count = size_t(wav.rate) * size_t(toMs - fromMs) / 1000;
    std::vector<int16_t> samples(count * 2);
    platform::ConvertWavFrames(wav, first, count, samples.data());
    int peak = 0;
    for (int16_t v : samples)
        peak = std::max(peak, std::abs(int(v)));
    return peak;
}

} // namespace

// At 800 x 600 and 1024 x 768, half a second after the level opens: the
// panel with its three goals (money not yet met, wheat "10/5" and the
// warehouse met), the time bar, the money strip and the menu button; with
// the page closed, "Click to start" pulses above the panel.
TEST(LevelInterface, ThePanelStandsAtBothScreenSizes) {
    struct Size {
        int width, height;
        int goalsLeft, goalWidth; // the goals' area and each goal's width
    } sizes[] = {{800, 600, 0, 91}, {1024, 768, 62, 108}};
    for (const Size& s : sizes) {
        GameCopy game(LevelData::Scenarios);
        ASSERT_TRUE(testsupport::UseWindow(game, s.width, s.height));
        const std::string opened = game.File("opened.png"), started = game.File("started.png");
        testsupport::PlayShowcase(game, "panel",
                                  OpenLevel34() + Click(kOpen + 900, s.width / 2, s.height / 2), kOpen + 2000,
                                  {{kOpen + 500, opened}, {kOpen + 1800, started}});
        const Shot a = LoadShot(opened), b = LoadShot(started);
        ASSERT_TRUE(a.ok && b.ok) << a.error << b.error;
        ASSERT_EQ(a.picture.width, s.width);
        const int panelTop = s.height - 115;
        // Goal i stands at goals left + 4 + i x (width - 1) in the panel.
        auto goal = [&](const Shot& p, int i, uint32_t colour) {
            const int x = s.goalsLeft + 4 + i * (s.goalWidth - 1);
            return Near(p, x + 4, panelTop + 8, x + s.goalWidth - 4, panelTop + 108, colour);
        };
        EXPECT_LT(goal(a, 0, kMetGoal), 100) << s.width << ": the money goal is not met (40 of 50)";
        EXPECT_GT(goal(a, 1, kMetGoal), 3000) << s.width << ": ten wheat meet five";
        EXPECT_GT(goal(a, 2, kMetGoal), 3000) << s.width << ": the warehouse stands";
        EXPECT_GT(goal(a, 1, kMetText), 15) << s.width << ": \"10/5\" in green";
        EXPECT_EQ(goal(a, 0, kMetText), 0);
        // The money goal's current value "40" below its target: white digits
        // in a dark rim, which reads on the pale frame.
        {
            const int x = s.goalsLeft + 4;
            // (The value is drawn half as large again, so its smoothed strokes
            // are nearly white rather than white.)
            EXPECT_GT(Near(a, x + 4, panelTop + 72, x + s.goalWidth - 4, panelTop + 104, kProgressRim, 12), 4)
                << s.width << ": the money goal's value has its dark rim";
            EXPECT_GT(Near(a, x + 4, panelTop + 72, x + s.goalWidth - 4, panelTop + 104, 0xFFFFFF, 24), 20)
                << s.width << ": the money goal's value has its white face";
        }
        // The time bar's gold zone above the child panel, the money strip's
        // digits at the top centre and the menu button in the top-right corner.
        EXPECT_GT(Near(a, s.width / 2, panelTop - 2, s.width - 130, panelTop + 18, 0xF0C830, 40), 200)
            << s.width;
        EXPECT_GT(Near(a, s.width / 2 - 40, 4, s.width / 2 + 40, 36, 0xF0C020, 60), 30) << s.width;
        EXPECT_GT(Near(a, s.width - 90, 2, s.width - 4, 30, 0x405C7F, 30), 20) << s.width;
        // The page is over the field until the click; then the text pulses.
        EXPECT_GT(
            Near(a, s.width / 2 - 200, s.height / 2 - 60, s.width / 2 + 200, s.height / 2, kPageFace, 6),
            5000)
            << s.width;
        EXPECT_GT(Near(b, s.width / 2 - 100, panelTop - 100, s.width / 2 + 100, panelTop - 60, 0xFFFFFF, 0),
                  40)
            << s.width << ": \"Click to start\"";
        const std::string log = game.Log();
        EXPECT_EQ(testsupport::Occurrences(log, "Level information page opened."), 1u) << log;
        EXPECT_EQ(testsupport::Occurrences(log, "Level 34 (level_34) begins in regime 0."), 1u) << log;
    }
}

// A chosen bonus clicked at 1 s starts the clock and runs; 3.2 s later its
// button stands raised with its run line, the text has gone and the level
// time (kept in the profile's saved game when the program quits) is 3 s.
TEST(LevelInterface, AChosenBonusClickedStartsTheClockAndRuns) {
    GameCopy game(LevelData::Scenarios);
    MakeProfile(game.User(), {1, 2}, {1, 2});
    const std::string before = game.File("before.png"), running = game.File("running.png");
    // Two bonus buttons 106 px wide in all, centred 56 px above the panel.
    const int row = 485 - 56;
    testsupport::PlayShowcase(game, "bonus",
                              OpenLevel34() + Click(kOpen + 300, 400, 300) +
                                  Click(kOpen + 1000, 347 + 27, row + 24) + std::to_string(kOpen + 4300) +
                                  " close\n",
                              kOpen + 5000, {{kOpen + 950, before}, {kOpen + 4200, running}});
    const Shot a = LoadShot(before), b = LoadShot(running);
    ASSERT_TRUE(a.ok && b.ok);
    // The run line under the raised button, green while the bonus runs.
    EXPECT_EQ(Near(a, 347, row + 40, 347 + 54, row + 48, 0x50B030, 10), 0);
    EXPECT_GT(Near(b, 347, row + 40, 347 + 54, row + 48, 0x50B030, 10), 40);
    EXPECT_GT(StartText(a, 300, 385, 500, 425), 100) << "\"Click to start\" before the click";
    EXPECT_EQ(StartText(b, 300, 385, 500, 425), 0) << "gone once the clock runs";

    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    profiles.Load();
    ASSERT_NE(profiles.Current(), nullptr);
    const auto* saved = profiles.Current()->GetSavedLevel(int32_t(kLevelIndex));
    ASSERT_NE(saved, nullptr) << game.Log();
    ASSERT_GE(saved->size(), 100u);
    uint32_t time = 0, slot1 = 0;
    std::memcpy(&time, saved->data() + 28, 4);  // the level block's time
    std::memcpy(&slot1, saved->data() + 76, 4); // bonus slot 1's flags
    EXPECT_GE(time, 3000u) << "the clock at 00:00:03 at 4.2 s";
    EXPECT_LT(time, 4000u);
    EXPECT_EQ(slot1, 3u) << "in use and running";
}

// The page at 1 s; closed by a click, Escape opens the pause menu; its
// restart opens the level window of a restart (cancel and restart, two medal
// rows); restart starts the level again with its page.
TEST(LevelInterface, PageMenuAndTheLevelWindowOfARestart) {
    GameCopy game(LevelData::Scenarios);
    const std::string page = game.File("page.png"), menu = game.File("menu.png"),
                      window = game.File("window.png");
    // The menu's "Restart" at (400, 238), then the level window's restart.
    testsupport::PlayShowcase(game, "windows",
                              OpenLevel34() + Click(kOpen + 1200, 400, 300) + Key(kOpen + 1500, "ESCAPE") +
                                  Click(kOpen + 2500, 400, 238) + Click(kOpen + 4000, 466, 454),
                              kOpen + 5000,
                              {{kOpen + 1000, page}, {kOpen + 2300, menu}, {kOpen + 3800, window}});
    const Shot a = LoadShot(page), b = LoadShot(menu), c = LoadShot(window);
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    // The page (680 x 240 at (60, 160)) with its picture of the market.
    EXPECT_GT(Near(a, 60, 160, 740, 400, kPageFace, 6), 20000);
    EXPECT_GT(Near(a, 86, 184, 296, 320, 0xD8452E, 10), 500) << "the awning of the market stall";
    // The menu alone, then the level window over it reaching beyond its sides.
    ExpectPlaced(b, "the menu", false);
    EXPECT_LT(Near(b, 110, 250, 250, 320, kWindowFace, 6), 100) << "no level window yet";
    EXPECT_GT(Near(c, 110, 250, 250, 320, kWindowFace, 12) + Near(c, 110, 250, 250, 320, 0xFFFFFF, 12), 3000);
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::Occurrences(log, "Level menu opened."), 1u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "Level 34 restarts from scratch."), 1u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "Level information page opened."), 2u) << log;
}

// The warehouse point clicked (the first action starts the clock) opens the
// warehouse window; the wheat tile selected and sold five at once leaves
// "5/50" and money 50 with the upgrade offered at 40, and the money goal's
// notice comes bottom right (the player had earned 4,995 coins before); the upgrade leaves money 10. The sale
// met every goal: once the window is closed the level is won and the result window reveals gold and silver; a
// click shows all, Enter leaves the level.
TEST(LevelInterface, WarehouseSaleAndUpgradeWinTheLevel) {
    GameCopy game(LevelData::Scenarios);
    MakeProfile(game.User(), {}, {}, 4995);
    const std::string sold = game.File("sold.png"), upgraded = game.File("upgraded.png"),
                      revealing = game.File("revealing.png"), shown = game.File("shown.png");
    // The warehouse (134, 136), the window's wheat tile, "sell five" and upgrade where the screen shows them.
    testsupport::PlayShowcase(
        game, "warehouse",
        OpenLevel34() + Click(kOpen + 800, 400, 300) + Click(kOpen + 1500, 134, 136) +
            Click(kOpen + 2000, 166, 169) + Click(kOpen + 2500, 647, 313) + Click(kOpen + 3500, 214, 456) +
            Key(kOpen + 4500, "RETURN") + Click(kOpen + 8500, 400, 300) + Key(kOpen + 9500, "RETURN"),
        kOpen + 10500,
        {{kOpen + 3300, sold}, {kOpen + 4300, upgraded}, {kOpen + 7200, revealing}, {kOpen + 9000, shown}});
    const Shot a = LoadShot(sold), b = LoadShot(upgraded), c = LoadShot(revealing), d = LoadShot(shown);
    ASSERT_TRUE(a.ok && b.ok && c.ok && d.ok);
    const std::string log = game.Log();
    EXPECT_EQ(
        testsupport::Occurrences(log, "Warehouse                   window opened with 1 products, money 40"),
        1u)
        << log;
    EXPECT_EQ(testsupport::Occurrences(log, "sold for 10, money 50"), 1u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "level 2, money 10"), 1u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "Notice                      goal 7 reached"), 1u) << log;
    // The upgrade button (priced 40) shows with 50 coins, not at the highest level.
    EXPECT_GT(Near(a, 135, 444, 295, 469, 0xC89858, 6), 1000);
    EXPECT_EQ(Near(b, 135, 444, 295, 469, 0xC89858, 6), 0);
    // The goal notice in the bottom-right corner above the panel.
    EXPECT_GT(Near(a, 692, 392, 790, 475, kNoticeFace, 4), 5000) << "beside the warehouse window";
    // The result window: gold and silver ticks mid-reveal, then the medal too.
    EXPECT_GT(Near(c, 484, 195, 564, 260, 0x30A030, 60), 50) << "gold";
    EXPECT_GT(Near(c, 337, 195, 417, 260, 0x30A030, 60), 50) << "silver";
    EXPECT_GT(Near(d, 180, 310, 250, 380, 0xF0C830, 50), 100) << "the gold medal";
    EXPECT_EQ(testsupport::Occurrences(log, "Level won:                  level 34, regime 0"), 1u) << log;
    EXPECT_NE(log.find("Level result                window opened"), std::string::npos) << log;
    EXPECT_NE(log.find("0x00000004 -> 0x00000006"), std::string::npos) << "Enter leaves the level";

    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    profiles.Load();
    ASSERT_NE(profiles.Current(), nullptr);
    EXPECT_EQ(profiles.Current()->Record().results.regimes[kRegimeEasy].levels[kLevelIndex].status,
              kLevelGold);
    EXPECT_EQ(profiles.Current()->GetSavedLevel(int32_t(kLevelIndex)), nullptr) << "a won level is not saved";
}

// At 1024 x 768: the pause menu's "awards" opens the awards window over the
// level (bars climbing, then at rest); the level window of a restart with
// four owned bonuses offers "select_bonuses", which opens the bonuses window
// with the two chosen ones in its slots.
TEST(LevelInterface, AwardsFromThePauseMenuAndBonusesFromTheLevelWindow) {
    GameCopy game(LevelData::Scenarios);
    MakeProfile(game.User(), {0, 1, 2, 3}, {1, 2});
    ASSERT_TRUE(testsupport::UseWindow(game, 1024, 768));
    const std::string awards = game.File("awards.png"), rested = game.File("rested.png"),
                      bonuses = game.File("bonuses.png");
    // The menu's "Awards" (512, 380) and "Restart" (512, 312), the level window's "select_bonuses".
    testsupport::PlayShowcase(
        game, "awards",
        OpenLevel34() + Click(kOpen + 800, 512, 384) + Key(kOpen + 1200, "ESCAPE") +
            Click(kOpen + 2000, 512, 380) + Key(kOpen + 8500, "ESCAPE") + Key(kOpen + 9000, "ESCAPE") +
            Click(kOpen + 9800, 512, 312) + Click(kOpen + 10800, 638, 460),
        kOpen + 12000, {{kOpen + 3500, awards}, {kOpen + 8000, rested}, {kOpen + 11800, bonuses}});
    const Shot a = LoadShot(awards), b = LoadShot(rested), c = LoadShot(bonuses);
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    // The awards window's award row, as the map's awards test reads it.
    EXPECT_GT(Near(a, 239, 425, 784, 490, 0x8A7A60, 0), 50) << "a bar still climbing";
    EXPECT_GT(Near(b, 239, 183, 784, 425, 0xE04040, 0), 50) << "the reached goal at rest";
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::Occurrences(log, "Bonuses window opened from the level window."), 1u) << log;
    // Four panels of the owned bonuses, the chosen ones green.
    EXPECT_GT(Near(c, 200, 150, 830, 650, 0x70A850, 4), 2 * 300);

    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    EXPECT_EQ(saved->awardsSeen[0], 260) << "the awards window saw the counters";
}

// The sale's sound is heard as the sale happens, while the warehouse window
// (which pauses the level) is still open. With the music switched off the
// run's sound is recorded: silence while the window opens and the wheat is
// selected, the sale's sound right after "sell one" is clicked, long before
// Enter closes the window.
TEST(LevelInterface, TheSaleIsHeardWhileTheWarehouseWindowIsOpen) {
    GameCopy game(LevelData::Scenarios);
    SwitchMusicOff(game);
    const std::string recorded = game.File("sale.wav");
    // The warehouse at (134, 136) opens the window; its wheat tile, then
    // "sell one" left of "sell five"; Enter closes the window 2.5 s later.
    const int sold = kOpen + 2500 + 150; // the button's release
    testsupport::PlayShowcase(game, "sale",
                              OpenLevel34() + Click(kOpen + 800, 400, 300) + Click(kOpen + 1500, 134, 136) +
                                  Click(kOpen + 2000, 166, 190) + Click(kOpen + 2500, 647 - 53, 334) +
                                  Key(kOpen + 5000, "RETURN"),
                              kOpen + 6000, {}, " --record-sound '" + recorded + "'");
    const std::string log = game.Log();
    ASSERT_EQ(testsupport::Occurrences(log, "sold for 2, money 42"), 1u) << log;

    platform::WavLayout wav;
    const std::string bytes = testsupport::ReadFileBytes(recorded);
    ASSERT_TRUE(ReadRecording(bytes, &wav));
    const auto loudest = [&](int fromMs, int toMs) { return Loudest(wav, fromMs, toMs); };
    ASSERT_EQ(wav.channels, 2);
    ASSERT_GT(wav.frameCount, size_t(wav.rate) * size_t(kOpen + 5500) / 1000) << "the whole run";
    EXPECT_LT(loudest(kOpen + 1800, sold - 100), 50) << "nothing sounds before the sale";
    EXPECT_GT(loudest(sold, sold + 600), 1000) << "the sale is heard at once";
    EXPECT_NE(log.find("Warehouse                   window opened"), std::string::npos) << log;
}

// A harvest is heard as it goes into the warehouse. Level 35 at 1024 x 768
// with the music off: a click on the wheat bed (420, 330) starts the clock,
// its harvest button (420, 262) sends the farmer; the recorded sound is
// quiet while the farmer walks and works, and the store sound comes with the
// wheat's arrival in the stock, after the farmer's work has begun.
TEST(LevelInterface, AHarvestIsHeardAsItGoesIntoTheWarehouse) {
    GameCopy game(LevelData::Scenarios);
    SwitchMusicOff(game);
    ASSERT_TRUE(testsupport::UseWindow(game));
    const std::string recorded = game.File("harvest.wav");
    const int start = kOpen + 500;
    testsupport::PlayShowcase(game, "harvest",
                              Key(kReady, "3") + Key(kReady + 100, "5") + Key(kReady + 200, "F6") +
                                  Click(start, 420, 330) + Click(start + 1500, 420, 262),
                              start + 6000, {}, " --record-sound '" + recorded + "'");
    const std::string log = game.Log();
    ASSERT_EQ(testsupport::LogLines(log, "Into the warehouse").size(), 1u) << log;

    platform::WavLayout wav;
    const std::string bytes = testsupport::ReadFileBytes(recorded);
    ASSERT_TRUE(ReadRecording(bytes, &wav));
    const auto loudest = [&](int fromMs, int toMs) { return Loudest(wav, fromMs, toMs); };
    // The button's click sounds as it is pressed (start + 1600); then the
    // farmer walks to the bed and works there, which is silent, until the
    // wheat goes into the stock about 2.4 s later with its short store sound.
    EXPECT_GT(loudest(start + 1600, start + 1700), 1000) << "the button's click";
    EXPECT_LT(loudest(start + 1750, start + 3000), 50) << "nothing while the farmer walks";
    int heard = -1;
    for (int t = start + 3000; t < start + 5800 && heard < 0; t += 50)
        if (loudest(t, t + 50) > 1000) heard = t - start;
    ASSERT_GE(heard, 0) << "the harvest went into the stock without a sound";
    EXPECT_LT(loudest(start + heard + 600, start + 5900), 50) << "one short sound";
}

// The controls of the level's windows click as they are clicked: the
// panel's warehouse button, the warehouse window's Close, the pause menu's
// "Options" (Escape opens the menu, silently) and the options window's
// Close. With the music off the run is recorded at both window sizes: after
// a silence, each click's release is heard at once. The warehouse window and
// the pause menu stand where a player can take them in; the menu has its
// buttons in its middle, their labels centred on them.
TEST(LevelInterface, TheLevelWindowsControlsClick) {
    const char* controls[] = {"the panel's warehouse button", "the warehouse window's Close",
                              "the pause menu's Options", "the options window's Close"};
    const int times[] = {kOpen + 2000, kOpen + 3500, kOpen + 5500, kOpen + 7000};
    // Where each screen shows the controls, and the menu's first button's middle row.
    const struct {
        int width, height, x[4], y[4], row;
    } sizes[] = {{800, 600, {749, 400, 400, 400}, {540, 456, 364, 431}, 170},
                 {1024, 768, {912, 512, 512, 512}, {708, 561, 448, 515}, 244}};
    for (const auto& size : sizes) {
        const int w = size.width;
        SCOPED_TRACE(w);
        GameCopy game(LevelData::Scenarios);
        SwitchMusicOff(game);
        ASSERT_TRUE(testsupport::UseWindow(game, w, size.height));
        // A click on the field takes the information page away first.
        std::string events = OpenLevel34() + Click(kOpen + 800, w / 2, size.height / 2);
        for (int i = 0; i < 4; ++i)
            events += (i == 2 ? Key(kOpen + 4500, "ESCAPE") : "") + Click(times[i], size.x[i], size.y[i]);
        const std::string recorded = game.File("c.wav"), menu = game.File("m.png"),
                          stock = game.File("w.png");
        testsupport::PlayShowcase(game, "clicks-" + std::to_string(w), events, kOpen + 8000,
                                  {{kOpen + 3000, stock}, {kOpen + 5000, menu}},
                                  " --record-sound '" + recorded + "'");
        const std::string log = game.Log();
        EXPECT_NE(log.find("Warehouse                   window opened"), std::string::npos) << log;
        EXPECT_NE(log.find("The options window opens."), std::string::npos) << log;
        const Shot shot = LoadShot(menu), stocked = LoadShot(stock);
        ASSERT_TRUE(shot.ok && stocked.ok);
        ExpectPlaced(stocked, "the warehouse window", true);
        const int middle = ExpectPlaced(shot, "the menu", false);

        // The first button's rim as far from the menu's sides on the left as
        // on the right along its middle row, its label's dark letters centred.
        int rimLeft = -1, rimRight = -1;
        for (int x = 0; x < w; ++x)
            if (shot.Near(x, size.row, 0, 0xA08868, 6)) {
                if (rimLeft < 0) rimLeft = x;
                rimRight = x;
            }
        ASSERT_GE(rimLeft, 0) << "no button";
        EXPECT_NEAR(rimLeft + rimRight, middle, 2) << "the button's margins in the menu";
        int inkLeft = w, inkRight = -1;
        for (int y = size.row - 12; y < size.row + 12; ++y)
            for (int x = rimLeft; x <= rimRight; ++x)
                if (shot.Near(x, y, 0, 0x3A2410, 40))
                    inkLeft = std::min(inkLeft, x), inkRight = std::max(inkRight, x);
        ASSERT_GE(inkRight, 0) << "no label";
        EXPECT_NEAR(inkLeft + inkRight, rimLeft + rimRight, 6) << "the label's middle";

        platform::WavLayout wav;
        const std::string bytes = testsupport::ReadFileBytes(recorded);
        ASSERT_TRUE(ReadRecording(bytes, &wav));
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(controls[i]);
            const int released = times[i] + 150; // a held click's release
            EXPECT_LT(Loudest(wav, times[i] - 300, released - 20), 50) << "silence before the click";
            EXPECT_GT(Loudest(wav, released, released + 200), 1000) << "no sound as it is clicked";
        }
    }
}

// A bonus still recharging looks unlike a ready one. Level 31 starts its
// bonus slots half recharged, level 34 full, at both window sizes: the two
// chosen bonuses' buttons (centred 56 px above the panel) show in level 31
// the grey cover over the upper part and the muted face under it, never the
// ready face; in level 34 the ready face and no cover.
TEST(LevelInterface, ARechargingBonusLooksUnlikeAReadyOne) {
    constexpr uint32_t kReadyFace = 0xE0B070, kCover = 0x706860, kMutedFace = 0xA89070;
    for (const windowsizes::WindowSize size : windowsizes::kSizes) {
        SCOPED_TRACE(windowsizes::Describe(size));
        for (const char* level : {"31", "34"}) {
            SCOPED_TRACE(level);
            GameCopy game(LevelData::Scenarios);
            MakeProfile(game.User(), {1, 2}, {1, 2});
            ASSERT_TRUE(testsupport::UseWindow(game, size.width, size.height));
            const std::string shot = game.File("bonuses.png");
            testsupport::PlayShowcase(
                game, std::string("bonuses-") + level + "-" + windowsizes::Describe(size),
                Key(kReady, std::string(1, level[0])) + Key(kReady + 100, std::string(1, level[1])) +
                    Key(kReady + 200, "F6") + Click(kOpen + 300, size.width / 2, size.height / 2),
                kOpen + 1200, {{kOpen + 1100, shot}});
            const Shot s = LoadShot(shot);
            ASSERT_TRUE(s.ok);
            const int left = (size.width - 106) / 2, top = size.height - 115 - 56;
            const int ready = Near(s, left, top, left + 106, top + 48, kReadyFace, 6);
            const int cover = Near(s, left, top, left + 106, top + 48, kCover, 6);
            const int muted = Near(s, left, top, left + 106, top + 48, kMutedFace, 6);
            if (level[1] == '1') {
                EXPECT_EQ(ready, 0) << "a recharging button shows the ready face";
                EXPECT_GT(cover, 100) << "the recharge's cover";
                EXPECT_GT(muted, 100) << "the face the cover leaves";
            } else {
                EXPECT_GT(ready, 300) << "the ready face";
                EXPECT_EQ(cover + muted, 0);
            }
        }
    }
}
