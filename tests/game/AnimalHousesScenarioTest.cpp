// The animal houses of level 37 (1024 x 768: the field unscaled), played as
// a player meets them from the stand-in screen (digits and F6 open a level by
// its number). For each house: its "Feed" button sends the farmer with the
// stock's wheat, the animals work (the hen wanders, eats and sits on her
// nest; the cows eat before their shed; the sheep grazes and grows her
// fleece), the produce's button sends the farmer to collect, the units reach
// the stock (their label flies in from above the house: the eggs 64 pixels
// over the nests, the milk and the wool 42 over the house's anchor), and the
// house waits for feed again: its "Feed" button is back and takes a second
// feeding.
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using testsupport::GameCopy;
using testsupport::LevelData;

namespace {

using testsupport::script::held::Key;
using testsupport::script::held::OpenLevel;

// Input starts once the game data is surely loaded (a click skips the logos).
constexpr int kReady = 6000;
// The level's clock starts with the click on the house.
constexpr int kStart = kReady + 1000;
constexpr int kFeed = kStart + 500;

using testsupport::script::Move;

// A click, then the mouse goes aside (so no hover lingers on a button).
std::string Click(int ms, int x, int y) {
    return testsupport::script::held::Click(ms, x, y) + Move(ms + 200, 700, 650);
}

struct Box {
    int left, top, right, bottom;
};

int CountIn(const testsupport::Shot& shot, const Box& box, uint32_t rgb, int slack) {
    return shot.NearIn(box.left, box.top, box.right, box.bottom, rgb, slack);
}

// One house of the level and what a player sees of it.
struct House {
    const char* name;
    int x, y;                      // a click on the house starts the clock
    int feedX, feedY;              // its "Feed" button
    int produceX, produceY;        // its produce button
    int collectAt;                 // when the produce button is clicked
    int feedAgainAt;               // when "Feed" is clicked once more
    std::vector<std::string> work; // the log's lines of the animals at work, in order
    std::string ready;             // the produce lying ready
    std::string stored;            // the warehouse line of the delivery
    const char* feedLabel;         // the stock label of one feeding
    const char* storedLabel;       // the produce's label flying into the stock, and where
};

struct Played {
    std::string log;
    std::vector<testsupport::Shot> shots;
};

// Plays a house from the start of the level: the clock, "Feed", the produce
// button, "Feed" again; screenshots at the given times.
Played PlayHouse(const House& h, const std::vector<int>& shotTimes) {
    GameCopy game(LevelData::Scenarios);
    EXPECT_TRUE(testsupport::UseWindow(game));
    const std::string events =
        testsupport::script::SkipLogos() + OpenLevel(kReady, "37") + Click(kStart, h.x, h.y) +
        Click(kFeed, h.feedX, h.feedY) + Click(h.collectAt, h.produceX, h.produceY) +
        Click(h.feedAgainAt, h.feedX, h.feedY) + std::to_string(h.feedAgainAt + 400) + " close\n";
    Played run;
    std::string extra = "--draw-every 4";
    for (int t : shotTimes)
        extra += testsupport::ScreenshotAt(t, game.File("shot" + std::to_string(t) + ".png"));
    std::string out;
    EXPECT_EQ(testsupport::RunScript(game, "play", events, extra, &out), 0) << out;
    run.log = game.Log();
    // The copy goes with this function: the shots are read now.
    for (int t : shotTimes) {
        run.shots.push_back(testsupport::LoadShot(game.File("shot" + std::to_string(t) + ".png")));
        EXPECT_TRUE(run.shots.back().ok) << "no screenshot at " << t;
    }
    return run;
}

// The lines come in this order in the log (each after the one before).
void ExpectInOrder(const std::string& log, const std::vector<std::string>& texts) {
    size_t at = 0;
    for (const std::string& text : texts) {
        const size_t found = log.find(text, at);
        ASSERT_NE(found, std::string::npos) << "\"" << text << "\" missing after the lines before\n" << log;
        at = found + text.size();
    }
}

// The cycle every house goes through, read from the log: fed from the
// stock, the animals at work, the produce ready, ordered, in the stock, the
// house unfed again and fed a second time.
void ExpectCycle(const House& h, const std::string& log) {
    std::vector<std::string> order = {"Stock label                 " + std::string(h.feedLabel),
                                      "Feeding ordered", "Animals fed"};
    order.insert(order.end(), h.work.begin(), h.work.end());
    order.insert(order.end(), {h.ready, "Produce ordered", "Into the warehouse          " + h.stored,
                               "Stock label                 " + std::string(h.storedLabel),
                               "Animals wait for feed", "Feeding ordered"});
    ExpectInOrder(log, order);
    EXPECT_EQ(testsupport::LogLines(log, "Feeding ordered").size(), 2u) << log;
    EXPECT_EQ(testsupport::LogLines(log, "Animals fed").size(), 1u)
        << "the second feeding is still under way\n"
        << log;
    EXPECT_EQ(testsupport::LogLines(log, "Into the warehouse").size(), 1u) << log;
    EXPECT_EQ(testsupport::LogLines(log, "Animals wait for feed").size(), 1u) << log;
    EXPECT_EQ(testsupport::LogLines(log, "is refused").size(), 0u) << log;
}

// The hen's red comb (its outline darkens it).
int CombPixels(const testsupport::Shot& shot, const Box& box) {
    return shot.Count(box.left, box.top, box.right, box.bottom,
                      [](int r, int g, int b) { return r > 150 && g < 90 && b < 80; });
}

} // namespace

