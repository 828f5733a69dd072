// The panels of a selected point in the running level, played from the
// stand-in screen (digits and F6 open a level by its number) at 1024 x 768,
// where the field is drawn unscaled: the bakery of level 36 raised to level 2
// from its building panel, and the clean site of level 35 sown with wheat from
// its build menus.
#include "tests/game/ProgramTest.h"

using namespace programtest;
using testsupport::LevelData;

namespace {

using testsupport::script::held::Click;
using testsupport::script::held::Key;
using testsupport::script::held::OpenLevel;

// Input starts once the game data is surely loaded (a click skips the logos).
constexpr int kReady = 6000;

// The child panel's buttons at 1024 x 768: the building panel's upgrade
// (x0 + 196 in the child area) and the build menus' rows of 98-px buttons
// centred in the child area.
constexpr int kPanelButtonY = 722;
constexpr int kUpgradeX = 661;
constexpr int kChildCentreX = 626;

using testsupport::script::Move;

int RunGame(const GameCopy& game, const std::string& events, const std::string& extra) {
    return testsupport::RunScript(game, "play", testsupport::script::SkipLogos() + events, extra);
}

bool Has(const std::string& line, const std::string& text) {
    return line.find(text) != std::string::npos;
}

// Grey smoke puffs: light, unsaturated pixels.
bool Smoke(int r, int g, int b) {
    return r > 150 && std::abs(r - g) < 12 && std::abs(g - b) < 12 && r < 235;
}

void UseLargeWindow(const GameCopy& game) {
    ASSERT_TRUE(testsupport::UseWindow(game));
}

} // namespace

// Level 36: the bakery at (520, 300) is selected; its panel's upgrade button
// shows the level-2 price (80 of 200); pressed, it takes the money, the
// farmer hammers ("girl_build" for the level's 5,000 ms) and the bakery
// stands at level 2 with two slots, both baking, the chimney smoking.
TEST(SitePanelScenario, TheBakeryIsRaisedToLevelTwoFromItsPanelAndBakesInTwoSlots) {
    GameCopy game(LevelData::Scenarios);
    UseLargeWindow(game);
    const int start = kReady + 1000;
    const std::string panel = game.File("panel.png"), building = game.File("building.png"),
                      baking = game.File("baking.png"), smoke1 = game.File("smoke1.png"),
                      smoke2 = game.File("smoke2.png");
    const std::string play =
        OpenLevel(kReady, "36") + Click(start, 520, 270) + Move(start + 700, kUpgradeX, kPanelButtonY) +
        Click(start + 1500, kUpgradeX, kPanelButtonY) + Move(start + 1800, 800, 500) +
        Click(start + 11000, 520, 150) + Move(start + 11300, 800, 500) + Click(start + 11600, 520, 150) +
        Move(start + 11900, 800, 500) + std::to_string(start + 13500) + " close\n";
    ASSERT_EQ(RunGame(game, play,
                      testsupport::ScreenshotAt(start + 1300, panel) +
                          testsupport::ScreenshotAt(start + 4000, building) +
                          testsupport::ScreenshotAt(start + 12200, smoke1) +
                          testsupport::ScreenshotAt(start + 12600, smoke2) +
                          testsupport::ScreenshotAt(start + 13000, baking)),
              0);
    const std::string log = game.Log();
    const auto ordered = testsupport::LogLines(log, "Upgrade ");
    ASSERT_EQ(ordered.size(), 1u) << log;
    EXPECT_TRUE(Has(ordered[0], "bakery to level 2 ordered, money 120")) << ordered[0];
    const auto hammering = testsupport::LogLines(log, "the farmer plays girl_build");
    ASSERT_EQ(hammering.size(), 1u) << log;
    EXPECT_TRUE(Has(hammering[0], "for 5000 ms")) << hammering[0];
    const auto stages = testsupport::LogLines(log, "Point stage");
    ASSERT_EQ(stages.size(), 1u) << log;
    EXPECT_TRUE(Has(stages[0], "point 1 (kind 3) at stage 2")) << stages[0];
    // Two slots: the second start finds room while the first still bakes.
    EXPECT_EQ(testsupport::LogLines(log, "Production started").size(), 2u) << log;

    const Shot a = LoadShot(panel), b = LoadShot(building), c = LoadShot(baking);
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    // The upgrade button's cream face while it can be pressed; greyed (no
    // cream left) while the farmer builds.
    auto cream = [](int r, int g, int bl) { return r > 225 && g > 205 && bl > 150 && r - bl > 15; };
    EXPECT_GT(a.Count(615, 690, 705, 755, cream), 1000);
    EXPECT_LT(b.Count(615, 690, 705, 755, cream), 50);
    // The level block's picture of the bakery: its badge a good 20 px across.
    EXPECT_GT(a.NearIn(490, 695, 530, 730, 0xC89858, 16), 200);
    // Both slot buttons over the level-2 bakery, and smoke over its chimney.
    auto slotGreen = [](int r, int g, int bl) { return g > 150 && r > 100 && r < 190 && bl < 120; };
    EXPECT_GT(c.Count(485, 165, 520, 205, slotGreen), 20);
    EXPECT_GT(c.Count(520, 165, 555, 205, slotGreen), 20);
    // The puffs rise at random: in one of three moments of the baking
    // there is more smoke than while the farmer built.
    int smoke = c.Count(520, 170, 570, 230, Smoke);
    for (const std::string& file : {smoke1, smoke2}) {
        const Shot moment = LoadShot(file);
        ASSERT_TRUE(moment.ok);
        smoke = std::max(smoke, moment.Count(520, 170, 570, 230, Smoke));
    }
    EXPECT_GT(smoke, b.Count(520, 170, 570, 230, Smoke) + 3);
}

