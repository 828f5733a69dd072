// Where the level tutorials put their boxes, at the default window of
// 800 x 600 and at 1024 x 768, each level reached from the main screen
// through the map: a box leaves in sight the arrows of its step,
// what they point at and the buttons over the field, and stays on the screen.
#include "tests/game/LevelTutorialPlay.h"
#include "tests/game/WindowSizes.h"

#include <string>

using namespace tutorialplay;
using namespace windowsizes;

namespace {

// A rectangle in the field's own pixels.
struct FieldBox {
    int left, top, right, bottom;
};

} // namespace

// Level 6 (seed 2): the robber's first shot damages the bed of point 3
// (field 560, 480). The step that tells of it points one arrow up at the
// bed from below and its box would stand over that arrow; it stands beside
// the arrow instead, leaving the arrow, the puddle and the repair button over
// it in sight, wholly on the screen. A click then takes the box away and the
// next step comes.
TEST(TutorialBoxPlacementScenario, TheDamageStepsBoxLeavesTheArrowAndTheRepairButtonInSight) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        MakeMapProfile(game.User(), 5);
        const FieldOnScreen field(size);
        const std::string events = MapOpening(5, kPlayY, size) + Click(13000, field.X(460), field.Y(300)) +
                                   Click(26500, field.X(512), field.Y(150));
        const std::string log = PlayAt(game, size,
                                       {.events = events,
                                        .shots = {{25500, "damage"}},
                                        .untilMs = 28500,
                                        .moreArguments = " --seed 2",
                                        .program = true},
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

// A hint gives way to a tutorial's arrow and box. Level 29's first step
// points its arrow down at the panel's Warehouse button; the pointer then
// rests on that button, whose hint would stand over the arrow's shaft: it
// does not show, and the arrow stays whole in sight.
TEST(TutorialBoxPlacementScenario, AHintGivesWayToTheStepsArrow) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        MakeMapProfile(game.User(), 28);
        const int w = size.width, h = size.height, button = w == 800 ? 749 : 912; // the button's middle
        // The first click, on the field, starts the clock and the tutorial.
        const std::string events = MapOpening(28, kPlayY, size) + Click(13000, w / 2, h / 2 - 60) +
                                   testsupport::script::Move(14000, button - 1, h - 60) +
                                   testsupport::script::Move(14050, button, h - 60);
        const std::string log = PlayAt(
            game, size, {.events = events, .shots = {{14900, "hover"}}, .untilMs = 15000, .program = true},
            "hint-arrow-");
        ExpectStepsInOrder(log, {"802A0001"});
        const Shot hover = Load(game, "hover");
        ASSERT_TRUE(hover.ok);
        // The arrow's shaft over the button, and no hint's face there.
        EXPECT_GT(hover.Count(button - 30, h - 210, button + 30, h - 110, ArrowYellow), 250);
        EXPECT_EQ(hover.NearIn(button - 60, h - 150, button + 60, h - 108, 0xFFF6DC, 3), 0) << "the hint";
        EXPECT_LT(hover.NearIn(0, 50, 170, 95, 0xD6B282, 14), 100)
            << "Close tutorial by the warehouse's star";
    }
}

