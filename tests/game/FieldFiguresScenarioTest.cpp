// The field's figures take a player's clicks where they are drawn: in level
// 41 of the tests' own levels a robber sets up in the middle of the field
// and shoots at the wheat beds around it. Reached from the main screen and
// the map, each click goes where the screenshot just before it shows the
// thing: two shots are burst in flight (to the left and right, or up and
// down, by the seed), and with the pointer on a flying ball or on the robber
// that figure is drawn lit; then the robber, its catapult and the robber
// again, as it packs up, are clicked until it is driven off.
#include "tests/game/LevelTutorialPlay.h"
#include "tests/support/SeenPlay.h"

using namespace tutorialplay;
using testsupport::SeenPlay;
using testsupport::Spot;

namespace {

// The shot's purple ball, the same lit by the pointer resting on it, the
// robber's orange fur (plain or lit) and the catapult's dark wood.
constexpr uint32_t kBall = 0x6C1C9C, kLitBall = 0x8723C3, kCoat = 0xEA7A28, kCatapultWood = 0x8A5A30;

// In the field above the panel (drawn 1:1 at 1024 x 768).
SeenPlay::Finder InField(uint32_t colour, int tolerance, int minPixels) {
    return [=](const Shot& shot) { return shot.Find(0, 40, 1024, 640, colour, tolerance, minPixels); };
}

struct Flights {
    int seed;
    const char* first; // the way the first and the second shot fly
    const char* second;
    bool clickRobber; // the robber and its catapult are clicked too
};

} // namespace

TEST(FieldFiguresScenario, ShotsTheRobberAndItsCatapultTakeClicksWhereTheyAreDrawn) {
    // The shots leave the catapult at (574, 284) at about 21.7 s and 24.9 s.
    for (const Flights flights : {Flights{9, "left", "right", true}, Flights{18, "up", "down", false}}) {
        SCOPED_TRACE(std::string("seed ") + std::to_string(flights.seed));
        GameCopy game(testsupport::LevelData::Scenarios);
        testplayers::MakeEasyPlayer(game.User(), u"vera", 40, kLevelSilver, false);
        SeenPlay play(game, {.events = MapOpening(40) + Click(13000, 300, 420),
                             .moreArguments = " --seed " + std::to_string(flights.seed),
                             .program = true,
                             .drawEvery = 16});
        const std::optional<Spot> first = play.ClickWhereSeen(22200, "first", InField(kBall, 24, 80));
        const std::optional<Spot> second = play.ClickWhereSeen(25400, "second", InField(kBall, 24, 80));
        ASSERT_TRUE(first && second) << play.Events();
        // Each flew its way from the catapult's muzzle.
        const auto way = [](const Spot& spot) {
            const int dx = spot.x - 574, dy = spot.y - 284;
            if (std::abs(dx) > std::abs(dy)) return dx < 0 ? "left" : "right";
            return dy < 0 ? "up" : "down";
        };
        EXPECT_STREQ(way(*first), flights.first) << first->x << ", " << first->y;
        EXPECT_STREQ(way(*second), flights.second) << second->x << ", " << second->y;
        std::optional<Spot> robber, catapult;
        if (flights.clickRobber) {
            robber = play.ClickWhereSeen(26000, "robber", InField(kCoat, 24, 100));
            ASSERT_TRUE(robber) << play.Events();
            // The catapult stands beside the robber, on the side it faces.
            catapult = play.ClickWhereSeen(26400, "catapult", [&](const Shot& shot) {
                return shot.Find(robber->x + 16, robber->y - 40, robber->x + 110, robber->y + 50,
                                 kCatapultWood, 20, 30);
            });
            ASSERT_TRUE(catapult) << play.Events();
            // Its shots spent, it packs up and walks off: the last click finds it again.
            ASSERT_TRUE(play.ClickWhereSeen(26800, "leaving", InField(kCoat, 24, 100))) << play.Events();
        }
        // The frames of the first press and the robber's: the pointer rests on what it presses.
        const std::string log = play.Finish(28000, {{22210, "first-lit"}, {26010, "robber-lit"}});

        // Both shots burst where they were drawn: neither reached its bed.
        size_t at = 0;
        for (int burst = 0; burst < 2; ++burst) {
            at = log.find("clicked in flight", at);
            ASSERT_NE(at, std::string::npos) << "shot " << burst + 1 << " took no click\n" << log;
            ++at;
        }
        EXPECT_EQ(log.find("lands on point"), std::string::npos) << log;
        // The ball the pointer rests on is drawn lit.
        const Shot unlit = Load(game, "first"), lit = Load(game, "first-lit");
        ASSERT_TRUE(unlit.ok && lit.ok);
        EXPECT_LT(unlit.Near(first->x, first->y, 14, kLitBall, 12), 10);
        EXPECT_GT(lit.Near(first->x, first->y, 14, kLitBall, 12), 60);
        if (!flights.clickRobber) continue;
        EXPECT_NE(log.find("driven off"), std::string::npos)
            << "the robber and its catapult took the clicks\n"
            << log;
        // The robber under the pointer is drawn lit, with its catapult.
        const Shot before = Load(game, "robber"), onIt = Load(game, "robber-lit");
        ASSERT_TRUE(before.ok && onIt.ok);
        EXPECT_GT(testsupport::Differing(before, onIt, robber->x - 30, robber->y - 40, robber->x + 30,
                                         robber->y + 40),
                  300);
        EXPECT_GT(testsupport::Differing(before, onIt, catapult->x - 20, catapult->y - 20, catapult->x + 20,
                                         catapult->y + 20),
                  100);
    }
}
