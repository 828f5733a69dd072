// The first comic as a player meets it at 1024 x 768 with an empty user
// folder: F4 on the screen after loading shows it (until the map does), its
// panels pop in, a click while they come in shows the whole page, the next
// closes it and the game goes on to the map; the same reached as a new player
// does, by making a profile and clicking "easy" on the main menu.
#include "platform/ImageDecode.h"
#include "tests/game/ProgramTest.h"

using namespace programtest;
using testsupport::ReadFileBytes;

using testsupport::StateChanges;

namespace {

using testsupport::script::quick::Click;

// F4 at 5 s, well after loading: the change to the comic reaches its mid-point
// 250 ms later and the page's fade-in ends at 5.5 s; panel k comes in 350 + 250 k ms after the
// mid-point, over 150 ms.
const char* const kShowComic = "40 mouse move 400 300\n60 mouse down left\n160 mouse up left\n"
                               "5000 key down F4\n5050 key up F4\n";

platform::DecodedPicture Picture(const std::string& png) {
    Shot shot = LoadShot(png);
    EXPECT_TRUE(shot.ok) << png << ": " << shot.error;
    return std::move(shot.picture);
}

uint32_t Pixel(const platform::DecodedPicture& p, int x, int y) {
    if (x >= p.width || y >= p.height) return 0;
    return p.pixels[size_t(y) * size_t(p.width) + size_t(x)] & 0xFFFFFF;
}

// Paper: light and warm (the sky of the sunrise panel is warm but not light).
bool IsPaper(uint32_t rgb) {
    const uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    return r > 200 && g > 180 && r >= g && g > b;
}

struct ScriptedRun {
    GameCopy game;
    int status = -1;
    std::string output;
    std::string Shot(uint32_t ms) const { return game.File("at" + std::to_string(ms) + ".png"); }
};

// Runs the showcase (or the game itself) at 1024 x 768 on the events until
// the time, with a screenshot at each moment.
void Start(ScriptedRun& run, const std::string& events, const std::vector<uint32_t>& moments, uint32_t until,
           bool program = false) {
    ASSERT_TRUE(testsupport::UseWindow(run.game));
    ASSERT_TRUE(testsupport::WriteFileBytes(run.game.File("script.txt"), events));
    std::string arguments = "--headless --until-ms " + std::to_string(until) + " --input-script '" +
                            run.game.File("script.txt") + "'";
    for (uint32_t ms : moments)
        arguments += testsupport::ScreenshotAt(int(ms), run.Shot(ms));
    run.status =
        program ? run.game.Run(arguments, &run.output) : run.game.RunShowcase(arguments, &run.output);
}

} // namespace

TEST(ComicsScreen, TheFirstComicPopsInCompletesOnAClickAndClosesToTheMap) {
    // Left alone: panels pop in one after another.
    ScriptedRun alone;
    Start(alone, kShowComic, {6200, 7000}, 7000);
    ASSERT_EQ(alone.status, 0) << alone.output;
    EXPECT_EQ(StateChanges(alone.game.Log()),
              (std::vector<std::string>{"00000001", "80000002", "00000006", "00000007", "FFFFFFFF"}));

    // Clicked while the first panel comes in, then once more.
    ScriptedRun clicked;
    Start(clicked,
          std::string(kShowComic) +
              "5700 mouse down left\n5750 mouse up left\n6500 mouse down left\n6550 mouse up left\n",
          {5800, 7200}, 7200);
    ASSERT_EQ(clicked.status, 0) << clicked.output;
    // The comic closes to the map, which without a current profile leads on to the main screen.
    EXPECT_EQ(StateChanges(clicked.game.Log()),
              (std::vector<std::string>{"00000001", "80000002", "00000006", "00000007", "00000005",
                                        "00000006", "FFFFFFFF"}));

    const platform::DecodedPicture popping = Picture(alone.Shot(6200));
    const platform::DecodedPicture whole = Picture(alone.Shot(7000));
    const platform::DecodedPicture completed = Picture(clicked.Shot(5800));
    const platform::DecodedPicture map = Picture(clicked.Shot(7200));
    ASSERT_EQ(whole.width, 1024);
    ASSERT_EQ(whole.height, 768);

    // The paper covers the screen edge to edge; the page scale is 1 at this
    // height, so the third panel (from -220, 20 of the centred origin) is at
    // 292, 404 and its sky at the top of it.
    for (auto [x, y] : {std::pair{2, 2}, {1021, 2}, {2, 765}, {1021, 765}, {512, 380}})
        EXPECT_TRUE(IsPaper(Pixel(whole, x, y))) << x << ", " << y << ": " << std::hex << Pixel(whole, x, y);
    const uint32_t sky = Pixel(whole, 512, 430);
    EXPECT_FALSE(IsPaper(sky)) << std::hex << sky;
    // Its caption strip (from 250 px down the panel) holds a caption.
    EXPECT_GT(LoadShot(alone.Shot(7000)).NearIn(300, 654, 724, 700, 0x103A5F, 0), 100);
    // At 6.2 s the first two panels are in and the third is still coming in.
    EXPECT_EQ(Pixel(popping, 200, 150), Pixel(whole, 200, 150));
    EXPECT_EQ(Pixel(popping, 800, 150), Pixel(whole, 800, 150));
    EXPECT_NE(Pixel(popping, 512, 430), sky);
    // The click showed the whole page at once, as it is when all came in.
    EXPECT_TRUE(ReadFileBytes(clicked.Shot(5800)) == ReadFileBytes(alone.Shot(7000)));
    EXPECT_EQ(Pixel(completed, 512, 430), sky);
    // The second click left the page for the map.
    EXPECT_NE(Pixel(map, 512, 430), sky);
    EXPECT_FALSE(IsPaper(Pixel(map, 2, 2)));
}

