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

namespace {

// The player "ida": tutorials on, levels 1-6 passed, level 7 open, the map's
// first visit made.
void MakeCampaignProfile(const std::string& user) {
    testplayers::MakeEasyPlayer(user, u"ida", 6, kLevelSilver, true);
}

const Profile* CurrentProfile(ProfileManager& profiles) {
    profiles.Load();
    return profiles.Current();
}

// The level window's "play"; in level 8 a bed of point 2, the bee button,
// the bed of point 6 and its panel's remove button.
constexpr int kPlayX = 578;
constexpr int kBedX = 560, kBedY = 260, kBeesX = 512, kBeesY = 620, kSixX = 700, kSixY = 480;
constexpr int kRemoveX = 778, kRemoveY = 720;
// The level window's "choose bonuses" with four bonuses owned.
constexpr int kSelectX = 637, kSelectY = 460;
// The bee button, the first of three over the level panel.
constexpr int kThreeBeesX = 459, kThreeBeesY = 620;

} // namespace

TEST(BonusEarnedScenario, WinningLevelSevenGivesTheBeesWhichLevelEightTeachesAndUses) {
    GameCopy game;
    MakeCampaignProfile(game.User());
    ASSERT_TRUE(testsupport::UseWindow(game));
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
    // "Play" on the main screen opens the map; level 8's window (the new-bonus box); a click ends the
    // box; "play"; in the level the first click on a bed starts the clock and
    // calls the robber; the bee button; a click (1); the bed of point 6 (2);
    // its remove button (3); a click (4).
    const std::string events =
        Click(40, 400, 300) + Click(5000, programtest::kPlayEasyX, programtest::kPlayEasyY) +
        Click(6000, eight.x, eight.y + 4) + Click(7500, 512, 200) + Click(8500, kPlayX, kPlayWithBonusesY) +
        Click(11000, kBedX, kBedY) + Click(17000, kBeesX, kBeesY) + Click(21000, 512, 150) +
        Click(27000, kSixX, kSixY) + Click(28000, kRemoveX, kRemoveY) + Click(32500, 512, 150);
    const std::string log = PlayGame(game, events,
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
    // tutorial's arrow left at it from its right and its box beside the
    // arrow in the bonuses' row; a click takes the box away and leaves the icon.
    const auto beeYellow = [](int r, int g, int b) { return r > 220 && g > 170 && g < 225 && b < 90; };
    EXPECT_GT(window.Count(428, 492, 468, 532, beeYellow), 30) << log;
    EXPECT_GT(window.Count(480, 490, 570, 535, ArrowYellow), 300) << log;
    EXPECT_GT(window.Count(560, 470, 1024, 560, Parchment), 12000) << log; // inside the window
    EXPECT_GT(gone.Count(428, 492, 468, 532, beeYellow), 30) << log;
    EXPECT_LT(gone.Count(480, 490, 570, 535, ArrowYellow), 30) << log;
    EXPECT_LT(gone.Count(560, 470, 1024, 560, Parchment), 500) << log;
    // The level: the bee step's arrow at the bee button above the panel;
    // after the bees the step's arrow is gone; the last step's box; then nothing.
    EXPECT_GT(beeStep.Count(490, 535, 535, 595, ArrowYellow), 200) << log;
    EXPECT_GT(beeStep.Count(486, 598, 538, 644, beeYellow), 30) << "the bee button" << log;
    EXPECT_LT(after.Count(490, 535, 535, 595, ArrowYellow), 30) << log;
    EXPECT_GT(last.Count(330, 515, 690, 570, Parchment), 10000) << log;
    EXPECT_LT(end.Count(330, 515, 690, 570, Parchment), 500) << log;
}

// A player with four bonuses (the bees not among the three chosen) opens level 20 from the map: the level
// window's first showing of its bonuses button points at it; the button opens the bonuses window, where a
// click on the bees' panel chooses them in the third's place and "OK" brings them into the level window's
// slots. In the level the bee button sets the bees on the second robber, who runs off.
TEST(BonusEarnedScenario, TheBonusesWindowFromTheMapTakesTheBeesIntoALevel) {
    GameCopy game;
    testplayers::MakeEasyPlayer(game.User(), u"ida", 19, kLevelSilver, true, [](ProfileRecord& record) {
        RegimeProgress& easy = record.results.regimes[kRegimeEasy];
        for (int bonus = 0; bonus < 4; ++bonus)
            easy.owned[bonus] = 1;
        easy.chosenCount = 3;
        easy.chosen[0] = 1, easy.chosen[1] = 2, easy.chosen[2] = 3;
    });
    const MapPoint twenty = CellPosition(19);
    // "Play" on the main screen opens the map; level 20 (the mouse then leaves the window's goals);
    // "choose bonuses"; the bees' panel; OK; "play"; a bed starts the clock;
    // the bee button when the second robber walks in.
    const std::string events =
        Click(40, 400, 300) + Click(5000, programtest::kPlayEasyX, programtest::kPlayEasyY) +
        Click(6000, twenty.x, twenty.y + 4) + "6300 mouse move 100 700\n" + Click(7500, kSelectX, kSelectY) +
        "7700 mouse move 100 700\n" + Click(8600, 512, 268) + Click(9300, 511, 548) +
        Click(10200, kPlayX, kPlayWithBonusesY) + Click(12500, 360, 470) +
        Click(89000, kThreeBeesX, kThreeBeesY);
    const std::string log = PlayGame(game, events,
                                     {{7400, "window"},
                                      {8400, "bonuses"},
                                      {9200, "chosen"},
                                      {9900, "slots"},
                                      {88000, "second"},
                                      {92000, "driven-off"}},
                                     92100);
    // The hint at the bonuses button, then the bonuses window from it.
    const size_t hint = log.find("40030000 starts: new bonus -1");
    ASSERT_NE(hint, std::string::npos) << log;
    const size_t opened = log.find("Bonuses window opened from the level window.", hint);
    ASSERT_NE(opened, std::string::npos) << log;
    // The first robber found no bees; the second met them as it walked in.
    const size_t first = log.find("comes to place 0");
    const size_t second = log.find("comes to place 0", first + 1);
    ASSERT_NE(second, std::string::npos) << log;
    EXPECT_EQ(log.rfind("driven off", second), std::string::npos) << log;
    EXPECT_NE(log.find("driven off", second), std::string::npos) << "the bees drove the second robber off\n"
                                                                 << log;

    const Shot window = Load(game, "window"), bonuses = Load(game, "bonuses"), chosen = Load(game, "chosen"),
               slots = Load(game, "slots"), before = Load(game, "second");
    ASSERT_TRUE(window.ok && bonuses.ok && chosen.ok && slots.ok && before.ok);
    const auto beeYellow = [](int r, int g, int b) { return r > 220 && g > 170 && g < 225 && b < 90; };
    // The bees' black stripes tell them from the sunshine in the third slot.
    const auto stripes = [](int r, int g, int b) { return r < 60 && g < 60 && b < 60; };
    // The hint's arrow at "choose bonuses" from its right; the sunshine in the third slot.
    EXPECT_GT(window.Count(725, 440, 820, 480, ArrowYellow), 300) << log;
    EXPECT_LT(window.Count(438, 492, 478, 532, stripes), 10) << log;
    // The bonuses window: the bees' panel in the normal look (grey), then
    // chosen (green, its check) and the bees in the third slot.
    const auto panelGreen = [](int r, int g, int b) { return g > r + 40 && g > b + 40; };
    EXPECT_LT(bonuses.Count(250, 250, 470, 290, panelGreen), 500) << log;
    EXPECT_GT(chosen.Count(250, 250, 470, 290, panelGreen), 3000) << log;
    EXPECT_GT(chosen.Count(548, 455, 595, 500, stripes), 20) << log;
    // Back in the level window: the bees in its third slot, the hint gone.
    EXPECT_GT(slots.Count(438, 492, 478, 532, stripes), 20) << log;
    EXPECT_LT(slots.Count(600, 485, 1020, 540, Parchment), 500) << log;
    // In the level: the bee button first of the three, the robber walking in.
    EXPECT_GT(before.Count(436, 600, 482, 642, beeYellow), 30) << log;
}

// The new-bonus box stands beside its arrow inside the level window (600 px wide, centred; 1920 x 1080 is
// an 800 x 600 window's full screen): level 14's rain among four bonuses, right of the arrow under "choose
// bonuses"; level 10's rain beside the bees, right of the arrow; level 15's box at the bonuses button;
// level 12's sun, last of bees, boots and sun, its arrow from its right, over no other slot.
TEST(BonusEarnedScenario, TheNewBonusBoxStandsByItsArrowInsideTheWindow) {
    const struct Case {
        int32_t level, owned, newBonus; // owned: a bit a bonus; newBonus: id + 1 (0: none, the hint unseen)
        windowsizes::WindowSize size;
        int box[4], clear[4], least; // in the window: parchment (more than least pixels); no box or arrow
    } cases[] = {{13, 15, 2, {800, 600}, {364, 362, 588, 452}, {345, 325, 507, 351}, 12000},
                 {9, 3, 2, {1024, 768}, {400, 344, 588, 420}, {12, 310, 196, 450}, 9000},
                 {14, 15, 0, {800, 600}, {340, 364, 588, 400}, {588, 230, 600, 520}, 6000},
                 {14, 15, 0, {1920, 1080}, {340, 364, 588, 400}, {588, 230, 700, 520}, 6000},
                 {11, 13, 4, {800, 600}, {20, 350, 190, 430}, {199, 345, 207, 430}, 9000},
                 {11, 13, 4, {1024, 768}, {20, 350, 190, 430}, {199, 345, 207, 430}, 9000},
                 {11, 13, 4, {1920, 1080}, {20, 350, 190, 430}, {199, 345, 207, 430}, 9000}};
    for (const Case& c : cases) {
        SCOPED_TRACE("level " + std::to_string(c.level + 1) + " at " + windowsizes::Describe(c.size));
        GameCopy game;
        testplayers::MakeEasyPlayer(game.User(), u"ida", c.level, kLevelSilver, true, [&c](ProfileRecord& r) {
            RegimeProgress& easy = r.results.regimes[kRegimeEasy];
            for (int bonus = 0; bonus < 4; ++bonus)
                easy.owned[bonus] = (c.owned >> bonus) & 1;
            easy.chosen[0] = 0, easy.chosen[1] = c.owned == 3 ? 1 : 2;
            easy.chosen[2] = c.owned == 15 ? 1 : c.owned == 13 ? 3 : -1;
            easy.chosenCount = c.owned == 3 ? 2 : 3, easy.newBonus = c.newBonus << 24;
            if (c.newBonus) r.flags |= kProfileFlagBonusHint;
        });
        const MapPoint house = HouseAt(c.level, c.size), easy = EasyButton(c.size);
        const std::string events =
            Click(40, 400, 300) + Click(5000, easy.x, easy.y) + Click(8000, house.x, house.y);
        ASSERT_TRUE(testsupport::UseWindow(game, c.size.width, c.size.height));
        const std::string shot = testsupport::ScreenshotAt(9500, game.File("window.png"));
        ASSERT_EQ(testsupport::RunScript(game, "script", events, "--until-ms 9600" + shot, nullptr, true), 0);
        const Shot window = Load(game, "window");
        const int x = (c.size.width - 600) / 2, y = (c.size.height - 524) / 2;
        EXPECT_GT(window.Count(x + c.box[0], y + c.box[1], x + c.box[2], y + c.box[3], Parchment), c.least);
        EXPECT_EQ(window.Count(x + c.clear[0], y + c.clear[1], x + c.clear[2], y + c.clear[3], Parchment), 0);
        if (c.level == 11) { // the sun's arrow comes from its right, over no other slot
            EXPECT_LT(window.Count(x + 200, y + 320, x + 340, y + 460, ArrowYellow), 20);
        }
    }
}
