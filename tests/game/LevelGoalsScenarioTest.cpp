// The level's goals as a player meets them at 1024 x 768: every goal of the
// built tables counts what its level's field holds, stock sold from the
// warehouse window before the first click wins nothing, and a goal that
// counts a product in stock is no longer met once that product has left it.
#include "level/LevelPoint.h"
#include "tests/game/BuiltTables.h"
#include "tests/game/LevelTutorialPlay.h"

#include <map>
#include <set>

using namespace tutorialplay;

namespace {

// The panel's warehouse button; in the warehouse window the first tile
// (the wheat), "sell five" and "close".
constexpr int kWarehouseX = 911, kWarehouseY = 711;
constexpr int kTileX = 278, kTileY = 273;
constexpr int kSellFiveX = 760, kSellFiveY = 418;
constexpr int kCloseX = 514, kCloseY = 561;

// Opens the warehouse window, picks the wheat and sells five wheat `times`
// times from startMs on, one sale every 300 ms.
std::string SellWheat(int startMs, int times) {
    std::string s = Click(startMs, kWarehouseX, kWarehouseY) + Click(startMs + 1200, kTileX, kTileY);
    for (int i = 0; i < times; ++i)
        s += Click(startMs + 1800 + 600 * i, kSellFiveX, kSellFiveY);
    return s;
}

// A player without the tutorials (they hold the panel until the clock
// starts) with the level of the index open.
void MakeQuietPlayer(const std::string& user, int32_t openLevel) {
    testplayers::MakePlayer(user, u"ida", [openLevel](ProfileRecord& record) {
        record.results.tutorial = 0;
        record.results.regimes[kRegimeEasy].levels[openLevel].status = kLevelOpen;
    });
}

// What a level's plants, animal houses and factories make.
std::set<uint32_t> ProductsMade(const builttables::Tables& tables, const Level& level) {
    std::set<uint32_t> made;
    const LevelRecord& r = level.record;
    for (uint32_t i = 0; i < r.plantCount; ++i)
        if (const PLANT* plant = tables.plants.FindPlant(r.plants[i].id))
            made.insert(plant->record.productId);
    for (int32_t t = 0; t < tables.buildings.Count(); ++t) {
        const BUILDING* type = tables.buildings.Get(t);
        if (!builttables::Allows(level, type->header.id)) continue;
        if (type->produceProduct) made.insert(type->produceProduct->record.id);
        for (int32_t k = 0; k < type->FactoryProductCount(); ++k)
            made.insert(type->header.factory.productIds[k]);
    }
    return made;
}

// The highest stage (plants) or level (building types) a level enables of an id; 0 none.
uint32_t Enabled(const IdCount* list, uint32_t count, uint32_t id) {
    for (uint32_t i = 0; i < count; ++i)
        if (list[i].id == id) return list[i].count;
    return 0;
}

} // namespace

// Every goal of every level, of the campaign and of the tests' layouts,
// counts what the level's field holds: a sites goal wants every garbage heap
// cleared (the level window shows the heaps, the panel counts down from the
// target to the heaps left); a plant or building goal names what the level
// enables up to the goal's stage, with beds, points or sites enough for its
// target; a product goal names a product the level makes or starts with.
TEST(LevelGoals, EveryGoalOfTheBuiltTablesCountsWhatItsFieldHolds) {
    for (const char* data : {"/Data/Data.dat", "/ScenarioData/Data.dat"}) {
        SCOPED_TRACE(data);
        builttables::Tables tables;
        std::string why;
        ASSERT_TRUE(tables.Load(testsupport::BuiltProgramFolder() + data, &why)) << why;
        int goals = 0;
        for (uint32_t index = 0; index < kLevelCount; ++index) {
            const Level* level = tables.levels.Get(index);
            if (!level) continue;
            const LevelRecord& r = level->record;
            int32_t heaps = 0, sites = 0;
            std::map<std::pair<uint32_t, uint32_t>, int32_t> points; // (kind, object): count
            for (const PointRecord& p : level->points) {
                if (p.kind == kPointEmptySite) ++sites, heaps += p.objectId != 0;
                ++points[std::pair(p.kind, p.objectId)];
            }
            const std::set<uint32_t> made = ProductsMade(tables, *level);
            for (uint32_t regime = 0; regime < 2; ++regime)
                for (uint32_t g = 0; g < r.regimes[regime].goalCount; ++g, ++goals) {
                    const GoalRecord& goal = r.regimes[regime].goals[g];
                    SCOPED_TRACE(testing::Message()
                                 << "level " << index + 1 << " regime " << regime << " goal " << g);
                    const int32_t target = int32_t(goal.target);
                    switch (goal.kind) {
                    case kGoalGarbageSites:
                        EXPECT_EQ(target, heaps) << "a sites goal clears every heap on the field";
                        break;
                    case kGoalPlant:
                        EXPECT_GE(Enabled(r.plants, r.plantCount, goal.objectId), goal.stage);
                        EXPECT_LE(target, points[std::pair(kPointPlant, goal.objectId)] + sites);
                        break;
                    case kGoalBuilding:
                        EXPECT_GE(Enabled(r.types, r.typeCount, goal.objectId), goal.stage);
                        EXPECT_LE(target, points[std::pair(kPointBuilding, goal.objectId)] +
                                              points[std::pair(kPointWarehouse, goal.objectId)] + sites);
                        break;
                    case kGoalProduct:
                        EXPECT_TRUE(made.count(goal.objectId) ||
                                    int32_t(Enabled(r.stock, r.stockCount, goal.objectId)) >= target)
                            << "nothing in the level makes the product";
                        break;
                    default:
                        EXPECT_EQ(goal.kind, uint32_t(kGoalMoney));
                    }
                }
        }
        EXPECT_GT(goals, 40) << "the table has its goals";
    }
}