TEST(ComicsScreen, ANewPlayersFirstEasyStartShowsTheComicThenTheMap) {
    // An empty user folder: the logos are skipped, the name offered for the
    // first player is replaced by "ann", "easy" (the menu's first button, the
    // menu at 607, 344) shows the comic, whose fade-in ends about 7.3 s in.
    const std::string start =
        Click(40, 500, 300) + testplayers::NewPlayerByKeys(4500, {"A", "N", "N"}) + Click(6700, 749, 445);
    // Left alone, stopped 700 ms after the fade: the panels are popping in.
    ScriptedRun alone;
    Start(alone, start, {6600, 7980}, 7980, true);
    ASSERT_EQ(alone.status, 0) << alone.output;
    // A click while they come in shows the whole page, a second one the map.
    ScriptedRun clicked;
    Start(clicked, start + Click(7500, 512, 600) + Click(8200, 512, 600), {7700, 9500}, 9500, true);
    ASSERT_EQ(clicked.status, 0) << clicked.output;

    const std::string log = clicked.game.Log();
    EXPECT_NE(log.find("The main screen opens."), std::string::npos) << log;
    EXPECT_NE(log.find("easy, with the introductory comic"), std::string::npos) << log;
    // Logos, loading, the main screen, the comic, the map, and the end of the run.
    EXPECT_EQ(StateChanges(log), (std::vector<std::string>{"00000001", "80000002", "00000006", "00000007",
                                                           "00000005", "FFFFFFFF"}))
        << log;
    EXPECT_EQ(StateChanges(alone.game.Log()),
              (std::vector<std::string>{"00000001", "80000002", "00000006", "00000007", "FFFFFFFF"}));

    const platform::DecodedPicture menu = Picture(alone.Shot(6600));
    const platform::DecodedPicture popping = Picture(alone.Shot(7980));
    const platform::DecodedPicture whole = Picture(clicked.Shot(7700));
    const platform::DecodedPicture map = Picture(clicked.Shot(9500));
    ASSERT_EQ(whole.width, 1024);
    ASSERT_EQ(whole.height, 768);
    EXPECT_FALSE(IsPaper(Pixel(menu, 2, 2)));
    // The page covers the screen at once after the click, its third panel
    // (the sky at 512, 430) in; 700 ms after the fade the first two are in
    // and the third is still coming in.
    for (auto [x, y] : {std::pair{2, 2}, {1021, 2}, {2, 765}, {1021, 765}, {512, 380}})
        EXPECT_TRUE(IsPaper(Pixel(whole, x, y))) << x << ", " << y << ": " << std::hex << Pixel(whole, x, y);
    const uint32_t sky = Pixel(whole, 512, 430);
    EXPECT_FALSE(IsPaper(sky)) << std::hex << sky;
    EXPECT_TRUE(IsPaper(Pixel(popping, 2, 2)));
    EXPECT_EQ(Pixel(popping, 200, 150), Pixel(whole, 200, 150));
    EXPECT_EQ(Pixel(popping, 800, 150), Pixel(whole, 800, 150));
    EXPECT_NE(Pixel(popping, 512, 430), sky);
    // The second click left the page for the map.
    EXPECT_NE(Pixel(map, 512, 430), sky);
    EXPECT_FALSE(IsPaper(Pixel(map, 2, 2)));
}
