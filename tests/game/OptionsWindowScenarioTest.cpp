// Full screen switched on and off from the options of the main screen, the
// map and a level, and the game started in full screen, on desktops of
// 1920 x 1080 and 2560 x 1440: each screen is laid out on the new size, a
// level's field fills the screen above its panel, and the things a player
// sees answer clicks where they are drawn.
#include "tests/game/ProgramTest.h"
#include "tests/game/WindowSizes.h"

#include <unordered_map>

using namespace programtest;
using namespace windowsizes;
using testsupport::script::Move;
using testsupport::script::held::Click;
using testsupport::script::held::Key;

namespace {

constexpr WindowSize kDesktop = {1920, 1080};
// The level's own colour where nothing is drawn.
constexpr uint32_t kLevelClear = 0x203018;
// The light ring of the round buttons over a level's field.
constexpr uint32_t kButtonRing = 0xF9F1DE;

// A window of w x h centred on the screen: the screen point of (x, y) in it.
MapPoint InCentred(WindowSize screen, int w, int h, int x, int y) {
    return {(screen.width - w) / 2 + x, (screen.height - h) / 2 + y};
}
// The options window (520 x 330): its full screen box and "Close".
MapPoint FullScreenBox(WindowSize screen) {
    return InCentred(screen, 520, 330, 38, 82);
}
MapPoint OptionsClose(WindowSize screen) {
    return InCentred(screen, 520, 330, 260, 297);
}
// The pause menu (510 px high): its bar n from the top (0 "Continue", 3
// "Options", 4 "To the map").
MapPoint MenuBar(WindowSize screen, int n) {
    return InCentred(screen, 0, 510, 0, 94 + 68 * n + 20);
}
// The level panel's "Menu" in the top right corner.
MapPoint PanelMenu(WindowSize screen) {
    return {screen.width - 45, 16};
}
// The map's level window: its "Play".
MapPoint LevelWindowPlay(WindowSize screen) {
    return {screen.width / 2 + 66, screen.height / 2 + 154};
}
// The map overlay's "Options" in the top right corner.
MapPoint MapOptions(WindowSize screen) {
    return {screen.width - 89, 22};
}
// Level 2's house on the map, laid out on the screen.
MapPoint LevelTwoHouse(WindowSize screen) {
    const MapPoint house = House(1);
    return LayoutMap(screen.width, screen.height).ToScreen(float(house.x), float(house.y));
}
// Level 2's field: the empty site at field (440, 220), and the harvest
// buttons over its beds, drawn 32 px above field y 429, which the field's
// scale enlarges and a smaller field leaves at their screen size.
MapPoint Site(const FieldOnScreen& field) {
    return {field.X(440), field.Y(220)};
}
MapPoint HarvestButton(const FieldOnScreen& field, int bed) {
    return {field.X(bed == 0 ? 480 : 700), field.Y(429) - int(std::lround(32 * std::max(field.scale, 1.0f)))};
}
// The panel's child area (its site panel, its time bar) starts right of the
// goals, which keep to the middle 900 px of a wider screen.
int ChildLeft(WindowSize screen) {
    const int content = std::min(std::max(screen.width, 800), 900);
    return (screen.width - content) / 2 + 279 + (content - 800) / 2;
}

// A player's clicks, each a held click followed by a move away, with a
// screenshot of the screen the click is placed on 100 ms before it.
class Clicks {
  public:
    explicit Clicks(const GameCopy& game) : game_(game) {}
    Clicks& At(int ms, const std::string& shot, MapPoint at) {
        shots_.emplace_back(ms - 100, game_.File(shot + ".png"));
        names_.push_back(shot);
        return At(ms, at);
    }
    // A click whose answer the log shows, without a shot of its own.
    Clicks& At(int ms, MapPoint at) {
        events_ += Click(ms, at.x, at.y) + Move(ms + 200, 2, 300);
        return *this;
    }
    // The run of the game itself, until the time, drawing only the frames
    // the shots take and every 20th; answers the log.
    std::string Play(const std::string& name, int untilMs, const std::string& moreArguments = "") const {
        return testsupport::PlayNamed(game_, {.name = name,
                                              .events = testsupport::script::SkipLogos() + events_,
                                              .untilMs = untilMs,
                                              .shots = shots_,
                                              .moreArguments = " --draw-every 20" + moreArguments,
                                              .program = true});
    }
    const std::vector<std::string>& Names() const { return names_; }

