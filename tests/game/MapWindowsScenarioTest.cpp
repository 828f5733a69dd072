// A window the main screen left open when the map appears, at 1024 x 768:
// "Play" hard saves the player's regime, the save fails (a folder squats on
// the name the new file is written under) and its question ("Not saved")
// opens as the map comes. The question stands over the map's overlay and is
// answered first: the overlay's "Back" does nothing while it is open, and
// once "Cancel" has answered it, "Back" leads to the main screen.
#include "app/Profiles.h"
#include "tests/game/ProgramTest.h"

using namespace programtest;
using testsupport::script::held::Click;

namespace {

// The overlay's "Back"; the question's "Cancel".
constexpr int kBackX = 86, kBackY = 16;
constexpr int kCancelX = 580, kCancelY = 478;

} // namespace

TEST(MapWindowsScenario, AQuestionOpenAsTheMapAppearsStandsOverItsOverlayAndIsAnsweredFirst) {
    GameCopy game;
    ASSERT_TRUE(testsupport::UseWindow(game));
    testplayers::MakeEasyPlayer(game.User(), u"sal", 8, kLevelSilver, false, [](ProfileRecord& record) {
        record.results.hardAvailable = 1;
        record.flags |= kProfileFlagHardMapTutorial;
    });
    // Every save fails once the folder lets nothing be made in it, from the main screen on.
    game.RunAsOrdinaryUser();
    std::thread block = testsupport::WhenLogged(game, "-> 0x00000006",
                                                [&] { fs::permissions(game.User(), fs::perms(0555)); });
    const std::string events = ToTheMap(true) + Click(7500, kBackX, kBackY) +
                               Click(8500, kCancelX, kCancelY) + Click(9500, kBackX, kBackY);
    const std::string log = testsupport::PlayNamed(game, {.name = "map-question",
                                                          .events = events,
                                                          .untilMs = 10800,
                                                          .shots = {{7400, game.File("asked.png")},
                                                                    {8400, game.File("back-waits.png")},
                                                                    {9400, game.File("answered.png")}},
                                                          .program = true,
                                                          .status = 3}); // the save at the end fails too
    block.join();
    EXPECT_EQ(testsupport::Occurrences(log, "not saved: Your progress could not be saved"), 1u) << log;
    // The map stays until the question is answered; then "Back" answers.
    EXPECT_EQ(testsupport::StateChanges(log), (std::vector<std::string>{"00000001", "80000002", "00000006",
                                                                        "00000005", "00000006", "FFFFFFFF"}))
        << log;

    const Shot asked = LoadShot(game.File("asked.png")), waits = LoadShot(game.File("back-waits.png")),
               gone = LoadShot(game.File("answered.png"));
    ASSERT_TRUE(asked.ok && waits.ok && gone.ok);
    // The question's face over the map, whole; still there after "Back"; gone once answered.
    EXPECT_GT(asked.NearIn(320, 300, 700, 460, kWindowFace, 6), 30000) << "the question";
    EXPECT_GT(waits.NearIn(320, 300, 700, 460, kWindowFace, 6), 30000) << "the question waits";
    EXPECT_LT(gone.NearIn(320, 300, 700, 460, kWindowFace, 6), 500) << "answered";
    // The map's overlay is there under it all along: its "Back" in the top left corner.
    for (const Shot* shot : {&asked, &waits, &gone})
        EXPECT_GT(shot->NearIn(10, 5, 165, 35, 0xE8C890, 40), 1000) << "the overlay's Back";
}
