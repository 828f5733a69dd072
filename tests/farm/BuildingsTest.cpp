// The building types: the loader's layout and refusals, enabling a type in
// a level, acquiring its graphics, the build menu's question, the
// warehouse capacities and the mirror rule.
#include "tests/farm/FarmTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace farmtest;

namespace {

struct Tables {
    RecordingResources resources;
    ProductList products{&resources};
    BuildingList buildings{&resources, &products};
};

bool LoadBuildings(Tables& t, const FarmTablesSource& source) {
    Pack pack({{kBuildingChunkId, 1, BuildingChunkBytes(source)}});
    return LoadAll(t.buildings, pack.Reader());
}

} // namespace

TEST(Buildings, ATypeTakesItsHeaderAndOneRecordPerLevel) {
    FarmTablesSource source;
    source.buildings = {Factory("bakery", {"bread"}, 2), Warehouse(4)};
    source.buildings[0].levels[1].price = 120;
    const std::vector<uint8_t> bytes = BuildingChunkBytes(source);
    EXPECT_EQ(bytes.size(), 4u + 504 + 2 * 1372 + 504 + 4 * 1372);
    Tables t;
    ASSERT_TRUE(LoadBuildings(t, source));
    ASSERT_EQ(t.buildings.Count(), 2);
    const BUILDING* bakery = t.buildings.FindBuildingByName(u"bakery");
    ASSERT_NE(bakery, nullptr);
    EXPECT_EQ(bakery->levels[1].record.price, 120);
    const BUILDING* warehouse = t.buildings.FindBuildingByName(u"warehouse");
    ASSERT_NE(warehouse, nullptr) << "the next type starts right after the last level";
    EXPECT_EQ(warehouse->header.levelCount, 4);
    EXPECT_EQ(warehouse->levels[3].record.capacityOrAnimationCount, 200);
    EXPECT_EQ(t.buildings.FindBuildingType(0), nullptr);
}

// Each count that indexes fixed room in the record, each value the game
// divides by, and a pack without the warehouse end the load with the data
// error.
TEST(Buildings, TheLoaderRefusesWhatTheRecordsCannotHold) {
    using Change = std::function<void(FarmTablesSource&)>;
    auto bakery = [](FarmTablesSource& s) -> BuildingTypeSource& { return s.buildings[1]; };
    const std::pair<const char*, Change> cases[] = {
        {"level count 0", [](auto& s) { s.buildings[0].header.levelCount = 0; }},
        {"level count -1", [](auto& s) { s.buildings[0].header.levelCount = -1; }},
        {"level count 5", [](auto& s) { s.buildings[0].header.levelCount = 5; }},
        {"six factory products", [&](auto& s) { bakery(s).header.characterOrProductCount = 6; }},
        {"three extra sprites", [&](auto& s) { bakery(s).levels[0].extraCount = 3; }},
        {"negative extra sprites", [&](auto& s) { bakery(s).levels[0].extraCount = -1; }},
        {"five animations", [&](auto& s) { bakery(s).levels[1].capacityOrAnimationCount = 5; }},
        {"33 frames in a cycle", [&](auto& s) { bakery(s).levels[0].animations[0].framesInCycle = 33; }},
        {"17 emitters", [&](auto& s) { bakery(s).levels[0].emitterCount = 17; }},
        {"animal production time 0",
         [](auto& s) {
             s.buildings.push_back(AnimalHouse("cowshed"));
             s.buildings.back().header.animal.productionTime = 0;
         }},
        {"henhouse eating time 0",
         [](auto& s) {
             s.buildings.push_back(AnimalHouse("henhouse"));
             s.buildings.back().header.animal.eatingTime = 0;
         }},
        {"no warehouse", [](auto& s) { s.buildings.erase(s.buildings.begin()); }},
        {"an unterminated site name",
         [](auto& s) {
             for (char16_t& c : s.buildings[0].header.siteSpriteName)
                 c = u'x';
         }},
    };
    FarmTablesSource good;
    good.buildings = {Warehouse(), Factory("bakery", {"bread"})};
    {
        Tables t;
        ASSERT_TRUE(LoadBuildings(t, good));
    }
    for (const auto& [what, change] : cases) {
        FarmTablesSource source = good;
        change(source);
        Tables t;
        EXPECT_FALSE(LoadBuildings(t, source)) << what;
        EXPECT_FALSE(CheckFarmTables(source).empty()) << what << ": the content tool refuses it too";
    }
    // A cowshed may eat in no time; only the henhouse divides by it.
    FarmTablesSource cowshed = good;
    cowshed.buildings.push_back(AnimalHouse("cowshed"));
    cowshed.buildings.back().header.animal.eatingTime = 0;
    Tables t;
    EXPECT_TRUE(LoadBuildings(t, cowshed));
}