  private:
    const GameCopy& game_;
    std::string events_;
    std::vector<std::pair<int, std::string>> shots_;
    std::vector<std::string> names_;
};

// The share of the rectangle that its most common colour covers.
double LargestFlatShare(const Shot& shot, int left, int top, int right, int bottom) {
    std::unordered_map<uint32_t, int> counts;
    int most = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            most = std::max(most, ++counts[shot.At(x, y) & 0xFFFFFF]);
    return double(most) / double((right - left) * (bottom - top));
}

// The middle of the box around the pixels of a colour in a square of
// half-size half around (x, y); (-1, -1) when none is there.
MapPoint MiddleOf(const Shot& shot, MapPoint at, int half, uint32_t colour, int tolerance) {
    int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
    for (int y = std::max(at.y - half, 0); y <= at.y + half && y < shot.picture.height; ++y)
        for (int x = std::max(at.x - half, 0); x <= at.x + half && x < shot.picture.width; ++x)
            if (shot.Near(x, y, 0, colour, tolerance) > 0)
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                bottom = std::max(bottom, y);
    if (right < 0) return {-1, -1};
    return {(left + right) / 2, (top + bottom) / 2};
}

// A level at the screen size, its field shown whole above the panel: no
// colour covers more than a tenth of the screen above the panel and none of
// it is the level's bare background; the panel's time bar stands in its
// child area, right of the goals.
void ExpectLevelFillsTheScreen(const Shot& shot, WindowSize screen) {
    ASSERT_EQ(shot.picture.width, screen.width);
    ASSERT_EQ(shot.picture.height, screen.height);
    const int panelTop = screen.height - 115;
    EXPECT_LT(LargestFlatShare(shot, 0, 0, screen.width, panelTop), 0.10);
    EXPECT_EQ(shot.NearIn(0, 0, screen.width, panelTop, kLevelClear, 0), 0) << "bare background";
    const int childLeft = ChildLeft(screen);
    const auto gold = [](int r, int g, int b) { return testsupport::ColourNear(r, g, b, 0xF0C830, 10); };
    EXPECT_GT(shot.Count(childLeft, panelTop, childLeft + 420, panelTop + 20, gold), 500) << "the time bar";
    EXPECT_EQ(shot.Count(0, panelTop, childLeft - 4, panelTop + 20, gold), 0)
        << "the time bar left of its place";
}

// Level 2's harvest button over the bed is drawn centred where the click
// goes (the middle of its light ring within 3 px), and it took the click:
// it is gone from there in the next shot.
void ExpectHarvestButtonAnswered(const Shot& before, const Shot& after, const FieldOnScreen& field, int bed) {
    const MapPoint at = HarvestButton(field, bed);
    const int half = int(std::lround(20 * field.scale));
    const MapPoint ring = MiddleOf(before, at, half, kButtonRing, 8);
    EXPECT_NEAR(ring.x, at.x, 3) << "the button's ring (" << ring.x << ", " << ring.y << ")";
    EXPECT_NEAR(ring.y, at.y, 3) << "the button's ring (" << ring.x << ", " << ring.y << ")";
    EXPECT_LT(after.Near(at.x, at.y, half, kButtonRing, 8), before.Near(at.x, at.y, half, kButtonRing, 8) / 4)
        << "the button stayed";
}

// The site panel that a click on level 2's empty site opens shows its
// "Buildings" button (its red house) in the child area.
void ExpectSitePanel(const Shot& shot, WindowSize screen) {
    const int x = ChildLeft(screen) + 210 + 49, y = screen.height - 47;
    const auto house = [](int r, int g, int b) { return r > 150 && g < 80 && b < 80; };
    EXPECT_GT(shot.Count(x - 30, y - 30, x + 30, y + 10, house), 100) << "no site panel";
}

// The map laid out on the screen: its pictures cover it to the edges (no
// black left), no colour covers more than a tenth of it, and the overlay's
// "Options" stands in the top right corner.
void ExpectMapFillsTheScreen(const Shot& shot, WindowSize screen) {
    ASSERT_EQ(shot.picture.width, screen.width);
    ASSERT_EQ(shot.picture.height, screen.height);
    EXPECT_EQ(shot.NearIn(0, 0, screen.width, screen.height, 0x000000, 0), 0) << "bare background";
    EXPECT_LT(LargestFlatShare(shot, 0, 0, screen.width, screen.height), 0.10);
    const MapPoint options = MapOptions(screen);
    EXPECT_GT(shot.NearIn(options.x - 60, options.y - 12, options.x + 60, options.y + 12, 0xE8C890, 40), 1000)
        << "the overlay's Options";
}

// The options window centred on the screen: its face across its lower part.
void ExpectOptionsCentred(const Shot& shot, WindowSize screen) {
    ASSERT_EQ(shot.picture.width, screen.width);
    const MapPoint close = OptionsClose(screen);
    EXPECT_GT(shot.NearIn(close.x + 90, close.y - 60, close.x + 160, close.y - 10, kWindowFace, 6), 2500)
        << "the options centred at " << Describe(screen);
}

} // namespace

