// The plant data: the loader's layout and refusals, enabling plants in a
// level, the crop sprite effects and the level's bed set.
#include "tests/farm/FarmTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace farmtest;

namespace {

struct Tables {
    RecordingResources resources;
    ProductList products{&resources};
    PlantData plants{&resources, &products};
};

bool LoadPlants(Tables& t, const FarmTablesSource& source) {
    Pack pack({{kPlantChunkId, 1, PlantChunkBytes(source)}});
    return LoadAll(t.plants, pack.Reader());
}

} // namespace

TEST(Plants, TheLoaderReadsSettingsBedSetsAndPlants) {
    Tables t;
    t.products.Add(Product("wheat"));
    t.resources.AddSprite(kPlantLibrary, u"trunk");
    FarmTablesSource sample = Sample();
    sample.plantSettings.harvestMs = 1500;
    ASSERT_TRUE(LoadPlants(t, sample));
    EXPECT_EQ(t.plants.Settings().harvestMs, 1500u);
    EXPECT_EQ(t.plants.Settings().stages[3].spriteCount, 4);
    EXPECT_EQ(t.plants.BedSetCount(), 1);
    ASSERT_EQ(t.plants.Count(), 2);
    const PLANT* wheat = t.plants.FindPlantByName(u"wheat");
    ASSERT_NE(wheat, nullptr);
    EXPECT_EQ(wheat->product, t.products.FindProductByName(u"wheat"));
    const PLANT* tree = t.plants.FindPlantByName(u"apple_tree");
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->IsTree());
    EXPECT_EQ(tree->product, nullptr) << "no apple in this product table";
    EXPECT_NE(tree->trunkSprite, nullptr);
    EXPECT_EQ(tree->record.fruitCounts[3], 5);
    EXPECT_EQ(t.plants.FindPlant(0), nullptr);
}

TEST(Plants, AnEmptyChunkLoadsEmptyLists) {
    Tables t;
    FarmTablesSource empty;
    ASSERT_TRUE(LoadPlants(t, empty));
    EXPECT_EQ(t.plants.BedSetCount(), 0);
    EXPECT_EQ(t.plants.Count(), 0);
}

TEST(Plants, TheLoaderRefusesWhatTheRecordsCannotHold) {
    using Change = std::function<void(FarmTablesSource&)>;
    auto tree = [](FarmTablesSource& s) -> PlantRecord& { return s.plants[1]; };
    const std::pair<const char*, Change> cases[] = {
        {"five plant sprites at a stage", [](auto& s) { s.plantSettings.stages[2].spriteCount = 5; }},
        {"negative plant sprites", [](auto& s) { s.plantSettings.stages[0].spriteCount = -1; }},
        {"25 fruits", [&](auto& s) { tree(s).fruitCounts[3] = 25; }},
        {"a stage with more fruits than stage 4", [&](auto& s) { tree(s).fruitCounts[1] = 6; }},
        {"negative fruits", [&](auto& s) { tree(s).fruitCounts[0] = -1; }},
        {"an unterminated bed sprite",
         [](auto& s) {
             for (char16_t& c : s.bedSets[0].spriteNames[2])
                 c = u'b';
         }},
        {"an unterminated fruit sprite",
         [&](auto& s) {
             for (char16_t& c : tree(s).fruitSpriteName)
                 c = u'f';
         }},
    };
    for (const auto& [what, change] : cases) {
        FarmTablesSource source = Sample();
        change(source);
        Tables t;
        EXPECT_FALSE(LoadPlants(t, source)) << what;
        EXPECT_FALSE(CheckFarmTables(source).empty()) << what;
    }
    // A crop's fruit fields are not read: anything there is fine.
    FarmTablesSource crop = Sample();
    crop.plants[0].fruitCounts[1] = 99;
    Tables t;
    EXPECT_TRUE(LoadPlants(t, crop));
    // Cut short anywhere: the settings, a bed set, the plant count, a plant.
    const std::vector<uint8_t> good = PlantChunkBytes(Sample());
    for (size_t size :
         {size_t(100), size_t(296), size_t(296 + 4 + 100), size_t(296 + 4 + 260 + 2), good.size() - 1}) {
        Pack pack({{kPlantChunkId, 1, std::vector<uint8_t>(good.begin(), good.begin() + long(size))}});
        Tables cut;
        EXPECT_FALSE(LoadAll(cut.plants, pack.Reader())) << size;
    }
}

TEST(Plants, EnablingTwiceAcquiresOnceAndMarksTheProduct) {
    Tables t;
    t.resources.AddSprite(kPlantLibrary, u"plant_wheat", 6);
    PRODUCT* wheat = t.products.Add(Product("wheat"));
    PLANT* plant = t.plants.Add(Plant("wheat", 1, "wheat"));
    t.plants.EnablePlant(plant, 2);
    t.plants.EnablePlant(plant, 4);
    EXPECT_TRUE(plant->usable);
    EXPECT_EQ(plant->highestStage, 4);
    EXPECT_EQ(plant->acquireCount, 1u);
    EXPECT_EQ(t.resources.Fake(kPlantLibrary, u"plant_wheat")->acquired, 1);
    EXPECT_TRUE(wheat->used);
    EXPECT_EQ(wheat->acquireCount, 1u);
    t.plants.ResetUsedFlags();
    EXPECT_FALSE(plant->usable);
}

TEST(Plants, ACropsFirstEffectByteSelectsItsSpriteEffect) {
    const std::pair<char16_t, PlantSpriteEffect> cases[] = {
        {0, PlantSpriteEffect::None},
        {1, PlantSpriteEffect::GrowAndShrink},
        {2, PlantSpriteEffect::Fade},
        {3, PlantSpriteEffect::None},
        {0x0101, PlantSpriteEffect::GrowAndShrink},
    };
    for (auto [value, effect] : cases) {
        PLANT crop;
        crop.record = Plant("wheat", 1, "wheat");
        crop.record.trunkOrEffect[0] = value;
        EXPECT_EQ(GetPlantSpriteEffect(crop), effect) << int(value);
    }
    PLANT tree;
    tree.record = Plant("apple_tree", kPlantKindTree, "apple");
    tree.record.trunkOrEffect[0] = 1;
    EXPECT_EQ(GetPlantSpriteEffect(tree), PlantSpriteEffect::None);
}

TEST(Plants, TheLevelsBedSetIsMadeReadyOnce) {
    Tables t;
    FarmTablesSource sample = Sample();
    for (int k = 0; k < 4; ++k)
        t.resources.AddSprite(kBedLibrary, u"bed_" + std::u16string(1, char16_t(u'1' + k)));
    t.resources.AddSprite(kLevelLibrary, u"tree_site");
    t.plants.AddBedSet(sample.bedSets[0]);
    Sprite* site = reinterpret_cast<Sprite*>(t.resources.Fake(kLevelLibrary, u"tree_site"));
    EXPECT_TRUE(t.plants.LoadBedSprites(0, site));
    EXPECT_TRUE(t.plants.LoadBedSprites(0, site));
    EXPECT_EQ(t.resources.Fake(kBedLibrary, u"bed_3")->acquired, 1);
    EXPECT_EQ(t.resources.Fake(kLevelLibrary, u"tree_site")->acquired, 2);
    EXPECT_NE(t.plants.GetBedSet(0)->sprites[3], nullptr);
    EXPECT_FALSE(t.plants.LoadBedSprites(1, site));
    EXPECT_FALSE(t.plants.LoadBedSprites(-1, nullptr));
}
