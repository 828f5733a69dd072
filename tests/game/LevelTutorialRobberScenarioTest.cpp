// Level 6's tutorial at 1024 x 768 (and walked at 800 x 600 and 1920 x 1080), reached from the main screen
// and the map by a player whose tutorials are on, played to its end by clicks where the screenshots show
// things: the first click calls the robber, whose first shot damages the bed of point 3 (step 1, clicked
// away); its next shot stops halfway while the level is held (step 2): a click bursts the ball; three clicks
// on the robber drive it off (step 3); the arrow points at the bed's repair button (step 4), whose click
// sends the farmer; she repairs the bed (step 5), the puddle goes and the tutorial ends. A restart while she
// repairs shows no mark of it.
#include "tests/game/LevelTutorialPlay.h"
#include "tests/support/SeenPlay.h"

using namespace tutorialplay;
using testsupport::SeenPlay;
using testsupport::Spot;

namespace {

// The bed of point 1 (the first click) and the bed of point 3 the first shot
// damages, with its repair button over it.
constexpr int kBedOneX = 460, kBedOneY = 300;
constexpr int kBedX = 560, kBedY = 480, kRepairY = 424, kWrenchY = 415;
// The puddle's green, the repair badge's blue, the shot's purple ball and
// the robber's orange coat.
constexpr uint32_t kPuddle = 0x7CB828, kRepairBlue = 0x4A78A8, kShotPurple = 0x6C1C9C, kCoat = 0xD86A20;

// The level panel's close-tutorial button (top left) shows its light wood.
bool CloseTutorialShown(const Shot& shot) {
    return shot.Near(40, 18, 8, 0xC89858, 10) > 100;
}

} // namespace