// The henhouse at (300, 330): "Feed" at (276, 258); the hen wanders, eats at
// her spot and sits on the nest at (308, 360); one egg, and the eggs button
// at (308, 312) sends the farmer to take it.
TEST(AnimalHousesScenario, TheHenhouseIsFedTheHenSitsOnHerNestAndTheEggGoesIntoTheStock) {
    const House hen{"henhouse",
                    300,
                    300,
                    276,
                    258,
                    308,
                    312,
                    19400,
                    23900,
                    {"Chicken eats                slot 0", "Chicken sits on its nest    slot 0"},
                    "Eggs laid                   1 at point 1",
                    "1 of 1 egg (stock 1)",
                    "-1 wheat",
                    "+1 egg at (308, 296)"};
    // Before the feeding, while the farmer throws the feed, then a burst
    // while the hen settles on her nest.
    std::vector<int> times = {kFeed - 100, 10700};
    for (int t = 17900; t <= 18400; t += 50)
        times.push_back(t);
    const Played run = PlayHouse(hen, times);
    ExpectCycle(hen, run.log);

    // The hen's white and her red comb over the nest: none before the
    // feeding, both in a frame of the burst.
    const Box nest{290, 325, 328, 364};
    const testsupport::Shot& before = run.shots[0];
    ASSERT_TRUE(before.ok);
    EXPECT_LT(CountIn(before, nest, 0xFBF8F2, 6), 10);
    EXPECT_EQ(CombPixels(before, nest), 0);
    // The farmer stands feeding before the henhouse (her dress).
    const Box feedSpot{280, 290, 322, 346};
    EXPECT_GT(CountIn(run.shots[1], feedSpot, 0xD04868, 12), 120);
    EXPECT_EQ(CountIn(before, feedSpot, 0xD04868, 12), 0);
    int sitting = 0;
    std::string counts;
    for (size_t i = 2; i < run.shots.size(); ++i) {
        const testsupport::Shot& shot = run.shots[i];
        ASSERT_TRUE(shot.ok);
        const int white = CountIn(shot, nest, 0xFBF8F2, 6), red = CombPixels(shot, nest);
        counts += " " + std::to_string(white) + "/" + std::to_string(red);
        if (white > 60 && red > 2) ++sitting;
    }
    EXPECT_GT(sitting, 0) << "no frame shows the hen on her nest (white/red:" << counts << ")";
}