// Level 35: a click on the clean site at (620, 418) shows the build menus;
// the plants button opens the plant choices (wheat 10, the apple tree 30);
// wheat is ordered for its price, the farmer digs, the bed stands at stage 1
// and its wheat grows ripe (the harvest button over it).
TEST(SitePanelScenario, TheCleanSiteIsSownWithWheatFromItsBuildMenus) {
    GameCopy game(LevelData::Scenarios);
    UseLargeWindow(game);
    const int start = kReady + 1000;
    const std::string menu = game.File("menu.png"), choices = game.File("choices.png"),
                      grown = game.File("grown.png");
    // Wheat is the first of the three buttons (two plants and back) centred in the child area.
    const int wheatX = kChildCentreX - 98;
    const std::string play = OpenLevel(kReady, "35") + Click(start, 620, 418) + Move(start + 400, 300, 500) +
                             Click(start + 800, kChildCentreX, kPanelButtonY) + Move(start + 1100, 300, 500) +
                             Click(start + 2000, wheatX, kPanelButtonY) + Move(start + 2300, 300, 500) +
                             std::to_string(start + 12000) + " close\n";
    ASSERT_EQ(RunGame(game, play,
                      testsupport::ScreenshotAt(start + 600, menu) +
                          testsupport::ScreenshotAt(start + 1600, choices) +
                          testsupport::ScreenshotAt(start + 11500, grown)),
              0);
    const std::string log = game.Log();
    const auto sites = testsupport::LogLines(log, "Site ");
    ASSERT_EQ(sites.size(), 1u) << log;
    EXPECT_TRUE(Has(sites[0], "point 3: wheat ordered (price 10, money 190)")) << sites[0];
    const auto stages = testsupport::LogLines(log, "Point stage");
    ASSERT_GE(stages.size(), 1u) << log;
    EXPECT_TRUE(Has(stages.back(), "point 3 (kind 2) at stage 1")) << stages.back();

    const Shot a = LoadShot(menu), b = LoadShot(choices), c = LoadShot(grown);
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    // The plants button's green disc in the menu; the apple's red on the choices page.
    auto plantsGreen = [](int r, int g, int bl) { return g > 110 && g < 160 && r < 100 && bl < 70; };
    EXPECT_GT(a.Count(kChildCentreX - 30, 690, kChildCentreX + 30, 730, plantsGreen), 100);
    auto appleRed = [](int r, int g, int bl) { return r > 170 && g < 80 && bl < 80; };
    EXPECT_GT(b.Count(kChildCentreX - 30, 690, kChildCentreX + 30, 730, appleRed), 60);
    EXPECT_EQ(a.Count(kChildCentreX - 30, 690, kChildCentreX + 30, 730, appleRed), 0);
    // The bed on the site: brown soil and yellow wheat ears where there was grass.
    auto wheat = [](int r, int g, int bl) { return r > 200 && g > 160 && bl < 110; };
    EXPECT_GT(c.Count(600, 360, 640, 420, wheat), 20);
    EXPECT_EQ(a.Count(600, 360, 640, 420, wheat), 0);
}
