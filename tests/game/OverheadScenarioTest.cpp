// The buttons over the field in the running level, played as a player meets
// them from the stand-in screen (digits and F6 open a level by its number):
// the garbage site's clear button on level 31 with its highlight and hint,
// the wheat bed and apple tree of level 35 (harvest, water, fruits, a save
// taken while the farmer walks), and the bakery of level 36 (bread from the
// stock's wheat and eggs, a cancelled slot giving them back).
#include "app/Profiles.h"
#include "tests/game/ProgramTest.h"

#include <cstdlib>

using namespace programtest;
using testsupport::LevelData;

namespace {

using testsupport::script::Move;
using testsupport::script::held::Click;
using testsupport::script::held::Key;
using testsupport::script::held::OpenLevel;

// Input starts once the game data is surely loaded (a click skips the logos).
constexpr int kReady = 6000;

int RunGame(const GameCopy& game, const std::string& name, const std::string& events,
            const std::string& extra, std::string* output = nullptr) {
    if (output) output->clear();
    return testsupport::RunScript(game, name, testsupport::script::SkipLogos() + events, extra, output);
}

// The cream face of a hint box.
int HintPixels(const Shot& shot, int left, int top, int right, int bottom) {
    return shot.NearIn(left, top, right, bottom, 0xFFF6DC, 6);
}

void MakeProfile(const GameCopy& game) {
    ASSERT_EQ(RunGame(game, "profile",
                      Key(kReady, "F3") + Key(kReady + 300, "A") + Key(kReady + 600, "RETURN") +
                          std::to_string(kReady + 1000) + " close\n",
                      ""),
              0);
}

} // namespace

// Level 31's garbage heap offers its clearing as a button once clicked (the
// click starts the clock); the mouse resting on the button highlights it and
// shows its hint; its click sends the farmer, with the job's icon and bar
// over the heap.
TEST(OverheadScenario, TheClearButtonHighlightsShowsItsHintAndOrdersTheClearing) {
    struct Size {
        const char* window;
        int heapX, heapY;     // the heap on the screen
        int buttonX, buttonY; // the clear button's centre
        int unit;             // a field pixel on the screen, in thousandths
    };
    // 800 x 600 shows the 1024 x 688 field scaled by 520 / 688; 1024 x 768 as it is.
    const Size sizes[] = {{"800,600", 330, 249, 330, 207, 756}, {"1024,768", 420, 330, 420, 274, 1000}};
    for (const Size& s : sizes) {
        SCOPED_TRACE(s.window);
        GameCopy game(LevelData::Scenarios);
        ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                                std::string("[Video]\nWindow=") + s.window + "\n"));
        const int rest = kReady + 2000; // the mouse comes to rest on the button
        const int press = rest + 600;   // and clicks it
        const std::string before = game.File("before.png"), rested = game.File("rested.png"),
                          ordered = game.File("ordered.png");
        const std::string play =
            OpenLevel(kReady, "31") + Click(kReady + 1000, s.heapX, s.heapY) +
            Move(rest - 2, s.buttonX + 1, s.buttonY + 5) + Move(rest, s.buttonX, s.buttonY + 4) +
            Click(press, s.buttonX, s.buttonY + 4) + std::to_string(press + 1000) + " close\n";
        ASSERT_EQ(RunGame(game, "play", play,
                          testsupport::ScreenshotAt(rest - 50, before) +
                              testsupport::ScreenshotAt(rest + 500, rested) +
                              testsupport::ScreenshotAt(press + 450, ordered)),
                  0);
        const std::string log = game.Log();
        ASSERT_EQ(testsupport::LogLines(log, "Clearing ordered").size(), 1u) << log;
        // Resting on the button the pointer is the hand; the arrow again once the button is gone.
        const size_t hand = log.find("Cursor                      hand (0x101) shown");
        ASSERT_NE(hand, std::string::npos) << log;
        EXPECT_LT(hand, log.find("Clearing ordered")) << log;
        EXPECT_NE(log.find("Cursor                      arrow (0x100) shown", hand), std::string::npos)
            << log;

        const Shot a = LoadShot(before), b = LoadShot(rested), c = LoadShot(ordered);
        ASSERT_TRUE(a.ok && b.ok && c.ok);
        const int half = 22 * s.unit / 1000;
        const int bl = s.buttonX - half, bt = s.buttonY - half, br = s.buttonX + half, bb = s.buttonY + half;
        // The button was there before the mouse came; resting, it is drawn highlighted.
        EXPECT_GT(testsupport::Differing(a, b, bl, bt, br, bb), 40)
            << "the highlighted button looks different";
        // The hint box stands right of the button 500 ms into the rest, not
        // before, leaving the heap below the button in sight.
        const int hl = s.buttonX + 10, ht = s.buttonY - 60, hr = s.buttonX + 280, hb = s.buttonY + 60;
        EXPECT_EQ(HintPixels(b, s.heapX - half, s.heapY - half / 2, s.heapX + half, s.heapY + half), 0)
            << "the hint over the heap";
        EXPECT_EQ(HintPixels(a, hl, ht, hr, hb), 0);
        EXPECT_GT(HintPixels(b, hl, ht, hr, hb), 3000);
        // 300 ms after the click the button and its hint have gone; the job's
        // icon stands over the heap (its cream back).
        EXPECT_LT(HintPixels(c, hl, ht, hr, hb), 50);
        const int il = s.heapX - 20, it = s.heapY - 70 * s.unit / 1000 - 20, ir = s.heapX + 20,
                  ib = s.heapY - 70 * s.unit / 1000 + 20;
        EXPECT_GT(c.NearIn(il, it, ir, ib, 0xF4E4C0, 10), 20);
    }
}