TEST(LevelTutorialRobberScenario, LevelSixIsPlayedToItsEndByClicksWhereTheShotTheRobberAndTheButtonAreSeen) {
    // At each window size; the screenshots are looked at, and the restart made, in the first.
    for (SizedGame at : kEverySize) {
        MakeMapProfile(at.game.User(), 5);
        // Seed 2: the robber's first shot goes to the bed of point 3, its second to point 1.
        SeenPlay play(at.game, {.events = MapOpening(5, kPlayY, at.size) + at(13000, kBedOneX, kBedOneY) +
                                          at(26500, 512, 150),
                                .width = at.size.width,
                                .height = at.size.height,
                                .moreArguments = " --seed 2",
                                .program = true,
                                .drawEvery = kTutorialDrawEvery});
        // The field above the panel, which covers it from y 648 at 1024 x 768.
        const auto inField = [field = at.field, w = at.size.width](uint32_t colour, int minPixels) {
            return [=](const Shot& shot) {
                return shot.Find(0, field.Y(40), w, field.Y(640), colour, 24, field.Area(minPixels));
            };
        };
        const std::optional<Spot> ball = play.ClickWhereSeen(30000, "held-shot", inField(kShotPurple, 80));
        const std::optional<Spot> robber = play.ClickWhereSeen(31500, "robber", inField(kCoat, 100));
        ASSERT_TRUE(ball && robber) << play.Events();
        play.Add(Click(32000, robber->x, robber->y) + Click(32500, robber->x, robber->y));
        const std::optional<Spot> button =
            play.ClickWhereSeen(34500, "repair-button", [field = at.field](const Shot& shot) {
                return shot.Find(field.X(kBedX - 40), field.Y(kRepairY - 40), field.X(kBedX + 40),
                                 field.Y(kRepairY + 30), kRepairBlue, 16, field.Area(60));
            });
        ASSERT_TRUE(button) << play.Events();
        const std::string log = play.Finish(
            41600, {{25500, "damage"}, {30000, "held-shot"}, {33500, "repair-button"}, {41500, "end"}});

        EXPECT_NE(log.find("80060000 waits for the clock"), std::string::npos) << log;
        ExpectStepsInOrder(log, {"80060001", "80060002", "80060003", "80060004", "80060005"});
        // Each step was ended by the player's own click.
        const size_t held = log.find("step 80060002");
        const size_t burst = log.find("clicked in flight", held);
        ASSERT_NE(burst, std::string::npos)
            << "the held shot took the click at (" << ball->x << ", " << ball->y << ")\n"
            << log;
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

        if (!at.Large()) continue;
        const Shot damage = Load(at.game, "damage"), shot = Load(at.game, "held-shot"),
                   repair = Load(at.game, "repair-button"), end = Load(at.game, "end");
        ASSERT_TRUE(damage.ok && shot.ok && repair.ok && end.ok) << log;
        ASSERT_EQ(damage.picture.width, 1024);
        // The damaged bed: its puddle and its repair button over it.
        EXPECT_GT(damage.Near(kBedX, kBedY, 20, kPuddle, 16), 200) << log;
        EXPECT_GT(damage.Near(kBedX, kRepairY, 10, kRepairBlue, 16), 100) << log;
        // Step 1: one arrow points up at the puddle from just below it, the
        // other at the robber by its place on the left; the box leaves in sight
        // the arrow, the puddle and its repair button: it stands to their right.
        EXPECT_GT(damage.Count(kBedX - 20, kBedY + 30, kBedX + 20, kBedY + 100, ArrowYellow), 300) << log;
        EXPECT_GT(damage.Count(160, 465, 240, 525, ArrowYellow), 300) << log;
        EXPECT_LT(damage.Count(kBedX - 18, kRepairY - 20, kBedX + 16, kBedY + 110, Parchment), 50) << log;
        EXPECT_GT(damage.Count(640, 480, 1000, 550, Parchment), 10000) << log;
        // Step 2: the arrow beside the held ball, pointing at it from the upper
        // right, and the box above, clear of the arrow's tail.
        EXPECT_GT(shot.Count(ball->x + 15, ball->y - 80, ball->x + 75, ball->y - 20, ArrowYellow), 300);
        EXPECT_LT(shot.Count(ball->x, ball->y - 90, ball->x + 90, ball->y, Parchment), 20) << log;
        // The robber the tutorial holds stands at its catapult while its steps
        // tell of it (its dark wood beside him, on the side he faces).
        for (const Shot* held : {&damage, &shot})
            EXPECT_GT(
                held->NearIn(robber->x + 16, robber->y - 40, robber->x + 110, robber->y + 50, 0x8A5A30, 20),
                30)
                << log;
        // Step 4: the arrow at the repair button from its right, off the
        // puddle below it; nothing of the box over the button and the puddle.
        EXPECT_GT(repair.Count(kBedX + 24, kRepairY - 15, kBedX + 120, kRepairY + 15, ArrowYellow), 300);
        EXPECT_LT(repair.Count(kBedX - 40, kBedY - 20, kBedX + 40, kBedY + 20, ArrowYellow), 20)
            << "the puddle";
        EXPECT_GT(repair.Count(0, 40, 1024, 640, Parchment), 4000) << log;
        EXPECT_LT(repair.Count(kBedX - 20, kRepairY, kBedX + 20, kRepairY + 135, Parchment), 20) << log;
        EXPECT_TRUE(CloseTutorialShown(repair)) << log;
        // The end: the bed is whole, its button gone, and the tutorial with its close button.
        EXPECT_LT(end.Near(kBedX, kBedY, 20, kPuddle, 16), 10) << log;
        EXPECT_LT(end.Near(kBedX, kRepairY, 10, kRepairBlue, 16), 5) << log;
        EXPECT_FALSE(CloseTutorialShown(end)) << log;

        // Restarted from the pause menu while her wrench is over the bed: the new run shows no wrench nor
        // bar.
        EXPECT_GT(play.Look(36900, "repairing").Near(kBedX, kWrenchY, 10, kRepairBlue, 16), 100);
        play.Add(Restart(37000));
        EXPECT_LT(play.Look(41500, "restarted").Near(kBedX, kWrenchY, 10, kRepairBlue, 16), 5)
            << play.Events();
    }
}

// A restart from the pause menu at step 1 sends the robber of the run before
// away with its catapult: the new run's robber comes and step 1 begins again.
TEST(LevelTutorialRobberScenario, ARestartAtStepOneBeginsWithANewRobber) {
    GameCopy game;
    MakeMapProfile(game.User(), 5);
    const std::string events =
        MapOpening(5) + Click(13000, kBedOneX, kBedOneY) + Restart(26000) + Click(31000, 512, 150);
    const std::string log = testsupport::Play(
        game, {.events = events, .untilMs = 45000, .moreArguments = " --seed 2", .program = true});
    EXPECT_EQ(testsupport::Occurrences(log, "Level tutorial              step 80060001"), 2u) << log;
}
