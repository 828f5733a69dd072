// A tutorial step's box comes 200 ms before the step becomes current, at
// 1024 x 768 on the hard map's first visit (a player with the tutorials on):
// its centred box asks for a click. A click on it in those 200 ms is kept and
// ends the step once it is current, as a click after them does; either way
// the box goes and the map's next click opens the level window of level 1.
#include "app/Profiles.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/TutorialLooks.h"

using namespace programtest;
using testsupport::script::quick::Click;

namespace {

// With the main screen's "Play" hard at 5000 ms the hard map's tutorial box
// shows from about 6310 ms and its step is current from about 6510 ms.
constexpr int kBoxX = 512, kBoxY = 300;

// The box's parchment below the overlay's top bar (its greeting plate is parchment too).
int BoxFace(const Shot& shot) {
    return shot.Count(0, 60, 1024, 690, tutorialplay::Parchment);
}

} // namespace

TEST(TutorialStepStartScenario, AClickOnABoxShownBeforeItsStepIsCurrentIsNotLost) {
    const MapPoint levelOne = House(0);
    struct Case {
        const char* name;
        int clickMs; // the pointer moves then; pressed 20 ms and released 80 ms later
    };
    const Case cases[] = {
        {"clicked while the box shows and its step is not yet current", 6360},
        {"clicked once the step is current", 6700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GameCopy game;
        ASSERT_TRUE(testsupport::UseWindow(game));
        testplayers::MakeEasyPlayer(game.User(), u"sal", 8, kLevelSilver, true,
                                    [](ProfileRecord& record) { record.results.hardAvailable = 1; });
        const std::string events =
            ToTheMap(true) + Click(c.clickMs, kBoxX, kBoxY) + Click(c.clickMs + 900, levelOne.x, levelOne.y);
        const std::string log =
            testsupport::PlayNamed(game, {.name = "tutorial-step-start-" + std::to_string(c.clickMs),
                                          .events = events,
                                          .untilMs = c.clickMs + 1600,
                                          .shots = {{6280, game.File("before.png")},
                                                    {c.clickMs, game.File("clicked.png")},
                                                    {c.clickMs + 600, game.File("after.png")}},
                                          .program = true});
        EXPECT_NE(log.find("40060000 starts"), std::string::npos) << "the hard map's tutorial\n" << log;
        const Shot before = LoadShot(game.File("before.png")), clicked = LoadShot(game.File("clicked.png")),
                   after = LoadShot(game.File("after.png"));
        ASSERT_TRUE(before.ok && clicked.ok && after.ok);
        EXPECT_LT(BoxFace(before), 200) << "no box yet";
        EXPECT_GT(BoxFace(clicked), 25000) << "the box is up as the pointer comes";
        EXPECT_LT(BoxFace(after), 200) << "the click ended the step: its box has gone";
        EXPECT_NE(log.find("the level window of level 1 opens"), std::string::npos)
            << "the map answers the next click\n"
            << log;
    }
}