TEST(OptionsWindowScenario, FullScreenCentresTheOptionsOnTheNewScreen) {
    GameCopy game;
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=800,600\nScreen=1024,768\n"));
    // A click skips the logos; a first player "a" is made; the menu's
    // "options" at (589, 489); the options (520 x 330) stand at (140, 135)
    // with their full screen box at (178, 217), and centred on 1024 x 768 at
    // (252, 219) with "close" at (512, 516).
    const std::string events = Click(40, 500, 300) + Key(4500, "A") + Key(4600, "RETURN") +
                               Click(6700, 589, 489) + Move(6900, 5, 300) + Click(7900, 178, 217) +
                               Move(8100, 5, 300) + Click(9000, 512, 516) + Move(9200, 5, 300);
    const std::string before = game.File("before.png"), after = game.File("after.png"),
                      closed = game.File("closed.png");
    testsupport::PlayNamed(game, {.name = "options",
                                  .events = events,
                                  .untilMs = 10500,
                                  .shots = {{7800, before}, {8800, after}, {10400, closed}},
                                  .program = true});
    const Shot a = LoadShot(before), b = LoadShot(after), c = LoadShot(closed);
    ASSERT_TRUE(a.ok && b.ok && c.ok) << a.error << b.error << c.error;
    ASSERT_EQ(a.picture.width, 800);
    ASSERT_EQ(b.picture.width, 1024);
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::Occurrences(log, "The options window opens."), 1u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "Fullscreen:             Yes"), 1u) << log;
    // Across the options' lower part, beside "close".
    EXPECT_GT(a.NearIn(600, 355, 640, 395, kWindowFace, 6), 1200) << "the options at 800 x 600";
    EXPECT_GT(b.NearIn(680, 440, 750, 490, kWindowFace, 6), 2500) << "the options centred at 1024 x 768";
    EXPECT_LT(b.NearIn(150, 285, 240, 305, kWindowFace, 6), 100) << "nothing of them at the old place";
    // "close" answered where it now stands.
    EXPECT_LT(c.NearIn(270, 230, 600, 540, kWindowFace, 6), 200) << "the options closed";
}

namespace {

// Inside level 2 shown at `size`: its site clicked ("level" + k), the
// site's harvest button pressed ("site" + k), the panel's menu opened
// ("harvest" + k), then its options and the full-screen box: the options
// close at `next`'s size ("switched" + k) and the menu's first bar goes back
// to the level. Each shot is checked: the screen after each change answers.
struct LevelSwitch {
    int at;
    WindowSize size, next;
    int harvest; // which harvest of the level
    std::string k;

    void Add(Clicks& clicks) const {
        const FieldOnScreen field(size);
        clicks.At(at, "level" + k, Site(field))
            .At(at + 1000, "site" + k, HarvestButton(field, harvest))
            .At(at + 2000, "harvest" + k, PanelMenu(size))
            .At(at + 3000, MenuBar(size, 3))
            .At(at + 4000, FullScreenBox(size))
            .At(at + 5000, "switched" + k, OptionsClose(next))
            .At(at + 6000, MenuBar(next, 0));
    }
    void Expect(const Shots& shot) const {
        SCOPED_TRACE("the switch inside the level at " + std::to_string(at) + " ms");
        ExpectLevelFillsTheScreen(shot["level" + k], size);
        ExpectSitePanel(shot["site" + k], size);
        ExpectHarvestButtonAnswered(shot["site" + k], shot["harvest" + k], FieldOnScreen(size), harvest);
        ExpectOptionsCentred(shot["switched" + k], next);
    }
};

} // namespace