// The cowshed at (580, 250), level 2: "Feed" at (580, 160) takes 2 wheat; two
// cows stand eating before the shed; "Milk" at (580, 162) sends the farmer
// into the milking room on the shed's right to milk them: 2 milk.
TEST(AnimalHousesScenario, TheCowshedIsFedTheCowsEatBeforeItAndTheirMilkGoesIntoTheStock) {
    const House shed{"cowshed",
                     600,
                     215,
                     580,
                     160,
                     580,
                     162,
                     16400,
                     22900,
                     {"Cow eats                    slot 0", "Cow eats                    slot 1"},
                     "Milk ready                  2 at point 2",
                     "2 of 2 milk (stock 2)",
                     "-2 wheat",
                     "+2 milk at (580, 208)"};
    // Before the feeding, while the cows eat, while she milks, then a burst
    // while the milked cows leave.
    std::vector<int> times = {kFeed - 100, 13000, 18400};
    for (int t = 19950; t <= 20325; t += 25)
        times.push_back(t);
    const Played run = PlayHouse(shed, times);
    ExpectCycle(shed, run.log);

    // The cows' pink muzzles and white coats before the shed while they eat;
    // no cows before the feeding, and "Feed" over the shed's star.
    const Box front{520, 215, 600, 264};
    const testsupport::Shot &before = run.shots[0], &eating = run.shots[1];
    ASSERT_TRUE(before.ok && eating.ok);
    EXPECT_EQ(CountIn(before, front, 0xF0B0B8, 10), 0);
    EXPECT_EQ(CountIn(before, {572, 144, 600, 160}, 0xFFD030, 12), 0) << "the shed's star over its \"Feed\"";
    EXPECT_GT(CountIn(eating, front, 0xF0B0B8, 10), 40);
    EXPECT_GT(CountIn(eating, front, 0xFBF8F4, 6), 150);

    // She milks inside the milking room's door, 210 px right of the barn's
    // middle: her dress against the dark doorway.
    const Box door{770, 202, 808, 250};
    const testsupport::Shot& milking = run.shots[2];
    ASSERT_TRUE(milking.ok);
    EXPECT_GT(CountIn(milking, door, 0x2A1608, 8), 300) << "no doorway where she milks";
    EXPECT_GT(CountIn(milking, door, 0xD04868, 12), 80) << "she is not at the door";

    // Milked, the cows shrink and darken away: their white fades through
    // smaller counts rather than going all at once.
    std::vector<int> white;
    for (size_t i = 3; i < run.shots.size(); ++i) {
        ASSERT_TRUE(run.shots[i].ok);
        white.push_back(CountIn(run.shots[i], front, 0xFBF8F4, 6));
    }
    std::string counts;
    bool fading = false;
    for (int n : white) {
        counts += " " + std::to_string(n);
        fading = fading || (n > 60 && n < white.front() * 3 / 4);
    }
    EXPECT_GT(white.front(), 300) << "the cows before they leave:" << counts;
    EXPECT_TRUE(fading) << "no frame of the cows leaving (white:" << counts << ")";
    EXPECT_LT(white.back(), 60) << "the cows are still there:" << counts;
}

// The sheep rack at (840, 400): its sheep stands shorn before the rack;
// "Feed" at (840, 326); she grazes and grows her fleece; "CutS" at
// (840, 328) sends the farmer to shear her: 1 wool.
TEST(AnimalHousesScenario, TheSheepRackIsFedTheSheepGrowsHerFleeceAndTheWoolGoesIntoTheStock) {
    const House rack{"sheep rack",
                     870,
                     370,
                     840,
                     326,
                     840,
                     328,
                     16400,
                     20900,
                     {"Sheep eats                  slot 0"},
                     "Wool ready                  1 at point 3",
                     "1 of 1 wool (stock 1)",
                     "-1 wheat",
                     "+1 wool at (840, 358)"};
    const Played run = PlayHouse(rack, {kFeed - 100, 16100, 20600, 17500, 17800});
    ExpectCycle(rack, run.log);

    // Shorn before the feeding, in full fleece when the wool is ready, shorn
    // again once the farmer has cut it (a shorn back keeps a light shine).
    const Box sheep{780, 370, 836, 410};
    const testsupport::Shot &shorn = run.shots[0], &fleece = run.shots[1], &cut = run.shots[2];
    ASSERT_TRUE(shorn.ok && fleece.ok && cut.ok);
    const uint32_t wool = 0xF4F0E6, skin = 0xE8D8C8;
    EXPECT_GT(CountIn(shorn, sheep, skin, 6), 100);
    EXPECT_LT(CountIn(shorn, sheep, wool, 6), 80);
    EXPECT_GT(CountIn(fleece, sheep, wool, 6), 300);
    EXPECT_GT(CountIn(cut, sheep, skin, 6), 100);
    EXPECT_LT(CountIn(cut, sheep, wool, 6), 80);

    // She came from the left and shears standing right of the sheep: she
    // faces left, her face before her hair.
    for (size_t i : {3u, 4u}) {
        const testsupport::Shot& shearing = run.shots[i];
        ASSERT_TRUE(shearing.ok);
        long faceX = 0, face = 0, hairX = 0, hair = 0;
        for (int y = 350; y < 382; ++y)
            for (int x = 815; x < 860; ++x) {
                const uint32_t c = shearing.At(x, y);
                const int r = int(c >> 16 & 0xFF), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
                if (testsupport::ColourNear(r, g, b, 0xF2C8A0, 6)) faceX += x, ++face;
                if (testsupport::ColourNear(r, g, b, 0x8A4A20, 6)) hairX += x, ++hair;
            }
        ASSERT_GT(face, 40) << "no face in shot " << i;
        ASSERT_GT(hair, 40) << "no hair in shot " << i;
        EXPECT_LT(faceX / face, hairX / hair) << "she shears facing away from the sheep (shot " << i << ")";
    }
}