// Level 35 (1024 x 768: the field unscaled): the wheat bed at (420, 330)
// ripens and shows "Harv"; the farmer harvests it into the stock; the dry
// bed then shows "Wate"; watered, it grows and ripens again. The apple tree
// at (660, 300) bears fruit that ripens red.
TEST(OverheadScenario, TheWheatIsHarvestedWateredAndRipensAgainTheTreeBearsFruit) {
    GameCopy game(LevelData::Scenarios);
    ASSERT_TRUE(testsupport::UseWindow(game));
    const int start = kReady + 1000;
    const std::string early = game.File("early.png"), fruit = game.File("fruit.png");
    // The bed's buttons stand at (420, 258); a click on the bed starts the clock.
    const std::string play = OpenLevel(kReady, "35") + Click(start, 420, 330) +
                             Click(start + 1500, 420, 262) + Move(start + 1800, 600, 500) +
                             Click(start + 5500, 420, 262) + Move(start + 5800, 600, 500) +
                             Click(start + 12000, 420, 262) + Move(start + 12300, 600, 500) +
                             std::to_string(start + 15500) + " close\n";
    ASSERT_EQ(RunGame(game, "play", play,
                      testsupport::ScreenshotAt(start - 100, early) +
                          testsupport::ScreenshotAt(start + 15400, fruit)),
              0);
    const std::string log = game.Log();
    const auto stored = testsupport::LogLines(log, "Into the warehouse");
    ASSERT_EQ(stored.size(), 2u) << log;
    EXPECT_NE(stored[0].find("1 of 1 wheat (stock 1)"), std::string::npos) << stored[0];
    EXPECT_NE(stored[1].find("1 of 1 wheat (stock 2)"), std::string::npos) << stored[1];
    EXPECT_EQ(testsupport::LogLines(log, "Stock label").size(), 2u) << log;

    const Shot a = LoadShot(early), b = LoadShot(fruit);
    ASSERT_TRUE(a.ok && b.ok);
    // Ripe apples: red in the tree's crown, more than the green start showed.
    auto red = [](int r, int g, int bl) { return r > 180 && g < 90 && bl < 80; };
    EXPECT_GT(b.Count(610, 200, 710, 280, red), a.Count(610, 200, 710, 280, red) + 20);
}

