// Level 6's tutorial at 1024 x 768 from a new profile (tutorials on), to its
// end by clicks: the first click calls the robber at once and its first shot
// damages the bed of point 3 (step 1, clicked away); the robber fires again
// and its shot stops halfway while the level is held (step 2): a click bursts
// it; three clicks drive the robber off (step 3); the arrow points at the
// bed's repair button (step 4), whose click sends the farmer; she repairs
// the bed (step 5), the puddle goes and the tutorial is over.
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;

namespace {

// The bed of point 1 (the first click), the bed of point 3 the first shot
// damages and its repair button, the second shot held halfway to point 1,
// and the robber's figure at its place.
constexpr int kBedOneX = 460, kBedOneY = 300;
constexpr int kBedX = 560, kBedY = 480, kRepairY = 424;
constexpr int kShotX = 330, kShotY = 396;
constexpr int kRobberX = 120, kRobberY = 530;
// The puddle's green and the repair badge's blue.
constexpr uint32_t kPuddle = 0x7CB828, kRepairBlue = 0x4A78A8;

// The level panel's close-tutorial button (top left) shows its light wood.
bool CloseTutorialShown(const Shot& shot) {
    return shot.Near(40, 18, 8, 0xC89858, 10) > 100;
}

} // namespace

TEST(LevelTutorialRobberScenario, LevelSixIsPlayedToItsEndShotVillainAndRepairByClicks) {
    GameCopy game;
    MakeProfile(game.User(), 5);
    // Step 1 is clicked away at 21 s; the held shot at 24.5 s; the robber
    // three times from 26 s; the repair button at 29 s.
    const std::string events = Opening("06") + Click(7500, kBedOneX, kBedOneY) + Click(21000, 512, 150) +
                               Click(24500, kShotX, kShotY) + Click(26000, kRobberX, kRobberY) +
                               Click(26500, kRobberX, kRobberY) + Click(27000, kRobberX, kRobberY) +
                               Click(29000, kBedX, kRepairY);
    // Seed 24: the robber's first shot goes to the bed of point 3, its second to point 1.
    const std::string log = Play(
        game, events, {{20000, "damage"}, {24000, "held-shot"}, {28000, "repair-button"}, {36000, "end"}},
        36100, " --seed 24");
    EXPECT_NE(log.find("80060000 waits for the clock"), std::string::npos) << log;
    ExpectStepsInOrder(log, {"80060001", "80060002", "80060003", "80060004", "80060005"});
    // Each step was ended by the player's own click.
    const size_t held = log.find("step 80060002");
    const size_t burst = log.find("clicked in flight", held);
    ASSERT_NE(burst, std::string::npos) << "the held shot took the click\n" << log;
    EXPECT_LT(burst, log.find("step 80060003")) << log;
    const size_t drivenOff = log.find("driven off", burst);
    EXPECT_NE(drivenOff, std::string::npos) << log;
    EXPECT_LT(drivenOff, log.find("step 80060004")) << log;
    const size_t ordered = log.find("point 3", log.find("Repair ordered", drivenOff));
    ASSERT_NE(ordered, std::string::npos) << log;
    EXPECT_LT(ordered, log.find("step 80060005")) << log;
    const size_t repaired = log.find("point 3: its puddle goes", ordered);
    ASSERT_NE(repaired, std::string::npos) << log;
    EXPECT_NE(log.find("80060000 is over", repaired), std::string::npos) << log;

    const Shot damage = Load(game, "damage"), shot = Load(game, "held-shot"),
               button = Load(game, "repair-button"), end = Load(game, "end");
    ASSERT_TRUE(damage.ok && shot.ok && button.ok && end.ok) << log;
    ASSERT_EQ(damage.picture.width, 1024);
    // The damaged bed: its puddle and its repair button over it.
    EXPECT_GT(damage.Near(kBedX, kBedY, 20, kPuddle, 16), 200) << log;
    EXPECT_GT(damage.Near(kBedX, kRepairY, 10, kRepairBlue, 16), 100) << log;
    // Step 1: the box leaves in sight the arrow at the damaged bed, the
    // puddle and its repair button: it stands to their right.
    EXPECT_GT(damage.Count(kBedX - 20, kBedY + 30, kBedX + 20, kBedY + 100, ArrowYellow), 300) << log;
    EXPECT_LT(damage.Count(kBedX - 18, kRepairY - 20, kBedX + 16, kBedY + 110, Parchment), 50) << log;
    EXPECT_GT(damage.Count(640, 480, 1000, 550, Parchment), 10000) << log;
    // Step 2: the arrow beside the held shot, pointing at it from the upper
    // right, and the box above, clear of the arrow's tail.
    EXPECT_GT(shot.Count(kShotX + 15, kShotY - 80, kShotX + 75, kShotY - 20, ArrowYellow), 300) << log;
    EXPECT_GT(shot.Count(325, 242, 535, 275, Parchment), 4000) << log;
    EXPECT_LT(shot.Count(kShotX, kShotY - 90, kShotX + 90, kShotY, Parchment), 20) << log;
    // Step 4: the arrow up at the repair button from below, the box under
    // the arrow's tail.
    EXPECT_GT(button.Count(kBedX - 20, kRepairY + 26, kBedX + 20, kRepairY + 80, ArrowYellow), 300) << log;
    EXPECT_GT(button.Count(455, 570, 665, 603, Parchment), 4000) << log;
    EXPECT_LT(button.Count(kBedX - 20, kRepairY, kBedX + 20, kRepairY + 135, Parchment), 20) << log;
    EXPECT_TRUE(CloseTutorialShown(button)) << log;
    // The end: the bed is whole, its button gone, and the tutorial with its close button.
    EXPECT_LT(end.Near(kBedX, kBedY, 20, kPuddle, 16), 10) << log;
    EXPECT_LT(end.Near(kBedX, kRepairY, 10, kRepairBlue, 16), 5) << log;
    EXPECT_FALSE(CloseTutorialShown(end)) << log;
}
