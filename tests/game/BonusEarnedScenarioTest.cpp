// A bonus earned in the campaign and used, as a player meets it at 1024 x 768:
// a player (tutorials on) whose level 7 is open wins it (played by the level
// bot through the player's input); the win gives the bee bonus. On the next
// start the player opens the map, clicks level 8: its level window shows the
// bees in its first bonus slot and the new-bonus tutorial points at them; a
// click ends it, "play" starts level 8 with the bees in the panel. Its
// tutorial waits for the robber, points at the bee button; the click sets
// the bees on the robber, who runs off, and the tutorial goes on by clicks
// to its last step.
#include "app/Profiles.h"
#include "frontend/MapGeometry.h"
#include "platform/Utf.h"
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;
using testsupport::GameCopy;
using testsupport::Shot;

namespace {

// The player "ida": tutorials on, levels 1-6 passed, level 7 open, the map's
// first visit made.
void MakeCampaignProfile(const std::string& user) {
    std::filesystem::create_directories(user);
    ProfileManager profiles(platform::Utf8ToUtf16(user));
    profiles.Load();
    Profile* ida = profiles.CreateProfile(u"ida");
    ASSERT_NE(ida, nullptr);
    ASSERT_EQ(ida->Record().results.tutorial, 1u);
    LevelProgress* levels = ida->MutableRecord().results.regimes[kRegimeEasy].levels;
    for (int i = 0; i < 6; ++i)
        levels[i].status = kLevelSilver;
    levels[6].status = kLevelOpen;
    ida->MutableRecord().flags |= kProfileFlagEasyMapTutorial;
    ASSERT_TRUE(ida->Save());
    profiles.SetCurrent(ida);
}

const Profile* CurrentProfile(ProfileManager& profiles) {
    profiles.Load();
    return profiles.Current();
}

// The level window's "play"; in level 8 a bed of point 2, the bee button,
// the bed of point 6 and its panel's remove button.
constexpr int kPlayX = 578, kPlayY = 614;
constexpr int kBedX = 560, kBedY = 260, kBeesX = 512, kBeesY = 620, kSixX = 700, kSixY = 480;
constexpr int kRemoveX = 778, kRemoveY = 720;

} // namespace

TEST(BonusEarnedScenario, WinningLevelSevenGivesTheBeesWhichLevelEightTeachesAndUses) {
    GameCopy game;
    MakeCampaignProfile(game.User());
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini", "[Video]\nWindow=1024,768\n"));
    std::string output;
    ASSERT_EQ(game.Run("--headless --draw-every 20 --until-ms 600000 --bot easy 7", &output), 0) << output;
    const std::string won = game.Log();
    ASSERT_NE(won.find("Bot: level 7 regime 0 won"), std::string::npos) << won;
    {
        ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
        const Profile* ida = CurrentProfile(profiles);
        ASSERT_NE(ida, nullptr);
        EXPECT_TRUE(ida->HasBonus(0)) << "the win gave the bees";
    }

    const MapPoint eight = CellPosition(7);
    // M opens the map; level 8's window (the new-bonus box); a click ends the
    // box; "play"; in the level the first click on a bed starts the clock and
    // calls the robber; the bee button; a click (1); the bed of point 6 (2);
    // its remove button (3); a click (4).
    const std::string events =
        Click(40, 400, 300) + "5000 key down M\n5100 key up M\n" + Click(6000, eight.x, eight.y + 4) +
        Click(7500, 512, 200) + Click(8500, kPlayX, kPlayY) + Click(11000, kBedX, kBedY) +
        Click(17000, kBeesX, kBeesY) + Click(21000, 512, 150) + Click(27000, kSixX, kSixY) +
        Click(28000, kRemoveX, kRemoveY) + Click(32500, 512, 150);
    const std::string log = Play(game, events,
                                 {{7400, "window"},
                                  {8400, "box-gone"},
                                  {16500, "bees"},
                                  {20500, "after-bees"},
                                  {32400, "last-step"},
                                  {33400, "end"}},
                                 33500);
    // The level window explained the new bonus; level 8 began with the bees
    // in its first slot, its bee step came once the robber attacked and the
    // bees the click sent drove him off; the steps went on to the last.
    const size_t explained = log.find("40030000 starts: new bonus 0");
    ASSERT_NE(explained, std::string::npos) << log;
    EXPECT_LT(explained, log.find("Level 8 (")) << log;
    ExpectStepsInOrder(log, {"80330001", "80080001", "80080002", "80080003", "80080004"});
    const size_t bees = log.find("step 80330001");
    const size_t drivenOff = log.find("driven off", bees);
    ASSERT_NE(drivenOff, std::string::npos) << "the bees drove the robber off\n" << log;
    EXPECT_LT(drivenOff, log.find("step 80080001")) << log;
    EXPECT_NE(log.find("point 6: pull-down ordered"), std::string::npos) << log;

    const Shot window = Load(game, "window"), gone = Load(game, "box-gone"), beeStep = Load(game, "bees"),
               after = Load(game, "after-bees"), last = Load(game, "last-step"), end = Load(game, "end");
    ASSERT_TRUE(window.ok && gone.ok && beeStep.ok && after.ok && last.ok && end.ok);
    // The level window: the bee icon's yellow in the first bonus slot, the
    // tutorial's arrow down at it and its box above; a click takes the box
    // away and leaves the icon.
    const auto beeYellow = [](int r, int g, int b) { return r > 220 && g > 170 && g < 225 && b < 90; };
    EXPECT_GT(window.Count(416, 440, 460, 486, beeYellow), 30) << log;
    EXPECT_GT(window.Count(425, 370, 470, 436, ArrowYellow), 300) << log;
    EXPECT_GT(window.Count(290, 300, 600, 350, Parchment), 8000) << log;
    EXPECT_GT(gone.Count(416, 440, 460, 486, beeYellow), 30) << log;
    EXPECT_LT(gone.Count(425, 370, 470, 436, ArrowYellow), 30) << log;
    EXPECT_LT(gone.Count(290, 300, 600, 350, Parchment), 500) << log;
    // The level: the bee step's arrow at the bee button above the panel;
    // after the bees the step's arrow is gone; the last step's box; then nothing.
    EXPECT_GT(beeStep.Count(490, 535, 535, 595, ArrowYellow), 200) << log;
    EXPECT_GT(beeStep.Count(486, 598, 538, 644, beeYellow), 30) << "the bee button" << log;
    EXPECT_LT(after.Count(490, 535, 535, 595, ArrowYellow), 30) << log;
    EXPECT_GT(last.Count(340, 468, 680, 510, Parchment), 10000) << log;
    EXPECT_LT(end.Count(340, 468, 680, 510, Parchment), 500) << log;
}