TEST(Buildings, WarehouseCapacityClampsTheLevel) {
    Tables t;
    PRODUCT* wheat = t.products.Add(Product("wheat"));
    BuildingTypeSource w = Warehouse(4);
    t.buildings.Add(w.header, w.levels);
    const std::pair<int32_t, int32_t> cases[] = {{0, 50}, {1, 50}, {2, 100}, {4, 200}, {9, 200}, {-3, 50}};
    for (auto [level, capacity] : cases)
        EXPECT_EQ(t.buildings.GetWarehouseCapacity(wheat, level), capacity) << level;
    EXPECT_EQ(t.buildings.GetWarehouseCapacity(nullptr, 2), 0);

    // A warehouse of two levels answers its second level above that.
    Tables two;
    PRODUCT* egg = two.products.Add(Product("egg"));
    BuildingTypeSource w2 = Warehouse(2);
    two.buildings.Add(w2.header, w2.levels);
    EXPECT_EQ(two.buildings.GetWarehouseCapacity(egg, 4), 100);

    Tables none;
    EXPECT_EQ(none.buildings.GetWarehouseCapacity(none.products.Add(Product("egg")), 1), 0);

    // A capacity below 0 in the table holds nothing.
    Tables bad;
    BuildingTypeSource w3 = Warehouse(1);
    w3.levels[0].capacityOrAnimationCount = -5;
    bad.buildings.Add(w3.header, w3.levels);
    EXPECT_EQ(bad.buildings.GetWarehouseCapacity(bad.products.Add(Product("egg")), 1), 0);
}

TEST(Buildings, NegativeFramesInACycleTakeTheSpritesFramesUpTo32) {
    const std::pair<int32_t, int32_t> cases[] = {{40, 32}, {6, 6}, {32, 32}};
    for (auto [frames, cycle] : cases) {
        Tables t;
        t.resources.AddSprite(kBuildingLibrary, u"oven", frames);
        BuildingTypeSource b = Factory("bakery", {"bread"}, 1);
        b.levels[0].capacityOrAnimationCount = 2;
        b.levels[0].animations[1] = b.levels[0].animations[0];
        b.levels[0].animations[1].framesInCycle = 4;
        BUILDING* type = t.buildings.Add(b.header, b.levels);
        EXPECT_EQ(type->levels[0].record.animations[0].framesInCycle, -1) << "not before it is acquired";
        t.buildings.Acquire(type);
        EXPECT_EQ(type->levels[0].record.animations[0].framesInCycle, cycle) << frames;
        EXPECT_EQ(type->levels[0].record.animations[1].framesInCycle, 4) << "a given cycle stays";
    }
}

