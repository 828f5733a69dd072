// The full-warehouse tutorial as a new player meets it at 1024 x 768, 800 x 600 and 1920 x 1080 (reached from
// the main screen through the map): level 29 starts with its warehouse full of wheat; after its own hint at
// the warehouse button the player harvests the ripe bed, the wheat does not fit, and the tutorial points at
// the warehouse-full notice (its right edge, 16 pixels below its top). A click on the notice opens the
// warehouse window and closes the notice; the tutorial points at the wheat in the window, and a click ends
// it.
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;

namespace {

// The bed of point 1 and its harvest button; the panel's warehouse button,
// the warehouse window's close button; a place on the notice.
constexpr int kBedX = 460, kBedY = 300, kHarvestX = 460, kHarvestY = 227;
constexpr int kWarehouseX = 911, kWarehouseY = 711, kCloseX = 514, kCloseY = 561;
constexpr int kNoticeX = 300, kNoticeY = 610;

} // namespace

TEST(LevelTutorialFullWarehouseScenario, TheFirstFullWarehouseIsShownAndClickedThrough) {
    // At each window size; the screenshots are looked at in the first.
    for (SizedGame at : kEverySize) {
        MakeMapProfile(at.game.User(), 28);
        // The first click, on the bed, starts the clock and the warehouse-button
        // hint; the warehouse opened and closed again; the harvest; the notice;
        // a click in the warehouse window.
        const std::string events = MapOpening(28, kPlayY, at.size) + at(13000, kBedX, kBedY) +
                                   at.Panel(14500, kWarehouseX, kWarehouseY) +
                                   at.Window(16500, kCloseX, kCloseY) + at(17500, kHarvestX, kHarvestY) +
                                   Click(22500, kNoticeX, kNoticeY + at.size.height - kLarge.height) +
                                   at.Window(24500, 512, 400);
        const std::string log =
            at.Play(events, {{22400, "notice"}, {24000, "window"}, {25400, "end"}}, 25500, "full-");
        ExpectStepsInOrder(log, {"802A0001", "802B0001", "802B0002"});
        EXPECT_NE(log.find("802B0000 for the full warehouse"), std::string::npos) << log;
        EXPECT_EQ(testsupport::Occurrences(log, "the warehouse is full (wheat)"), 1u) << log;
        EXPECT_LT(log.find("the warehouse is full (wheat)"), log.find("step 802B0001")) << log;

        if (!at.Large()) continue;
        const Shot notice = Load(at.game, "notice"), window = Load(at.game, "window"),
                   end = Load(at.game, "end");
        ASSERT_TRUE(notice.ok && window.ok && end.ok);
        ASSERT_EQ(notice.picture.width, 1024);
        // The notice stands at the bottom left; the arrow points at its right
        // edge (x 635) 16 pixels below its top (y 578) from the upper right,
        // its box beyond the arrow's tail.
        EXPECT_GT(notice.Count(10, 585, 630, 640, Parchment), 15000) << log;
        EXPECT_GT(notice.Count(638, 548, 700, 600, ArrowYellow), 250) << log;
        EXPECT_LT(notice.Count(600, 600, 640, 650, ArrowYellow), 20) << "the arrow stops at the notice";
        EXPECT_GT(notice.Count(650, 478, 860, 512, Parchment), 5000) << log;
        // The notice's click opened the window (its title bar) and closed the
        // notice; the arrow points up at the wheat's tile in the window, the box
        // with its click line beside the arrow's tail, inside the window.
        const auto titleBar = [](int r, int g, int b) {
            return r > 170 && r < 215 && g > 105 && g < 150 && b < 100;
        };
        EXPECT_GT(window.Count(260, 185, 770, 212, titleBar), 6000) << log;
        EXPECT_LT(notice.Count(260, 185, 770, 212, titleBar), 500) << log;
        EXPECT_LT(window.Count(10, 600, 225, 640, Parchment), 200) << log;
        EXPECT_GT(window.Count(262, 330, 300, 400, ArrowYellow), 300) << log;
        EXPECT_GT(window.Count(310, 405, 650, 465, Parchment), 12000) << log;
        EXPECT_EQ(window.Count(0, 180, 240, 600, Parchment), 0) << "the box sticks out of the window";
        // After the click the tutorial is over; the window stays open.
        EXPECT_LT(end.Count(262, 330, 300, 400, ArrowYellow), 30) << log;
        EXPECT_LT(end.Count(310, 405, 650, 465, Parchment), 200) << log;
    }
}

// "Close tutorial" answered "Yes" while the full-warehouse tutorial points at
// its notice ends that tutorial only: level 29's own stays on for the level.
TEST(LevelTutorialFullWarehouseScenario, ClosingItLeavesTheLevelsOwnTutorialOn) {
    GameCopy game;
    MakeMapProfile(game.User(), 28);
    const std::string events = MapOpening(28) + Click(13000, kBedX, kBedY) +
                               Click(14500, kWarehouseX, kWarehouseY) + Click(16500, kCloseX, kCloseY) +
                               Click(17500, kHarvestX, kHarvestY) + Click(22500, 75, 18) +
                               Click(23500, 443, 441);
    const std::string log = PlayGame(game, events, {}, 25000);
    EXPECT_NE(log.find("802B0000 is over"), std::string::npos) << log;
    const std::optional<ProfileRecord> stored = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(stored) << log;
    EXPECT_EQ(stored->results.tutorialsOff, 0u) << log;
}

// A restart from the pause menu while the tutorial points at its notice: not seen through, it comes again.
TEST(LevelTutorialFullWarehouseScenario, ARestartWhileItShowsBringsItAgain) {
    GameCopy game;
    MakeMapProfile(game.User(), 28);
    const auto toTheNotice = [](int at) {
        return Click(at, kBedX, kBedY) + Click(at + 1500, kWarehouseX, kWarehouseY) +
               Click(at + 3500, kCloseX, kCloseY) + Click(at + 4500, kHarvestX, kHarvestY);
    };
    const std::string events = MapOpening(28) + toTheNotice(13000) + Restart(22000) + toTheNotice(27000);
    const std::string log = PlayGame(game, events, {}, 36000);
    EXPECT_EQ(testsupport::Occurrences(log, "802B0000 for the full warehouse"), 2u) << log;
}