// Level 35's wheat bed (1024 x 768) starts at 80 % and needs half a second
// of growth (10,000 ms at rate 4) once the clock runs; a new bed's countdown
// (600 ms) holds its growth back first, so the "Harv" button at (420, 258)
// is not there 900 ms after the click that starts the clock, and is 1,400 ms
// after it.
TEST(OverheadScenario, TheWheatRipensOnlyAfterTheNewBedsCountdown) {
    GameCopy game(LevelData::Scenarios);
    ASSERT_TRUE(testsupport::UseWindow(game));
    const int start = kReady + 1000;
    const std::string before = game.File("before.png"), counting = game.File("counting.png"),
                      ripe = game.File("ripe.png");
    // The click on the bed starts the clock at its press (50 ms in).
    ASSERT_EQ(RunGame(game, "play",
                      OpenLevel(kReady, "35") + Click(start, 420, 330) + Move(start + 300, 600, 500) +
                          Click(start + 1500, 420, 262) + Move(start + 1800, 600, 500) +
                          std::to_string(start + 5000) + " close\n",
                      testsupport::ScreenshotAt(start - 100, before) +
                          testsupport::ScreenshotAt(start + 900, counting) +
                          testsupport::ScreenshotAt(start + 1400, ripe)),
              0);
    const Shot a = LoadShot(before), b = LoadShot(counting), c = LoadShot(ripe);
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    // The button's cream face over the bed (the growing bed's progress line
    // stands there before it, green on dark).
    auto face = [](const Shot& s) { return s.NearIn(398, 236, 442, 280, 0xE8C878, 8); };
    EXPECT_LT(face(a), 20);
    EXPECT_LT(face(b), 20) << "the button came before the countdown had run";
    EXPECT_GT(face(c), 150) << "no button once the wheat is ripe";
    // The button answers: the farmer harvests the wheat.
    const std::string log = game.Log();
    const auto stored = testsupport::LogLines(log, "Into the warehouse");
    ASSERT_EQ(stored.size(), 1u) << log;
    EXPECT_NE(stored[0].find("1 of 1 wheat (stock 1)"), std::string::npos) << stored[0];
}

// A game saved while the farmer walks to harvest goes on from the walk: the
// harvest lands without another click, and its unit counts towards the
// player's harvester award.
TEST(OverheadScenario, ASaveTakenWhileTheHarvestWalksGoesOnFromTheWalk) {
    GameCopy game(LevelData::Scenarios);
    ASSERT_TRUE(testsupport::UseWindow(game));
    MakeProfile(game);
    const int start = kReady + 1000;
    ASSERT_EQ(RunGame(game, "play",
                      OpenLevel(kReady, "35") + Click(start, 420, 330) + Click(start + 1500, 420, 262) +
                          std::to_string(start + 1800) + " close\n",
                      ""),
              0);
    std::string log = game.Log();
    ASSERT_EQ(testsupport::LogLines(log, "Level 35 saved into the profile").size(), 1u) << log;
    EXPECT_EQ(testsupport::LogLines(log, "Into the warehouse").size(), 0u) << "closed before the harvest";

    ASSERT_EQ(
        RunGame(game, "continue", OpenLevel(kReady, "35") + std::to_string(kReady + 6000) + " close\n", ""),
        0);
    log = game.Log();
    EXPECT_EQ(testsupport::LogLines(log, "Level 35 continues from its saved game.").size(), 1u) << log;
    EXPECT_EQ(testsupport::LogLines(log, "is refused").size(), 0u) << log;
    const auto stored = testsupport::LogLines(log, "Into the warehouse");
    ASSERT_EQ(stored.size(), 1u) << log;
    EXPECT_NE(stored[0].find("1 of 1 wheat (stock 1)"), std::string::npos) << stored[0];

    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    EXPECT_EQ(saved->awards[0], 1) << "the harvester award's counter";
}