// Started in full screen on the desktop, the main screen, the map and level
// 2 fill it. Inside the level full screen is switched off from the pause
// menu's options: the level comes back in its 1024 x 768 window, fitted to
// it, and its menu leads to the map laid out there.
TEST(OptionsWindowScenario, FullScreenFromTheStartAndOffInsideALevel) {
    GameCopy game;
    testplayers::MakeEasyPlayer(game.User(), u"lea", 1, kLevelGold, false);
    ASSERT_TRUE(
        testsupport::WriteFileBytes(game.Game() + "/config.ini", "[Video]\nFullscreen=1\nWindow=1024,768\n"));
    const WindowSize window = {1024, 768};
    const FieldOnScreen small(window);
    Clicks clicks(game);
    // The main screen's "Easy" (1237, 683); the level loads by 13 s.
    const LevelSwitch off{13000, kDesktop, window, 0, ""};
    clicks.At(5000, "main", {1237, 683})
        .At(8000, "map", LevelTwoHouse(kDesktop))
        .At(9000, LevelWindowPlay(kDesktop));
    off.Add(clicks);
    clicks.At(20000, "level2", Site(small))
        .At(21000, "site2", HarvestButton(small, 1))
        .At(22000, "harvest2", PanelMenu(window))
        .At(23000, MenuBar(window, 4))
        .At(26000, "map2", LevelTwoHouse(window));
    const std::string log = clicks.Play("fullscreen", 26500);
    const Shots shot(game, clicks.Names());
    ASSERT_EQ(shot.Missing(), "");

    EXPECT_EQ(shot["main"].picture.width, 1920);
    EXPECT_EQ(testsupport::Occurrences(log, "the level window of level 2 opens"), 2u) << log;
    off.Expect(shot);
    EXPECT_EQ(testsupport::Occurrences(log, "Level menu opened."), 2u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "The options window opens."), 1u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "Fullscreen:             No"), 1u) << log;
    ExpectLevelFillsTheScreen(shot["level2"], window);
    ExpectSitePanel(shot["site2"], window);
    ExpectHarvestButtonAnswered(shot["site2"], shot["harvest2"], small, 1);
    EXPECT_NE(log.find("Leaving level 2."), std::string::npos) << log;
    EXPECT_EQ(shot["map2"].picture.width, 1024);
}

// In an 800 x 600 window on a 2560 x 1440 desktop, full screen is switched
// on from the map's options and level 2 is played on the whole desktop;
// inside the level it is switched off and on again from the pause menu,
// and back on the map off again. After each change the screen is laid out
// on its new size and answers: the field, a harvest button, the panel and
// the windows.
TEST(OptionsWindowScenario, FullScreenOnAndOffFromTheMapAndInsideALevel) {
    GameCopy game;
    testplayers::MakeEasyPlayer(game.User(), u"lea", 1, kLevelGold, false);
    const WindowSize window = {800, 600}, desktop = {2560, 1440};
    ASSERT_TRUE(testsupport::UseWindow(game, window.width, window.height));
    const FieldOnScreen full(desktop);
    Clicks clicks(game);
    // The main screen's "Easy" (589, 353); the level loads by 15 s.
    const LevelSwitch off{15000, desktop, window, 0, ""}, on{22000, window, desktop, 1, "2"};
    clicks.At(5000, "main", {589, 353})
        .At(7000, "map", MapOptions(window))
        .At(8000, FullScreenBox(window))
        .At(9000, "fullmap", OptionsClose(desktop))
        .At(10000, "fullmap2", LevelTwoHouse(desktop))
        .At(11000, LevelWindowPlay(desktop));
    off.Add(clicks);
    on.Add(clicks);
    clicks.At(29000, "level3", Site(full))
        .At(30000, "site3", PanelMenu(desktop))
        .At(31000, MenuBar(desktop, 4))
        .At(34000, "map2", MapOptions(desktop))
        .At(35000, FullScreenBox(desktop))
        .At(36000, "map3", OptionsClose(window))
        .At(37000, "map4", LevelTwoHouse(window));
    const std::string log = clicks.Play("onandoff", 37500, " --desktop 2560x1440");
    const Shots shot(game, clicks.Names());
    ASSERT_EQ(shot.Missing(), "");

    EXPECT_EQ(shot["main"].picture.width, 800);
    ExpectMapFillsTheScreen(shot["map"], window);
    EXPECT_EQ(testsupport::Occurrences(log, "The options window opens."), 4u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "Fullscreen:             Yes"), 2u) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "Fullscreen:             No"), 3u) << log; // with the start's
    ExpectOptionsCentred(shot["fullmap"], desktop);
    ExpectMapFillsTheScreen(shot["fullmap2"], desktop);
    EXPECT_EQ(testsupport::Occurrences(log, "the level window of level 2 opens"), 2u) << log;

    off.Expect(shot);
    on.Expect(shot);
    ExpectLevelFillsTheScreen(shot["level3"], desktop);
    ExpectSitePanel(shot["site3"], desktop);
    EXPECT_EQ(testsupport::Occurrences(log, "Level menu opened."), 3u) << log;
    EXPECT_NE(log.find("Leaving level 2."), std::string::npos) << log;

    ExpectMapFillsTheScreen(shot["map2"], desktop);
    ExpectOptionsCentred(shot["map3"], window);
    ExpectMapFillsTheScreen(shot["map4"], window);
}