// Level 3's tutorial at both window sizes. Step 4 ("The farmer works here at
// the bed and there at the mill") points up at the bed's working place from
// below and at the mill's from its left; its box leaves the farmer, the bed
// and the mill in sight. The step "Click the mill." (its bed upgraded first)
// points up at the mill from below, off its production button; its box
// leaves the money strip (the level's name, money and regime) in sight.
// Step 8 ("The upgraded mill has two places…") points at the two slots from
// their right, off the production button above them; its box leaves the
// mill, the farmer and the "Close tutorial" button in sight. The bed's panel shows its level tab inside its
// picture's block.
TEST(TutorialBoxPlacementScenario, LevelThreesBoxesLeaveTheFarmerTheMillAndTheMoneyStripInSight) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        MakeMapProfile(game.User(), 2);
        const FieldOnScreen field(size);
        const bool small = size.width == 800;
        const int upgradeX = small ? 524 : 661, upgradeY = size.height - 56; // the bed panel's upgrade
        // The first click on the bed starts the clock; step 1 is clicked
        // away, the bed selected (2) and upgraded (3); step 4 clicked away;
        // the mill selected (6) and upgraded (7); 8, 9 (twice) and 10; the warehouse opened (11).
        const std::string events =
            MapOpening(2, kPlayY, size) + Click(13000, field.X(460), field.Y(420)) +
            Click(14500, field.X(512), field.Y(200)) + Click(15500, field.X(460), field.Y(420)) +
            Click(16500, upgradeX, upgradeY) + Click(20000, field.X(512), field.Y(200)) +
            Click(21500, field.X(700), field.Y(290)) + Click(22500, upgradeX, upgradeY) +
            Click(30000, field.X(512), field.Y(300)) + Click(31000, field.X(700), field.Y(180)) +
            Click(32000, field.X(700), field.Y(180)) + Click(35500, field.X(512), field.Y(300)) +
            Click(36500, small ? 749 : 911, upgradeY); // the panel's Warehouse
        const std::vector<std::pair<int, std::string>> taken = {
            {19900, "working"}, {21400, "mill"}, {29900, "slots"}, {39000, "warehouse"}};
        const std::string log = PlayAt(game, size,
                                       {.events = events,
                                        .shots = taken,
                                        .untilMs = 39100,
                                        .program = true,
                                        .drawEvery = kTutorialDrawEvery},
                                       "mill-step-");
        ExpectStepsInOrder(log, {"80030004", "80030006", "80030007", "80030008", "8003000C"});
        const Shot working = Load(game, "working"), mill = Load(game, "mill"), slots = Load(game, "slots");
        const Shot warehouse = Load(game, "warehouse");
        ASSERT_TRUE(working.ok && mill.ok && slots.ok && warehouse.ok);
        // Step 4: the arrow below the bed's working place, the farmer whole
        // in sight, no box over the bed or the mill.
        const FieldBox bed{430, 395, 490, 435}, windmill{650, 235, 750, 335};
        EXPECT_GT(working.Count(field.X(475), field.Y(450), field.X(505), field.Y(520), ArrowYellow),
                  field.Area(300));
        EXPECT_GT(FarmerPixels(working, size), field.Area(150)) << "the farmer at step 4";
        EXPECT_EQ(working.Count(field.X(bed.left), field.Y(bed.top), field.X(bed.right), field.Y(bed.bottom),
                                Parchment),
                  0)
            << "the box over the bed";
        EXPECT_EQ(working.Count(field.X(windmill.left), field.Y(windmill.top), field.X(windmill.right),
                                field.Y(windmill.bottom), Parchment),
                  0)
            << "the box over the mill";
        // Step 8: the arrow right of the slots; the mill, the farmer and the
        // button that closes the tutorial in sight.
        EXPECT_GT(slots.Count(field.X(740), field.Y(200), field.X(830), field.Y(232), ArrowYellow),
                  field.Area(300));
        // Neither step's arrow lies over the mill's production button above the slots.
        for (const Shot* shot : {&slots, &mill})
            EXPECT_LT(shot->Count(field.X(685), field.Y(160), field.X(715), field.Y(195), ArrowYellow), 20);
        EXPECT_GT(FarmerPixels(slots, size), field.Area(150)) << "the farmer at step 8";
        EXPECT_EQ(slots.Count(field.X(windmill.left), field.Y(windmill.top), field.X(windmill.right),
                              field.Y(windmill.bottom), Parchment),
                  0)
            << "the box over the mill";
        const int closeTop = small ? 55 : 3, closeLeft = small ? 800 - 147 : 3;
        EXPECT_EQ(slots.Count(closeLeft, closeTop, closeLeft + 144, closeTop + 32, Parchment), 0)
            << "the box over \"Close tutorial\"";
        // Step 12 in the warehouse window (574 px wide): "Close tutorial" in sight, the box on the window.
        EXPECT_GT(warehouse.NearIn(closeLeft, closeTop, closeLeft + 40, closeTop + 32, 0xC79758, 12), 300)
            << "the window over \"Close tutorial\"";
        const int windowLeft = small ? 75 : (size.width - 574) / 2 + 2;
        EXPECT_GT(warehouse.Count(windowLeft, 0, windowLeft + 574, size.height, Parchment), 10000);
        EXPECT_EQ(warehouse.Count(0, 60, windowLeft, size.height - 120, Parchment), 0);
        // The strip (570 px wide, centred) holds only its light letters; the box is there, below it.
        const int strip = (size.width - 570) / 2;
        EXPECT_LT(mill.Count(strip, 0, strip + 570, 45, Parchment), 400) << "the box over the money strip";
        EXPECT_GT(mill.Count(0, 45, size.width, size.height - 120, Parchment), 4000) << "the box";
        // The bed's panel below: its level tab (the marks' wood) stays inside
        // the picture's block, above the panel's bottom edge.
        const int childLeft = small ? 279 : 391;
        EXPECT_GT(mill.NearIn(childLeft, size.height - 60, childLeft + 200, size.height - 8, 0x8A5E28, 4),
                  300)
            << "the tab";
        EXPECT_EQ(mill.NearIn(childLeft, size.height - 8, childLeft + 200, size.height, 0x8A5E28, 4), 0)
            << "the tab past the panel's bottom";
        // Its wood across the rows of its middle: narrower than the 100-px block.
        int first = -1, last = -1;
        for (int x = childLeft; x < childLeft + 250; ++x)
            if (mill.NearIn(x, size.height - 30, x + 1, size.height - 20, 0x8A5E28, 4) > 0) {
                if (first < 0) first = x;
                last = x;
            }
        EXPECT_LT(last - first + 1, 100) << "the tab wider than its block, columns " << first << ".." << last;
    }
}