// Level 29 starts with 500 money and 50 wheat (worth 100). Before the first
// click the warehouse window sells every wheat; the clock has not started,
// so nothing is won, and the money alone does not meet the goal once it runs.
TEST(LevelGoalsScenario, SellingTheStartingStockBeforeTheFirstClickWinsNothing) {
    GameCopy game;
    MakeQuietPlayer(game.User(), 28);
    const std::string events = Opening("29") + SellWheat(8000, 10) + Click(16500, kCloseX, kCloseY) +
                               Click(17500, 460, 300) + Click(18000, 460, 300);
    const std::string log =
        Play(game, events, {{7800, "before"}, {9800, "window"}, {16200, "sold"}, {21900, "after"}}, 22000);
    EXPECT_EQ(testsupport::Occurrences(log, "sold for 10, money"), 10u) << log;
    EXPECT_NE(log.find("sold for 10, money 600"), std::string::npos) << log;
    EXPECT_EQ(log.find("Level won"), std::string::npos) << log;

    const Shot before = Load(game, "before"), window = Load(game, "window"), sold = Load(game, "sold"),
               after = Load(game, "after");
    ASSERT_TRUE(before.ok && window.ok && sold.ok && after.ok);
    const auto cream = [](int r, int g, int b) { return r > 230 && g > 215 && b > 180; };
    const auto white = [](int r, int g, int b) { return r > 240 && g > 240 && b > 240; };
    // The warehouse window opened over the field and stayed open through the sales.
    EXPECT_LT(before.Count(250, 330, 780, 400, cream), 500);
    EXPECT_GT(window.Count(250, 330, 780, 400, cream), 20000);
    EXPECT_GT(sold.Count(250, 330, 780, 400, cream), 20000);
    // "Click to start" waited under the window; the click on the bed after
    // closing it started the clock: the text went and the window with it.
    EXPECT_GT(before.Count(385, 555, 640, 590, white), 400);
    EXPECT_LT(after.Count(385, 555, 640, 590, white), 100);
    EXPECT_LT(after.Count(250, 330, 780, 400, cream), 500);
    // The money goal's blue target stands clear above the progress's dark-rimmed digits.
    const auto rim = [](int r, int g, int b) { return r + g + b < 200 && b <= r + 20; };
    int top = 712;
    while (top < 760 && before.Count(195, top, 255, top + 1, rim) == 0)
        ++top;
    EXPECT_EQ(before.Count(195, top - 3, 255, 760, [](int r, int, int b) { return b > r + 60; }), 0) << top;
}

// The tests' level 39 starts with 50 wheat and 5 eggs; its goals want the 50
// wheat in stock and its garbage heap cleared. A click on the bakery starts
// the clock, its bread button takes 2 wheat and an egg, and the farmer
// clears the heap: the sites goal is met, the wheat goal no longer is, and
// nothing is won (the bread is still in the oven).
TEST(LevelGoalsScenario, AProductGoalIsCountedAgainWhenTheProductLeavesTheStock) {
    GameCopy game(testsupport::LevelData::Scenarios);
    MakeQuietPlayer(game.User(), 38);
    const std::string events = Opening("39") + Click(7500, 520, 270) + Click(8000, 520, 150) +
                               Click(8500, 420, 480) + Click(9000, 420, 430);
    const std::string log = Play(game, events, {{7400, "before"}, {17900, "after"}}, 18000);
    ASSERT_EQ(testsupport::LogLines(log, "Production started").size(), 1u) << log;
    EXPECT_EQ(testsupport::LogLines(log, "Unit produced").size(), 0u) << log;
    EXPECT_EQ(log.find("Level won"), std::string::npos) << log;
    // The heap (brown, at 420, 480) is gone.
    const Shot before = Load(game, "before"), after = Load(game, "after");
    ASSERT_TRUE(before.ok && after.ok);
    const auto heap = [](int r, int g, int b) { return r > 80 && r < 170 && g > 50 && g < 120 && b < 80; };
    EXPECT_GT(before.Count(380, 450, 440, 500, heap), 150);
    EXPECT_LT(after.Count(380, 450, 440, 500, heap), 40);
}

// Level 7 from the map for a player without tutorials: its level window and
// its panel count the two garbage heaps on the field. The farmer clears the
// heap at (780, 250): the panel's sites goal is not met while the heap at
// (720, 470) stands; once she has cleared that one too it turns green.
TEST(LevelGoalsScenario, LevelSevensSitesGoalCountsBothHeaps) {
    GameCopy game;
    testplayers::MakeEasyPlayer(game.User(), u"ida", 6, kLevelSilver, false);
    const std::string events = MapOpening(6) + Click(13000, 780, 250) + Click(13500, 780, 194) +
                               Click(24500, 720, 470) + Click(25000, 720, 414);
    const std::vector<std::pair<int, std::string>> taken = {{24000, "one"}, {34000, "both"}};
    PlayGame(game, events, taken, 34100, "heaps-");
    const Shots shots(game, taken);
    ASSERT_EQ(shots.Missing(), "");
    // The panel's goal buttons: "Collect" (wheat), then "Clean up"; a met
    // goal's face is green.
    constexpr uint32_t kMetFace = 0xC8F0A0;
    const auto met = [&](const std::string& shot, int left) {
        return shots[shot].NearIn(left, 662, left + 150, 760, kMetFace, 8) > 5000;
    };
    EXPECT_FALSE(met("one", 232)) << "one heap of two cleared";
    EXPECT_TRUE(met("both", 232)) << "both heaps cleared";
    EXPECT_FALSE(met("both", 70)) << "the wheat is still to come";
}