TEST(Buildings, EnablingMarksProductsUsedAndAcquiresOnce) {
    Tables t;
    t.resources.AddSprite(kBuildingLibrary, u"oven", 4);
    t.products.Add(Product("bread"));
    PRODUCT* wheat = t.products.Add(Product("wheat"));
    PRODUCT* egg = t.products.Add(Product("egg"));
    BuildingTypeSource f = Factory("bakery", {"bread"});
    BUILDING* bakery = t.buildings.Add(f.header, f.levels);
    BuildingTypeSource h = AnimalHouse("henhouse");
    BUILDING* henhouse = t.buildings.Add(h.header, h.levels);

    t.buildings.EnableBuilding(bakery, 1);
    EXPECT_TRUE(bakery->usable);
    EXPECT_EQ(bakery->highestLevel, 1);
    EXPECT_EQ(bakery->acquireCount, 1u);
    EXPECT_TRUE(t.products.FindProductByName(u"bread")->used);
    EXPECT_EQ(t.resources.soundsLoaded, std::vector<std::u16string>{u"work"});
    EXPECT_EQ(t.resources.Fake(kBuildingLibrary, u"oven")->acquired, 2)
        << "one animation on each of 2 levels";

    t.buildings.EnableBuilding(bakery, 2);
    EXPECT_EQ(bakery->highestLevel, 2) << "enabling again only changes the highest level";
    EXPECT_EQ(bakery->acquireCount, 1u);
    EXPECT_EQ(t.resources.soundsLoaded.size(), 1u);

    t.buildings.EnableBuilding(henhouse, 1);
    EXPECT_TRUE(egg->used) << "the produce";
    EXPECT_FALSE(wheat->used) << "the feed is bought, not made";
    EXPECT_EQ(henhouse->produceProduct, egg);
    EXPECT_EQ(egg->acquireCount, 1u);

    t.buildings.ResetUsedFlags();
    EXPECT_FALSE(bakery->usable);
}

TEST(Buildings, AFactoryWithoutAnAvailableProductIsNotOffered) {
    Tables t;
    t.products.Add(Product("flour"));
    t.products.Add(Product("cake", {{kis::NameId("flour"), 1}}));
    t.products.ResolveIngredients();
    BuildingTypeSource f = Factory("bakery", {"cake"});
    BUILDING* bakery = t.buildings.Add(f.header, f.levels);
    BuildingTypeSource w = Warehouse();
    BUILDING* warehouse = t.buildings.Add(w.header, w.levels);
    EXPECT_FALSE(t.buildings.IsBuildingTypeAvailable(warehouse)) << "not enabled";
    t.buildings.EnableBuilding(warehouse, 4);
    EXPECT_TRUE(t.buildings.IsBuildingTypeAvailable(warehouse));

    t.buildings.EnableBuilding(bakery, 2); // marks cake used, but flour is not
    EXPECT_FALSE(t.buildings.IsBuildingTypeAvailable(bakery));
    EXPECT_FALSE(bakery->usable) << "the flag is cleared";

    Tables ok;
    ok.products.Add(Product("flour"));
    ok.products.Add(Product("cake", {{kis::NameId("flour"), 1}}));
    ok.products.ResolveIngredients();
    BUILDING* oven = ok.buildings.Add(f.header, f.levels);
    ok.products.MarkUsedById(kis::NameId("flour"));
    ok.buildings.EnableBuilding(oven, 2);
    EXPECT_TRUE(ok.buildings.IsBuildingTypeAvailable(oven));
}

TEST(Buildings, TheMirrorRule) {
    struct Case {
        uint8_t a, b;
        bool requested, mirrored;
    };
    const Case cases[] = {
        {0, 0, true, false}, {0, 1, false, true}, {0, 1, true, true},   {1, 1, true, false},
        {1, 1, false, true}, {1, 0, true, true},  {1, 0, false, false}, {7, 3, false, true},
    };
    for (const Case& c : cases) {
        BuildingHeader h = {};
        h.mirrorA = c.a;
        h.mirrorB = c.b;
        EXPECT_EQ(ResolveBuildingMirror(h, c.requested), c.mirrored) << int(c.a) << int(c.b) << c.requested;
    }
}
