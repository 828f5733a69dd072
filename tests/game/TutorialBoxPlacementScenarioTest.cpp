// Where the level tutorials put their boxes, at the default window of
// 800 x 600 and at 1024 x 768: a box leaves in sight the arrows of its step,
// what they point at and the buttons over the field, and stays on the screen.
#include "tests/game/LevelTutorialPlay.h"
#include "tests/game/WindowSizes.h"

#include <string>

using namespace tutorialplay;
using namespace windowsizes;

// Level 6 (seed 24): the robber's first shot damages the bed of point 3
// (field 560, 480). The step that tells of it points one arrow up at the
// bed from below and its box would stand over that arrow; it stands beside
// the arrow instead, leaving the arrow, the puddle and the repair button over
// it in sight, wholly on the screen. A click then takes the box away and the
// next step comes.
TEST(TutorialBoxPlacementScenario, TheDamageStepsBoxLeavesTheArrowAndTheRepairButtonInSight) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        MakeProfile(game.User(), 5);
        const FieldOnScreen field(size);
        const std::string events = Opening("06") + Click(7500, field.X(460), field.Y(300)) +
                                   Click(21000, field.X(512), field.Y(150));
        const std::string log = PlayAt(
            game, size,
            {.events = events, .shots = {{20000, "damage"}}, .untilMs = 23000, .moreArguments = " --seed 24"},
            "boxes-");
        ExpectStepsInOrder(log, {"80060001", "80060002"});
        const Shot damage = Load(game, "damage");
        ASSERT_TRUE(damage.ok);
        ASSERT_EQ(damage.picture.width, size.width);
        // The arrow below the bed, and nothing of a box over the column of
        // the repair button, the puddle and the arrow.
        EXPECT_GT(damage.Count(field.X(540), field.Y(520), field.X(580), field.Y(590), ArrowYellow),
                  field.Area(300));
        EXPECT_LT(damage.Count(field.X(542), field.Y(404), field.X(576), field.Y(590), Parchment),
                  field.Area(50));
        // The box is there, whole: its face fills a large part of the screen's
        // right half and none of it is cut at the screen's edge (the face
        // keeps inside the frame's few pixels).
        EXPECT_GT(damage.Count(size.width / 2, 0, size.width, size.height, Parchment), 15000);
        EXPECT_EQ(damage.Count(size.width - 3, 0, size.width, size.height, Parchment), 0);
    }
}