// Level 36 (1024 x 768): the bakery at (520, 300) shows its bread button at
// (520, 150) and its slot at (520, 186). The stock holds the ingredients from
// the start, so the button is lit before anything happens. A press takes 2 wheat and 1 egg
// (labels fly out), the slot fills and bread goes into the stock; a second
// start cancelled from its slot gives the ingredients back.
TEST(OverheadScenario, TheBakeryBakesBreadAndACancelledSlotGivesTheIngredientsBack) {
    GameCopy game(LevelData::Scenarios);
    ASSERT_TRUE(testsupport::UseWindow(game));
    const int start = kReady + 1000;
    const std::string baking = game.File("baking.png");
    const std::string opened = game.File("opened.png");
    const std::string play = OpenLevel(kReady, "36") + Click(start, 520, 270) + Click(start + 500, 520, 150) +
                             Move(start + 700, 800, 500) + Click(start + 5000, 520, 150) +
                             Click(start + 5500, 520, 186) + Move(start + 5700, 800, 500) +
                             std::to_string(start + 6500) + " close\n";
    ASSERT_EQ(RunGame(game, "play", play,
                      testsupport::ScreenshotAt(start - 300, opened) +
                          testsupport::ScreenshotAt(start + 2000, baking)),
              0);
    const std::string log = game.Log();
    ASSERT_EQ(testsupport::LogLines(log, "Production started").size(), 2u) << log;
    EXPECT_EQ(testsupport::LogLines(log, "Unit produced").size(), 1u) << log;
    const auto stored = testsupport::LogLines(log, "Into the warehouse");
    ASSERT_EQ(stored.size(), 1u) << log;
    EXPECT_NE(stored[0].find("1 of 1 bread (stock 1)"), std::string::npos) << stored[0];
    // The labels: out at each start, bread in, and back at the cancel.
    const auto labels = testsupport::LogLines(log, "Stock label");
    std::vector<std::string> expected = {"-2 wheat", "-1 egg",   "+1 bread", "-2 wheat",
                                         "-1 egg",   "+2 wheat", "+1 egg"};
    ASSERT_EQ(labels.size(), expected.size()) << log;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NE(labels[i].find(expected[i]), std::string::npos) << labels[i];

    // Before any click the bread button shows its lit cream face, not the
    // grey of a button whose ingredients are missing.
    const Shot first = LoadShot(opened);
    ASSERT_TRUE(first.ok);
    const auto face = [&](uint32_t rgb) { return first.NearIn(506, 136, 534, 146, rgb, 8); };
    EXPECT_GT(face(0xE8D8B0), 150) << "the bread button looks disabled";
    EXPECT_EQ(face(0xB8B0A0), 0) << "the bread button looks disabled";

    // Half way through the first loaf the slot is partly filled: it differs
    // from its empty look at the end (the cancel emptied it).
    const Shot shot = LoadShot(baking);
    ASSERT_TRUE(shot.ok);
    EXPECT_GT(shot.Count(505, 171, 535, 201,
                         [](int r, int g, int b) { return !testsupport::ColourNear(r, g, b, 0x8CC65A, 40); }),
              200);
}

// Level 35 (1024 x 768): the points show on the field what they set. The
// wheat bed at (420, 330) (stage 1 of 2) and the apple tree at (660, 300)
// (stage 2 of 2) carry their stage stars from the start; both show their
// progress line while they grow, where their round buttons stand (the bed's
// at (420, 258), the tree's at (660, 172)). The ripe bed's harvest button
// takes its line's place; harvested and dry, the bed shows no line until it
// is watered, and its stars stay.
TEST(OverheadScenario, PointsShowTheirProgressLinesAndStageStars) {
    GameCopy game(LevelData::Scenarios);
    ASSERT_TRUE(testsupport::UseWindow(game));
    const int start = kReady + 1000;
    const std::string early = game.File("early.png"), growing = game.File("growing.png"),
                      dry = game.File("dry.png");
    const std::string play = OpenLevel(kReady, "35") + Click(start, 420, 330) +
                             Click(start + 1500, 420, 262) + Move(start + 1800, 600, 500) +
                             std::to_string(start + 6500) + " close\n";
    ASSERT_EQ(RunGame(game, "play", play,
                      testsupport::ScreenshotAt(start - 100, early) +
                          testsupport::ScreenshotAt(start + 300, growing) +
                          testsupport::ScreenshotAt(start + 6000, dry)),
              0);
    testsupport::KeepShot(growing, "points-growing.png");
    testsupport::KeepShot(dry, "points-dry.png");
    const Shot a = LoadShot(early), b = LoadShot(growing), c = LoadShot(dry);
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    auto gold = [](const Shot& s, int l, int t, int r, int bt) {
        return s.NearIn(l, t, r, bt, 0xFFD030, 12);
    };
    auto grey = [](const Shot& s, int l, int t, int r, int bt) {
        return s.NearIn(l, t, r, bt, 0xA0A0A8, 12);
    };
    // The line's green fill.
    auto fill = [](const Shot& s, int l, int t, int r, int bt) {
        return s.NearIn(l, t, r, bt, 0x50B030, 12);
    };
    for (const Shot* s : {&a, &b, &c}) {
        EXPECT_GT(gold(*s, 396, 288, 420, 310), 60) << "the bed's first star";
        EXPECT_GT(grey(*s, 420, 288, 444, 310), 60) << "the bed's second star, not reached";
        EXPECT_GT(gold(*s, 636, 184, 684, 206), 150) << "the tree's two stars";
    }
    EXPECT_GT(fill(a, 384, 252, 456, 264), 40) << "the bed's line before the clock starts";
    EXPECT_GT(fill(b, 384, 252, 456, 264), 40) << "the bed's line";
    EXPECT_GT(fill(b, 624, 166, 696, 178), 40) << "the tree's line";
    EXPECT_LT(fill(c, 384, 252, 456, 264), 5) << "the harvested, dry bed shows no line";
}
