// Plant beds, fruit trees and the farmer's plant jobs: growth, water,
// harvest, stages, jobs, the panel, saved records, and a level played on a
// test clock.
#include "farm/PlantPoints.h"
#include "farm/PlantPanel.h"

#include "FarmTestSupport.h"
#include "farm/Products.h"
#include "foundation/Ident.h"
#include "level/Economy.h"
#include "level/GameLevel.h"
#include "level/GameMessager.h"
#include "level/LevelServices.h"
#include "level/MapCharacter.h"
#include "level/SaveStream.h"
#include "platform/Random.h"
#include "sprites/Sprite.h"
#include "tests/level/LevelTestSupport.h"
#include "tests/support/Damage.h"
#include "tests/support/FakeLevel.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <map>
#include <set>

namespace {

uint32_t Id(const char* name) {
    return kis::NameId(name);
}

template <class Field> void SetW(Field& field, const char16_t* text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    for (int i = 0; text[i] && i < 31; ++i)
        field[size_t(i)] = text[i];
}

PointRecord PlantPoint(const char* plant, int32_t stage, float ripeness, uint32_t water, uint32_t max,
                       int32_t x, int32_t y) {
    PointRecord p{};
    p.kind = kPointPlant;
    p.stage = stage;
    p.objectId = Id(plant);
    p.value = std::bit_cast<uint32_t>(ripeness);
    p.water = water;
    p.waterMax = max;
    p.x = x;
    p.y = y;
    return p;
}

struct StoreEntry {
    uint32_t product, units, count;
};

class ButtonHost : public OverheadButtons {
  public:
    struct Button {
        uint32_t command;
        std::function<uint32_t()> onClick;
        bool shown;
        std::u16string hint; // a text key other than the command's
    };
    uint32_t ShowArrowButton(uint32_t command, const char16_t*, float, float,
                             std::function<uint32_t()> onClick, bool, int32_t) override {
        buttons[next] = {command, std::move(onClick), true, {}};
        return next++;
    }
    void HideButton(uint32_t handle, bool, bool, uint32_t) override { buttons[handle].shown = false; }
    void SetHintKey(uint32_t handle, const char16_t* key) override { buttons[handle].hint = key; }
    int Shown(uint32_t command) const {
        int n = 0;
        for (auto& [h, b] : buttons)
            n += b.shown && b.command == command;
        return n;
    }
    // Clicks the shown button of the command; its answer, or 0 when none.
    uint32_t Click(uint32_t command) {
        for (auto& [h, b] : buttons)
            if (b.shown && b.command == command) return std::function<uint32_t()>(b.onClick)();
        return 0;
    }
    std::map<uint32_t, Button> buttons;
    uint32_t next = 1;
};

// The level around the plant points: a GameLevel over a fake world owns them
// (Add makes each as the level makes its points) and answers their speed,
// bonuses, goals, selection and rebuilds; the farm adds the stock with a
// capacity, the farmer, buttons, panel and tutorial. The scenario at the end
// plays a GameLevel of its own.
class Farm : public farmtest::FakeFarmHost {
  public:
    Farm() {
        products.Add(farmtest::Product("wheat"));
        products.Add(farmtest::Product("apple"));
        PlantSettings settings{};
        for (int32_t s = 0; s < kPlantStages; ++s) {
            settings.stages[s].spriteCount = s + 1;
            settings.stages[s].buttonOffset[1] = -40;
            settings.stages[s].workSpot[0] = 30;
        }
        settings.waterBedMs = 2000;
        settings.waterTreeMs = 2500;
        settings.harvestMs = 1500;
        plants.SetSettings(settings);
        resources.AddSprite(kPlantLibrary, u"plant_wheat", 6);
        resources.AddSprite(kPlantLibrary, u"fruit", 4);
        resources.AddSprite(kPlantLibrary, u"plant_apple_tree", 1);
        resources.AddSprite(kPlantLibrary, u"trunk", 1);
        resources.AddSprite(kLevelLibrary, u"tree_site", 1);
        for (const char16_t* bed : {u"bed_1", u"bed_2", u"bed_3", u"bed_4"})
            resources.AddSprite(kBedLibrary, bed, 1);
        for (int32_t k = 0; k < 4; ++k)
            beds.sprites[k] = resources.FindSprite(
                kBedLibrary, std::u16string(u"bed_").append(1, char16_t(u'1' + k)).c_str());
        PlantRecord w = farmtest::Plant("wheat", 0, "wheat");
        PlantRecord t = farmtest::Plant("apple_tree", kPlantKindTree, "apple");
        PlantRecord g = farmtest::Plant("ghost", 0, "no_such_product");
        for (PlantRecord* r : {&w, &t, &g}) {
            const int32_t prices[4] = {10, 15, 20, 25};
            std::memcpy(r->stagePrices, prices, sizeof prices);
            for (uint32_t& d : r->digTimes)
                d = 1000;
            r->growthPerCrop = 10000;
            r->fewestHarvests = 2;
            r->mostHarvests = 3;
            farmtest::SetName(r->harvestAnimation, "girl_harvest");
        }
        t.treeWorkSpot[0] = 36;
        t.treeButtonOffset[1] = -110;
        for (int32_t i = 0; i < kMaxFruits; ++i)
            t.fruitPlaces[i] = {i * 3, -60, uint32_t(i % 4)};
        t.fruitScale[0] = 0.6f, t.fruitScale[1] = 1.0f;
        wheat = plants.Add(w);
        tree = plants.Add(t);
        ghost = plants.Add(g);
        for (PLANT* p : {wheat, tree, ghost})
            plants.EnablePlant(p, 3);
        farmerInfo.id = kCharacterFarmer;
        farmerInfo.variantCount = 4;
        farmerInfo.walkSpeed = 4.0f;
        farmerInfo.kinds.resize(1);
        SetW(farmerInfo.kinds[0].standing, u"girl_stand");
        SetW(farmerInfo.kinds[0].walk, u"girl_walk");
        for (float& rate : data.record.speedRates)
            rate = 1.0f;
        // Goal 0 counts the wheat beds at stage 3.
        data.record.regimes[0].goalCount = 1;
        data.record.regimes[0].goals[0] = {kGoalPlant, Id("wheat"), 3, 1};
        SetPointMaker(kPointPlant, [this](uint32_t index, const PointRecord& record) {
            return MakePlantPoint(this, index, record);
        });
        ClearPoints();
        Money().Set(1000);
    }
    ~Farm() override {
        // The points and the farmer go while the level is whole.
        game = nullptr;
        own.reset();
        player.reset();
        SetPointMaker(kPointPlant, nullptr);
    }

    // A fresh level without points; the money stays what it was.
    void ClearPoints() {
        const int32_t kept = Money().Get();
        game = nullptr;
        own.reset();
        data.points.clear();
        auto world = std::make_unique<testsupport::FakeLevelWorld>();
        testsupport::FakeLevelWorld* fake = world.get();
        GameLevel::Hooks hooks;
        hooks.frontEnd = &frontEnd;
        own = std::make_unique<GameLevel>(35, 0, data, std::move(world), hooks);
        fake->level = own.get();
        own->StartUp();
        game = own.get();
        Money().Set(kept);
    }

    void MakePlayer(float x = 0.0f, float y = 0.0f) {
        player = std::make_unique<MapPlayer>(&map, &farmerInfo, x, y);
        player->AddToLevel(2); // the farmer's layer, as the level puts her
    }
    // The next point of the level, its record its definition too.
    BasePointPlant* Add(const PointRecord& record) {
        const uint32_t index = uint32_t(data.points.size());
        data.points.push_back(record);
        return dynamic_cast<BasePointPlant*>(own->CreatePoint(index, record));
    }
    void Tick(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            for (uint32_t p = 0; p < own->PointCount(); ++p)
                if (BaseLevelPoint* point = own->GetPoint(int32_t(p))) point->Update(10);
            if (player) player->Update(10);
        }
    }
    // Runs until the farmer has no job (at most the ticks given).
    void RunJobs(int ticks = 3000) {
        for (int i = 0; i < ticks && player && player->JobCount() > 0; ++i)
            Tick(1);
    }

    // ---- LevelServices (the shared fake's, but for the points and money below)
    // The running level's money while there is one; the reserved total is
    // the farm's own and the running level's as well.
    GameLevel* RunningLevel() override { return game; }
    MoneyValue& Money() override { return game ? game->Money() : money; }
    void AddReservedMoney(int32_t delta) override {
        reserved += delta;
        if (game) game->AddReservedMoney(delta);
    }
    bool PointExists(int32_t index) const override { return game && game->GetPoint(index) != nullptr; }

    // ---- the farm host
    LevelMap* Map() override { return useMap ? &map : nullptr; }
    MapPlayer* Player() override { return player.get(); }
    PlantData& Plants() override { return plants; }
    FarmResources* Resources() override { return &resources; }
    GAMEBEDS* BedSet() override { return useMap ? &beds : nullptr; }
    Sprite* EmptyTreeSite() override {
        return useMap ? resources.FindSprite(kLevelLibrary, u"tree_site") : nullptr;
    }
    uint32_t PutToWarehouse(const PRODUCT* product, uint32_t units, GameMessager*, int32_t award, int32_t,
                            int32_t, int32_t) override {
        awards.push_back(award);
        if (!product) return 0;
        uint32_t& count = stock[product->record.id];
        const uint32_t n = std::min(units, capacity - std::min(capacity, count));
        count += n;
        if (n) stored.push_back({product->record.id, n, count});
        return n;
    }
    // Each sprite handle of the recording resources stands for one map sprite.
    MapSprite* AsMapSprite(Sprite* sprite) override {
        std::unique_ptr<MapSprite>& made = mapSprites[sprite];
        if (!made) made = std::make_unique<MapSprite>(nullptr, u"sprite");
        return made.get();
    }
    OverheadButtons* Buttons() override { return &buttons; }
    PlantPanel* SharedPlantPanel() override { return &panel; }

    farmtest::RecordingResources resources;
    ProductList products{&resources};
    PlantData plants{&resources, &products};
    PLANT *wheat, *tree, *ghost;
    GameCharacter farmerInfo;
    bool useMap = false;
    GAMEBEDS beds;
    std::map<Sprite*, std::unique_ptr<MapSprite>> mapSprites;
    LevelMap map{this};
    std::unique_ptr<MapPlayer> player;
    Level data;                            // the points' level: its record and definitions
    leveltest::RecordingFrontEnd frontEnd; // every bonus slot chosen
    std::unique_ptr<GameLevel> own;        // the level of data
    GameLevel* game = nullptr;             // the running level: own, or the scenario's
    std::map<uint32_t, uint32_t> stock;
    uint32_t capacity = 50;
    std::vector<StoreEntry> stored;
    std::vector<int32_t> awards; // the award counter of each delivery
    ButtonHost buttons;
    PlantPanel panel;
};

class PlantTest : public ::testing::Test {
  protected:
    testsupport::TestLevelData levelData; // where the job loaders and the point maker go
    void SetUp() override { RegisterPlantJobLoaders(); }
    void TearDown() override { ClearPlayerJobLoaders(); }
    Farm farm;
    // The ticks of 10 ms a point's countdown takes.
    static constexpr int kCountdownTicks = kPointInitialCountdownMs / 10;
};

// ---------------------------------------------------------------- growth

TEST(PlantGrowth, PlantAndFruitFramesFollowGrowth) {
    struct Case {
        float ripeness;
        int32_t frames, expected;
    };
    for (Case c : {Case{49, 6, 1}, {100, 6, 4}, {0, 6, 0}, {50, 2, 0}, {99, 3, 0}, {100, 3, 1}})
        EXPECT_EQ(PointPlant::PlantFrame(c.ripeness, c.frames), c.expected)
            << c.ripeness << "% of " << c.frames;
    // Growth needed 10,000: the fruits start at a tenth and ripen over the rest.
    struct Fruit {
        float growth;
        int32_t expected;
    };
    for (Fruit f : {Fruit{999, -1}, {1000, 0}, {3999, 0}, {4000, 1}, {7000, 2}, {9999, 2}, {10000, 3}})
        EXPECT_EQ(PointTree::FruitFrame(f.growth, 1000, 9000, 4), f.expected) << f.growth;
}

TEST_F(PlantTest, SetRipenessRefusesOnlyTheSameValueWithoutForce) {
    BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 50, 2, 2, 100, 100));
    ASSERT_NE(bed, nullptr);
    struct Case {
        float percent;
        bool force, result;
        float after;
    };
    for (Case c : {Case{50, false, false, 50},
                   {50, true, true, 50},
                   {30, false, true, 30},
                   {250, false, true, 100},
                   {-4, false, true, 0}}) {
        EXPECT_EQ(bed->SetRipeness(c.percent, c.force, false), c.result) << c.percent;
        EXPECT_FLOAT_EQ(bed->Ripeness(), c.after) << c.percent;
        EXPECT_EQ(bed->IsRipe(), c.after == 100.0f) << c.percent;
    }
}

TEST_F(PlantTest, GrowthTakesThePlantSpeedAndStopsWhereItShould) {
    struct Case {
        const char* what;
        std::function<void(BasePointPlant*)> prepare;
        float expected; // ripeness after one second
    };
    const Case cases[] = {
        {"plain", [](BasePointPlant*) {}, 10.0f},
        {"double speed", [&](BasePointPlant*) { farm.data.record.speedRates[1] = 2.0f; }, 20.0f},
        {"tutorial refuses action 110",
         [&](BasePointPlant*) { farm.refusedActions.insert(TutorialAction::PlantGrows); }, 0.0f},
        {"locked", [](BasePointPlant* b) { b->Lock(); }, 0.0f},
        {"no water", [](BasePointPlant* b) { b->SetWater(0, 2, false); }, 0.0f},
        {"damaged", [](BasePointPlant* b) { b->AddDamage(1, false); }, 0.0f},
    };
    for (const Case& c : cases) {
        farm.ClearPoints();
        farm.data.record.speedRates[1] = 1.0f;
        farm.refusedActions.clear();
        BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 0, 2, 2, 100, 100));
        c.prepare(bed);
        farm.Tick(kCountdownTicks);
        EXPECT_EQ(bed->Ripeness(), 0.0f) << c.what << ": nothing grows while the countdown runs";
        farm.Tick(100);
        EXPECT_NEAR(bed->Ripeness(), c.expected, 0.01f) << c.what;
    }
}

// Each change that starts the bed's next growth holds it back: the
// countdown of a new bed, and the one a harvest (then its own pause), a
// watering, a repair or a raised stage starts again.
TEST_F(PlantTest, GrowthWaitsForTheCountdownAfterEachChange) {
    struct Case {
        const char* what;
        float ripeness;                              // of the bed before the change
        uint32_t water;                              // of the bed before the change
        std::function<void(BasePointPlant*)> change; // done once the new bed's countdown has run
        int waitMs;                                  // from the change to the first growth
    };
    const Case cases[] = {
        {"a new bed", 0, 2, nullptr, kPointInitialCountdownMs},
        {"harvested", 100, 2, [](BasePointPlant* b) { ASSERT_TRUE(b->CollectProducts(nullptr)); },
         kPointInitialCountdownMs + int(kAfterHarvestDelayMs)},
        {"watered", 0, 0,
         [&](BasePointPlant* b) {
             b->OrderWatering();
             farm.RunJobs();
             ASSERT_EQ(b->Water(), b->WaterMax());
         },
         kPointInitialCountdownMs},
        {"repaired", 0, 2,
         [](BasePointPlant* b) {
             b->AddDamage(1, false);
             ASSERT_TRUE(b->Repair(false));
         },
         kPointInitialCountdownMs},
        {"raised a stage", 0, 2, [](BasePointPlant* b) { ASSERT_TRUE(b->SetStage(2, false, 0)); },
         kPointInitialCountdownMs},
    };
    farm.plants.FindPlantByName(u"wheat")->highestStage = 4;
    for (const Case& c : cases) {
        farm.ClearPoints();
        farm.MakePlayer(100, 140);
        BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, c.ripeness, c.water, 2, 100, 100));
        if (c.change) {
            farm.Tick(kCountdownTicks);
            c.change(bed);
        }
        ASSERT_EQ(bed->Ripeness(), 0.0f) << c.what;
        int waited = 0;
        while (waited < 5000 && bed->Ripeness() == 0.0f) {
            farm.Tick(1);
            waited += 10;
        }
        // The tick that ends the wait already grows.
        EXPECT_EQ(waited, c.waitMs + 10) << c.what;
    }
}

TEST_F(PlantTest, ARipeBedShowsTheHarvestButtonAndTellsTheTutorial) {
    BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 95, 2, 2, 100, 100));
    EXPECT_EQ(bed->Progress(), 95);
    farm.Tick(kCountdownTicks + 50);
    EXPECT_TRUE(bed->IsRipe());
    EXPECT_TRUE(bed->IsReady());
    EXPECT_EQ(bed->Progress(), -1) << "the button takes the progress line's place";
    EXPECT_EQ(farm.buttons.Shown(kCommandHarvest), 1);
    EXPECT_EQ(std::count(farm.events.begin(), farm.events.end(), TutorialEvent::PlantRipe), 1);
    farm.Tick(50);
    EXPECT_EQ(farm.buttons.Shown(kCommandHarvest), 1) << "one button however long it stays ripe";
}

// ---------------------------------------------------------------- water

TEST_F(PlantTest, TheLastWaterHarvestedShowsTheWaterButtonAndHoldsGrowth) {
    farm.MakePlayer(100, 140);
    auto* bed = static_cast<PointPlant*>(farm.Add(PlantPoint("wheat", 2, 100, 1, 3, 100, 100)));
    farm.game->SelectPoint(0, false);
    ASSERT_EQ(farm.game->SelectedPoint(), 0);
    ASSERT_EQ(farm.buttons.Click(kCommandHarvest), 2u);
    EXPECT_EQ(farm.game->SelectedPoint(), -1) << "the order deselects the bed";
    farm.RunJobs();
    ASSERT_EQ(farm.stored.size(), 1u);
    EXPECT_EQ(farm.stored[0].units, 2u) << "a stage-2 bed holds two plants";
    EXPECT_EQ(bed->Water(), 0u);
    EXPECT_EQ(bed->WaterMax(), 3u);
    EXPECT_EQ(bed->GrowthDelay(), kAfterHarvestDelayMs);
    EXPECT_EQ(farm.buttons.Shown(kCommandWater), 1);
    farm.Tick(300);
    EXPECT_EQ(bed->Ripeness(), 0.0f) << "no growth until watered";

    ASSERT_EQ(farm.buttons.Click(kCommandWater), 2u);
    EXPECT_EQ(farm.buttons.Shown(kCommandWater), 0);
    ASSERT_NE(bed->waterJob, nullptr);
    farm.RunJobs();
    EXPECT_EQ(bed->waterJob, nullptr);
    EXPECT_GE(bed->Water(), 2u);
    EXPECT_LE(bed->Water(), 3u);
    EXPECT_EQ(bed->Water(), bed->WaterMax()) << "watering fills to a new maximum";
    farm.Tick(100);
    EXPECT_GT(bed->Ripeness(), 0.0f) << "growth resumes";
}

// A dry tree's water button speaks of the tree, a bed's of the bed.
TEST_F(PlantTest, ADryBedAndADryTreeHintTheirOwnWaterButtons) {
    farm.Add(PlantPoint("wheat", 2, 50, 0, 3, 100, 100));
    farm.Add(PlantPoint("apple_tree", 2, 50, 0, 3, 300, 100));
    EXPECT_EQ(farm.buttons.buttons[1].hint, u"water");
    EXPECT_EQ(farm.buttons.buttons[2].hint, u"water_tree");
}

TEST_F(PlantTest, WateringDrawsEachAmountBetweenFewestAndMost) {
    farm.wheat->record.fewestHarvests = 1;
    farm.wheat->record.mostHarvests = 4;
    std::set<uint32_t> seen;
    farm.MakePlayer(100, 140);
    BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 0, 0, 1, 100, 100));
    for (int round = 0; round < 40; ++round) {
        bed->SetWater(0, 1, false);
        bed->OrderWatering();
        farm.RunJobs();
        ASSERT_EQ(bed->Water(), bed->WaterMax());
        seen.insert(bed->Water());
    }
    EXPECT_EQ(seen, (std::set<uint32_t>{1, 2, 3, 4}));
}

TEST_F(PlantTest, ADefinitionWithoutAMaximumKeepsTheWaterDrawn) {
    BasePointPlant* tree = farm.Add(PlantPoint("apple_tree", 2, 50, 0, 0, 100, 100));
    EXPECT_GE(tree->Water(), 2u);
    EXPECT_EQ(tree->Water(), tree->WaterMax());
    EXPECT_EQ(farm.buttons.Shown(kCommandWater), 0);
}

TEST_F(PlantTest, OnlyTheRainBonusKeepsHarvestsFromUsingWater) {
    for (BonusKind running : {BonusKind::Rain, BonusKind::Bees, BonusKind::Sun}) {
        farm.ClearPoints();
        farm.stored.clear();
        farm.game->ActivateBonus(SlotOfBonus(running));
        farm.MakePlayer(100, 140);
        BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 100, 1, 2, 100, 100));
        farm.buttons.Click(kCommandHarvest);
        farm.RunJobs();
        EXPECT_EQ(farm.stored.size(), 1u) << BonusId(running);
        EXPECT_EQ(bed->Water(), running == BonusKind::Rain ? 1u : 0u) << BonusId(running);
    }
}

// ---------------------------------------------------------------- harvest

TEST_F(PlantTest, AHarvestGivesTheBedsPlantsOrTheTreesStage) {
    struct Case {
        const char* plant;
        int32_t stage;
        uint32_t units;
    };
    for (Case c : {Case{"wheat", 1, 1}, {"wheat", 3, 3}, {"apple_tree", 1, 1}, {"apple_tree", 3, 3}}) {
        farm.ClearPoints();
        farm.stored.clear();
        farm.awards.clear();
        farm.plants.FindPlantByName(u"wheat")->highestStage = 4;
        farm.plants.FindPlantByName(u"apple_tree")->highestStage = 4;
        BasePointPlant* bed = farm.Add(PlantPoint(c.plant, c.stage, 100, 2, 2, 100, 100));
        EXPECT_EQ(bed->GetHarvestUnits(), c.units) << c.plant << c.stage;
        EXPECT_TRUE(bed->CollectProducts(nullptr));
        ASSERT_EQ(farm.stored.size(), 1u);
        EXPECT_EQ(farm.stored[0].units, c.units) << c.plant << c.stage;
        // The units count towards the harvester award, counter 0.
        EXPECT_EQ(farm.awards, std::vector<int32_t>{0}) << c.plant << c.stage;
        EXPECT_FALSE(bed->IsRipe());
        EXPECT_EQ(bed->GrowthDelay(), kAfterHarvestDelayMs);
    }
}

TEST_F(PlantTest, AHarvestThatStoresNothingEndsWithTheBedStillRipe) {
    struct Case {
        const char* what;
        const char* plant;
        uint32_t capacity;
    };
    for (Case c : {Case{"full warehouse", "wheat", 0}, {"product unknown to the data", "ghost", 50}}) {
        farm.ClearPoints();
        farm.capacity = c.capacity;
        farm.MakePlayer(100, 140);
        BasePointPlant* bed = farm.Add(PlantPoint(c.plant, 1, 100, 2, 2, 100, 100));
        ASSERT_EQ(farm.buttons.Click(kCommandHarvest), 2u) << c.what;
        EXPECT_EQ(farm.buttons.Shown(kCommandHarvest), 0) << c.what;
        farm.RunJobs();
        EXPECT_EQ(farm.player->JobCount(), 0) << c.what;
        EXPECT_TRUE(farm.stored.empty()) << c.what;
        EXPECT_TRUE(bed->IsRipe()) << c.what;
        EXPECT_EQ(bed->Water(), 2u) << c.what;
        EXPECT_EQ(farm.buttons.Shown(kCommandHarvest), 1) << c.what << ": the harvest button returns";
        EXPECT_EQ(std::count(farm.events.begin(), farm.events.end(), TutorialEvent::Delivered), 0) << c.what;
    }
}

// Damage stops each plant job, whether it comes while the farmer is on the
// way or was there before the order: the bed is left as it was, its money
// goes back, its button stays hidden, and the repair brings it back.
TEST_F(PlantTest, ADamagedBedIsLeftUnworkedByEachJob) {
    struct Case {
        const char* what;
        PointRecord record;
        void (BasePointPlant::*order)();
        uint32_t command; // the bed's button, which the repair brings back (0: none)
        bool ripe;
    };
    const Case cases[] = {
        {"planting", PlantPoint("wheat", 1, 0, 2, 2, 100, 100), &BasePointPlant::OrderPlanting, 0, false},
        {"watering", PlantPoint("wheat", 1, 0, 0, 1, 100, 100), &BasePointPlant::OrderWatering, kCommandWater,
         false},
        {"harvest", PlantPoint("wheat", 1, 100, 2, 2, 100, 100), &BasePointPlant::OrderHarvest,
         kCommandHarvest, true},
    };
    for (const Case& c : cases) {
        for (const bool damagedFirst : {false, true}) {
            SCOPED_TRACE(std::string(c.what) +
                         (damagedFirst ? ", damaged before the order" : ", damaged on the way"));
            farm.ClearPoints();
            farm.stored.clear();
            farm.MakePlayer(100, 140);
            BasePointPlant* bed = farm.Add(c.record);
            const int32_t money = farm.Money().Get();
            const int shown = c.command ? farm.buttons.Shown(c.command) : 0;
            if (damagedFirst) bed->AddDamage(1, false);
            (bed->*c.order)();
            farm.Tick(5);
            if (!damagedFirst) bed->AddDamage(1, false);
            farm.RunJobs();
            EXPECT_EQ(farm.player->JobCount(), 0);
            EXPECT_EQ(bed->plantJob, nullptr);
            EXPECT_EQ(bed->waterJob, nullptr);
            EXPECT_EQ(bed->harvestJob, nullptr);
            EXPECT_EQ(bed->Stage(), 1);
            EXPECT_EQ(bed->Water(), c.record.water);
            EXPECT_EQ(bed->IsRipe(), c.ripe);
            EXPECT_TRUE(farm.stored.empty());
            EXPECT_EQ(farm.Money().Get(), money);
            EXPECT_EQ(farm.reserved, 0);
            if (c.command) {
                EXPECT_EQ(farm.buttons.Shown(c.command), shown - 1) << "a damaged bed shows no button";
            }
            bed->Repair(false);
            if (c.command) {
                EXPECT_EQ(farm.buttons.Shown(c.command), shown) << "the repair brings the bed's button back";
            }
        }
    }
}

// ---------------------------------------------------------------- stages

TEST_F(PlantTest, ABoughtBedOrdersPlantingAndStoppingItRebuildsTheSite) {
    farm.MakePlayer(100, 140);
    BasePointPlant* bed = farm.Add(PlantPoint("wheat", 0, 0, 0, 0, 100, 100));
    ASSERT_NE(bed->plantJob, nullptr);
    EXPECT_EQ(farm.player->JobCount(), 1);
    EXPECT_EQ(farm.reserved, 10) << "planting reserves the stage-0 price";
    EXPECT_EQ(farm.Money().Get(), 990);
    farm.data.points[0] = {}; // the bought bed's site: an empty site
    farm.data.points[0].kind = kPointEmptySite;
    bed->plantJob->Stop();
    EXPECT_EQ(bed->plantJob, nullptr);
    EXPECT_EQ(farm.Money().Get(), 1000) << "a cancelled planting gives its money back";
    farm.game->Update(0);
    EXPECT_EQ(farm.game->GetPoint(0)->Kind(), kPointEmptySite) << "the site is back";

    // Removed for good, a bought bed lets its planting go without turning
    // back into its site from inside its own removal.
    BasePointPlant* removed = farm.Add(PlantPoint("wheat", 0, 0, 0, 0, 100, 100));
    Job* job = removed->plantJob;
    ASSERT_NE(job, nullptr);
    removed->RequestRemove(false, true, 0);
    EXPECT_TRUE(job->IsFinished());
    EXPECT_EQ(removed->plantJob, nullptr);
    farm.game->Update(0);
    EXPECT_EQ(farm.game->GetPoint(1), removed);
    EXPECT_EQ(farm.Money().Get(), 1000);

    // Planting twice: the first job stops, only the second remains.
    farm.ClearPoints();
    farm.player->DeleteAllJobs();
    BasePointPlant* second = farm.Add(PlantPoint("wheat", 1, 0, 2, 2, 100, 100));
    second->OrderPlanting();
    Job* first = second->plantJob;
    second->OrderPlanting();
    EXPECT_NE(second->plantJob, first);
    EXPECT_TRUE(first->IsFinished());
    farm.game->Update(0);
    EXPECT_EQ(farm.game->GetPoint(0), second) << "a planted bed is never rebuilt";
    farm.RunJobs();
    EXPECT_EQ(second->Stage(), 2);
    EXPECT_EQ(farm.Money().Get(), 985) << "one stage-1 price spent";
}

TEST_F(PlantTest, SetStageStopsAtTheHighestAndRefusesLower) {
    BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 0, 2, 2, 100, 100));
    struct Case {
        int32_t stage;
        bool result;
        int32_t after;
    };
    for (Case c : {Case{2, true, 2}, {9, true, 3}, {3, true, 3}, {1, false, 3}, {4, true, 3}}) {
        EXPECT_EQ(bed->SetStage(c.stage, false, 0), c.result) << c.stage;
        EXPECT_EQ(bed->Stage(), c.after) << c.stage;
    }
    EXPECT_EQ(static_cast<PointPlant*>(bed)->SpriteCount(), 3);
    farm.MakePlayer();
    bed->OrderPlanting();
    EXPECT_EQ(bed->plantJob, nullptr) << "no raise past the highest stage, and nothing charged for one";
    EXPECT_EQ(farm.Money().Get(), 1000);
    EXPECT_EQ(farm.game->GoalProgress(0), 1) << "the plant goals counted again at the last stage";
}

TEST_F(PlantTest, ARaisedTreeKeepsItsFruitPlacesAPermutation) {
    farm.tree->highestStage = 4;
    PointTree* tree = nullptr;
    for (int round = 0; round < 20; ++round) {
        farm.ClearPoints();
        tree = static_cast<PointTree*>(farm.Add(PlantPoint("apple_tree", 4, 0, 2, 2, 100, 100)));
        std::vector<int32_t> order = tree->PlaceOrder();
        std::sort(order.begin(), order.end());
        EXPECT_EQ(order, (std::vector<int32_t>{0, 1, 2, 3, 4}));
        EXPECT_EQ(tree->FruitsShown(), 5);
        std::set<float> xs;
        for (int32_t i = 0; i < 5; ++i)
            xs.insert(tree->GetFruit(i).x);
        EXPECT_EQ(xs.size(), 5u) << "each place used once";
    }
    tree->SetGrowthPercent(40, false);
    EXPECT_EQ(tree->GetFruit(0).frame, 1) << "4,000 of 10,000";
    tree->SetGrowthPercent(5, false);
    EXPECT_EQ(tree->GetFruit(0).frame, -1);
}

// ---------------------------------------------------------------- map sprites

// The objects of a point on the map by kind word: on a layer, or sent away.
std::map<uint32_t, int> ObjectsOnLevel(const LevelMap& map, int32_t layer) {
    std::map<uint32_t, int> kinds;
    for (const MapObject* object : map.LayerObjects(layer))
        if (auto* sprite = dynamic_cast<const SpriteObject*>(object)) ++kinds[sprite->Kind()];
    return kinds;
}

TEST_F(PlantTest, SpritesFollowTheStagesAndLeaveWithThePoint) {
    farm.useMap = true;
    farm.tree->highestStage = 3;
    auto* bed = static_cast<PointPlant*>(farm.Add(PlantPoint("wheat", 0, 0, 0, 0, 100, 100)));
    auto* tree = static_cast<PointTree*>(farm.Add(PlantPoint("apple_tree", 0, 0, 0, 0, 300, 100)));
    EXPECT_EQ(ObjectsOnLevel(farm.map, 0), (std::map<uint32_t, int>{{kKindBed, 1}, {kKindTreeSite, 1}}));
    EXPECT_FLOAT_EQ(bed->BedSprite()->Alpha(), 0.5f) << "a bought bed waits half transparent";

    ASSERT_TRUE(bed->SetStage(2, true, 0));
    ASSERT_TRUE(tree->SetStage(1, true, 0));
    EXPECT_GT(bed->GrowthDelay(), 0u) << "growth waits for the sprites' effects";
    EXPECT_EQ(ObjectsOnLevel(farm.map, 2), (std::map<uint32_t, int>{{kKindMapPlant, 2}}));
    EXPECT_EQ(ObjectsOnLevel(farm.map, 3), (std::map<uint32_t, int>{{kKindBed, 1}, {kKindCrown, 1}}));
    std::map<uint32_t, int> ground = ObjectsOnLevel(farm.map, 0);
    EXPECT_EQ(ground[kKindTrunk], 1);
    EXPECT_EQ(ground[kKindFruit], 2);
    farm.map.Update(1000);
    EXPECT_EQ(farm.map.PendingRemovals(), 0u) << "the old bed and the site have gone";
    EXPECT_EQ(ObjectsOnLevel(farm.map, 0)[kKindBed], 0);
    EXPECT_EQ(ObjectsOnLevel(farm.map, 0)[kKindTreeSite], 0);

    // The plant sprites show the growth; the fruits appear from a tenth of it.
    bed->SetGrowthPercent(49, true);
    int plants = 0, fading = 0;
    for (const MapObject* object : farm.map.LayerObjects(2)) {
        if (auto* plant = dynamic_cast<const MapPlant*>(object)) {
            EXPECT_EQ(plant->Frame(), 1);
            ++plants;
        } else {
            EXPECT_EQ(static_cast<const SpriteObject*>(object)->Frame(), 0)
                << "the old frame fades out over it";
            ++fading;
        }
    }
    EXPECT_EQ(plants, 2);
    EXPECT_EQ(fading, 2);
    tree->SetGrowthPercent(5, true);
    EXPECT_TRUE(tree->GetFruit(0).sprite->IsHidden());
    tree->SetGrowthPercent(100, true);
    EXPECT_FALSE(tree->GetFruit(0).sprite->IsHidden());
    EXPECT_EQ(tree->GetFruit(0).sprite->Frame(), 3);
    EXPECT_TRUE(tree->OwnsHoveredObject(farm.map.LayerObjects(3).front()) ||
                tree->OwnsHoveredObject(farm.map.LayerObjects(3).back()));
    EXPECT_TRUE(bed->OwnsHoveredObject(farm.map.LayerObjects(2).front()));
    EXPECT_FALSE(tree->OwnsHoveredObject(farm.map.LayerObjects(2).front()));

    // Removed for good: everything is sent away and goes once its effects end.
    bed->RequestRemove(true, true, 0);
    tree->RequestRemove(true, true, 0);
    EXPECT_GT(farm.map.PendingRemovals(), 0u);
    farm.map.Update(2000);
    EXPECT_EQ(farm.map.PendingRemovals(), 0u);
    for (int32_t layer = 0; layer < MapObject::kLayerCount; ++layer)
        EXPECT_TRUE(farm.map.LayerObjects(layer).empty()) << layer;

    // Points deleted while their sprites are on the map take them along.
    farm.ClearPoints();
    farm.Add(PlantPoint("wheat", 3, 50, 1, 2, 100, 100));
    farm.Add(PlantPoint("apple_tree", 3, 50, 1, 2, 300, 100));
    farm.ClearPoints();
    for (int32_t layer = 0; layer < MapObject::kLayerCount; ++layer)
        EXPECT_TRUE(farm.map.LayerObjects(layer).empty()) << layer;
}

// ---------------------------------------------------------------- panel

TEST_F(PlantTest, ThePanelLaysOutAndPricesTheUpgrade) {
    struct Layout {
        int32_t width, x0, block, upgrade, remove;
    };
    for (Layout l : {Layout{470, 25, 67, 221, 355}, {420, 0, 42, 196, 330}, {421, 0, 42, 196, 330}}) {
        const PlantPanel::Layout got = PlantPanel::LayoutFor(l.width);
        EXPECT_EQ(got.x0, l.x0) << l.width;
        EXPECT_EQ(got.levelBlock, l.block) << l.width;
        EXPECT_EQ(got.upgrade, l.upgrade) << l.width;
        EXPECT_EQ(got.remove, l.remove) << l.width;
    }
    farm.MakePlayer(100, 140);
    BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 0, 2, 2, 100, 100));
    farm.panel.SetPoint(bed);
    EXPECT_EQ(farm.panel.UpgradePrice(), 15);
    EXPECT_TRUE(farm.panel.UpgradeEnabled());
    EXPECT_EQ(farm.panel.BlockStage(), 1);
    EXPECT_EQ(farm.panel.BlockHighest(), 3);
    EXPECT_TRUE(farm.panel.OnButtonCommand(PlantPanel::kCommandUpgrade));
    EXPECT_NE(bed->plantJob, nullptr);
    EXPECT_FALSE(farm.panel.UpgradeEnabled()) << "one planting at a time";
    EXPECT_FALSE(farm.panel.OnButtonCommand(0x1234));
    farm.RunJobs();
    farm.RunJobs();
    EXPECT_EQ(bed->Stage(), 2);
    farm.panel.RefreshUpgrade();
    EXPECT_EQ(farm.panel.UpgradePrice(), 20);
    bed->SetStage(3, false, 0);
    EXPECT_EQ(farm.panel.UpgradePrice(), 0) << "at the highest stage allowed";
    EXPECT_FALSE(farm.panel.UpgradeEnabled());
    farm.ClearPoints();
    EXPECT_EQ(farm.panel.Point(), nullptr) << "a removed bed leaves the panel";
}

// ---------------------------------------------------------------- jobs and saved records

std::vector<uint8_t> SaveFarmer(MapPlayer& player) {
    SaveWriter writer;
    EXPECT_TRUE(player.SaveState(writer));
    return writer.Bytes();
}

TEST_F(PlantTest, JobRecordsRoundTripAtEveryStep) {
    farm.MakePlayer(0, 0);
    farm.tree->highestStage = 4;
    BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 100, 1, 2, 300, 300));
    BasePointPlant* tree = farm.Add(PlantPoint("apple_tree", 2, 0, 0, 2, 500, 300));
    farm.buttons.Click(kCommandHarvest);
    farm.buttons.Click(kCommandWater);
    tree->OrderPlanting();
    // Walk, then animate: save and load at several moments of each.
    std::set<JobState> statesSaved;
    for (int moment = 0; moment < 40; ++moment) {
        farm.Tick(25);
        if (Job* current = farm.player->CurrentJob()) statesSaved.insert(current->State());
        const std::vector<uint8_t> saved = SaveFarmer(*farm.player);
        SaveReader reader(saved);
        std::string why;
        ASSERT_TRUE(farm.player->LoadState(reader, &why)) << moment << ": " << why;
        EXPECT_EQ(SaveFarmer(*farm.player), saved) << moment;
        if (farm.player->JobCount() == 0) break;
    }
    EXPECT_EQ(statesSaved, (std::set<JobState>{JobState::Walking, JobState::Animating}))
        << "saved while walking and while working";
    EXPECT_EQ(farm.reserved, tree->plantJob ? 20 : 0) << "the stage-2 price while the raise is queued";
    farm.RunJobs();
    EXPECT_EQ(bed->Ripeness(), 0.0f);
    EXPECT_EQ(tree->Stage(), 3);
    EXPECT_EQ(farm.reserved, 0);
}

TEST_F(PlantTest, MismatchedJobRecordsAreRefused) {
    farm.MakePlayer(0, 0);
    BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 50, 1, 2, 300, 300));
    farm.Add(PlantPoint("wheat", 3, 50, 1, 2, 400, 300));
    BasePointPlant* bought = farm.Add(PlantPoint("wheat", 0, 0, 0, 0, 500, 300));
    Job* ordered = bought->plantJob;
    ASSERT_NE(ordered, nullptr);
    EXPECT_EQ(farm.Money().Get(), 990);
    auto record = [&](uint32_t jobId, uint32_t step, int32_t reserved, uint32_t point) {
        std::vector<uint8_t> r(44, 0);
        PutU32(r.data(), 0, 44);
        PutU32(r.data(), 4, jobId);
        PutU32(r.data(), 8, step);
        PutI32(r.data(), 12, reserved);
        PutU32(r.data(), 40, point);
        return r;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> record;
        bool loads;
    };
    Case cases[] = {
        {"water at its start", record(JOBID_WATER, 0, 0, 0), true},
        {"water walking", record(JOBID_WATER, 1, 0, 0), true},
        {"water holding money", record(JOBID_WATER, 0, 5, 0), false},
        {"harvest holding money", record(JOBID_HARVEST, 0, 5, 0), false},
        {"planting with its price", record(JOBID_PLANT, 2, 15, 0), true},
        {"planting with another price", record(JOBID_PLANT, 2, 14, 0), false},
        {"planting a bed at its highest stage", record(JOBID_PLANT, 0, 0, 1), false},
        {"a point past the level's", record(JOBID_WATER, 0, 0, 7), false},
        {"a step past the animation", record(JOBID_WATER, 3, 0, 0), false},
        {"the animation step not running", record(JOBID_WATER, 2, 0, 0), false},
    };
    for (Case& c : cases) {
        const PlayerJobLoader loader = GetPlayerJobLoader(U32At(c.record.data(), 4));
        ASSERT_NE(loader, nullptr);
        std::unique_ptr<Job> job = loader(farm.player.get(), c.record.data(), c.record.size());
        EXPECT_EQ(job != nullptr, c.loads) << c.what;
    }
    // A bought bed's saved planting takes the place of the one the bed
    // ordered at its set-up, which gives its reservation back.
    const std::vector<uint8_t> planting = record(JOBID_PLANT, 0, 10, 2);
    std::unique_ptr<Job> loaded = LoadJobPlant(farm.player.get(), planting.data(), planting.size());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(bought->plantJob, loaded.get());
    EXPECT_NE(loaded.get(), ordered);
    EXPECT_TRUE(ordered->IsFinished()) << "no bedless planting stays queued";
    EXPECT_EQ(farm.Money().Get(), 1000);
    loaded.reset();
    EXPECT_EQ(bed->waterJob, nullptr) << "a refused or dropped job lets go of its bed";
    EXPECT_EQ(bed->plantJob, nullptr);
    // A wrong size never reaches the bed.
    std::vector<uint8_t> r = record(JOBID_WATER, 0, 0, 0);
    EXPECT_EQ(LoadJobWater(farm.player.get(), r.data(), 40), nullptr);
}

TEST_F(PlantTest, DamagedFarmerRecordsAreRefusedOrReadWithinBounds) {
    platform::SeedRand(27);
    farm.MakePlayer(0, 0);
    BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 100, 1, 2, 300, 300));
    farm.Add(PlantPoint("apple_tree", 1, 0, 0, 2, 500, 300));
    farm.buttons.Click(kCommandHarvest);
    farm.buttons.Click(kCommandWater);
    farm.Tick(60);
    const std::vector<uint8_t> good = SaveFarmer(*farm.player);
    const std::string goodText(good.begin(), good.end());
    const int rounds = testsupport::ForRounds(3000, 4000, [&](int round) {
        const std::string bad = testsupport::Damage(goodText, round);
        const std::vector<uint8_t> bytes(bad.begin(), bad.end());
        SaveReader reader(bytes);
        if (farm.player->LoadState(reader)) {
            for (int i = 0; i < farm.player->JobCount(); ++i) {
                auto* job = dynamic_cast<PlantJob*>(farm.player->GetJob(i));
                if (!job) continue;
                ASSERT_NE(job->Bed(), nullptr);
                ASSERT_LE(job->Step(), job->AnimationStep());
            }
        }
        ASSERT_GE(farm.Money().Get(), 0);
    });
    EXPECT_GT(rounds, 100);
    (void)bed;
}

TEST_F(PlantTest, DamagedPointRecordsAreRefused) {
    BasePointPlant* bed = farm.Add(PlantPoint("wheat", 1, 40, 1, 2, 300, 300));
    SaveWriter out;
    bed->SaveOwn(out);
    const std::unique_ptr<SaveBuffer> saved = out.Finish();
    const std::vector<uint8_t> good(saved->Data().begin(), saved->Data().end());
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
        bool loads;
    };
    for (Case c : {Case{"as saved", 0, 16, true},
                   {"other size", 0, 20, false},
                   {"long delay", 4, 600000, false},
                   {"unknown flag", 8, 2, false},
                   {"reserved word", 12, 1, false},
                   {"planting", 8, 1, true}}) {
        std::vector<uint8_t> bytes = good;
        PutU32(bytes.data(), c.offset, c.value);
        SaveReader in(bytes);
        EXPECT_EQ(bed->LoadOwn(in), c.loads) << c.what;
    }
    SaveReader in(good); // a bed's water is drawn from its plant's harvest range (2..3), not up to 4
    EXPECT_FALSE(farm.Add(PlantPoint("wheat", 1, 40, 1, 4, 400, 300))->LoadOwn(in));
}

// ---------------------------------------------------------------- the scenario level

// The level world of the scenario: the shared fake world on the farm's
// stock, with the farm's own farmer (made, saved, loaded and moved on by
// the world), no villains and no bonuses.
class PlantWorld : public testsupport::FakeLevelWorld {
  public:
    explicit PlantWorld(Farm* farm) : FakeLevelWorld(&farm->stock), farm_(farm) {
        std::fill(std::begin(hasBonus), std::end(hasBonus), false);
    }
    void CreatePlayer(int32_t x, int32_t y) override { farm_->MakePlayer(float(x), float(y)); }
    void SavePlayer(SaveWriter& out) const override {
        SaveWriter writer;
        farm_->player->SaveState(writer);
        out.PutU32(uint32_t(writer.Size()));
        if (uint8_t* p = out.Alloc(uint32_t(writer.Size())))
            std::memcpy(p, writer.Bytes().data(), writer.Size());
    }
    bool LoadPlayer(SaveReader& in) override {
        const uint32_t n = in.ReadU32();
        const uint8_t* bytes = in.ReadPtr(n);
        if (!bytes) return false;
        SaveReader reader(std::span<const uint8_t>(bytes, n));
        return farm_->player->LoadState(reader, &why) && reader.Remaining() == 0;
    }
    void TickCharacters(uint32_t ms) override {
        if (farm_->player) farm_->player->Update(ms);
    }
    std::string why;

  private:
    Farm* farm_;
};

// Level 34: the warehouse, a wheat bed at stage 1 (80 %, water 1) and an
// apple tree at stage 2 (50 %); both plants up to stage 3; plants grow at
// four times the clock.
Level ScenarioLevel() {
    Level level;
    level.exists = true;
    LevelRecord& r = level.record;
    SetW(r.label, u"plants");
    for (RegimeBlock& regime : r.regimes) {
        regime.bronzeMs = 300000, regime.silverMs = 200000, regime.goldMs = 100000;
        regime.goalCount = 1;
        regime.goals[0] = {kGoalMoney, 0, 0, 5000};
    }
    r.bonusId = -1;
    for (float& rate : r.speedRates)
        rate = 1.0f;
    r.speedRates[1] = 4.0f;
    r.typeCount = 1;
    r.types[0] = {Id("warehouse"), 1};
    r.plantCount = 2;
    r.plants[0] = {Id("wheat"), 3};
    r.plants[1] = {Id("apple_tree"), 3};
    r.fieldWidth = 1024, r.fieldHeight = 688;
    r.farmerX = 400, r.farmerY = 420;
    r.startMoney = 200;
    PointRecord warehouse{};
    warehouse.kind = kPointWarehouse, warehouse.stage = 1, warehouse.objectId = Id("warehouse");
    warehouse.x = 100, warehouse.y = 100;
    level.points = {warehouse, PlantPoint("wheat", 1, 80, 1, 1, 300, 400),
                    PlantPoint("apple_tree", 2, 50, 0, 0, 560, 380)};
    r.pointCount = 3;
    return level;
}

TEST_F(PlantTest, ScenarioLevelPlantsWaterGrowAndHarvestIntoTheStock) {
    const Level data = ScenarioLevel();
    auto world = std::make_unique<PlantWorld>(&farm);
    PlantWorld* plantWorld = world.get();
    auto game = std::make_unique<GameLevel>(34, 0, data, std::move(world), GameLevel::Hooks{});
    plantWorld->level = game.get();
    farm.game = game.get();
    game->StartUp();
    game->StartClock();
    auto* bed = dynamic_cast<PointPlant*>(game->GetPoint(1));
    auto* tree = dynamic_cast<PointTree*>(game->GetPoint(2));
    ASSERT_NE(bed, nullptr);
    ASSERT_NE(tree, nullptr);
    EXPECT_FLOAT_EQ(bed->Ripeness(), 80.0f);
    EXPECT_EQ(tree->FruitsShown(), 3);

    // 20 % of 10,000 ms of growth at rate 4: half a second of level time
    // after the new bed's countdown.
    for (int frame = 0; frame < 90 && !bed->IsRipe(); ++frame)
        game->Update(20);
    ASSERT_TRUE(bed->IsRipe());
    EXPECT_EQ(farm.buttons.Shown(kCommandHarvest), 1);
    ASSERT_EQ(farm.buttons.Click(kCommandHarvest), 2u);

    // Save while the farmer walks to the bed, load, and save again.
    for (int frame = 0; frame < 3; ++frame)
        game->Update(20);
    ASSERT_EQ(farm.player->CurrentJob(), bed->harvestJob);
    ASSERT_EQ(bed->harvestJob->State(), JobState::Walking);
    const std::unique_ptr<SaveBuffer> saved = game->Save();
    ASSERT_NE(saved, nullptr);
    const std::vector<uint8_t> first(saved->Data().begin(), saved->Data().end());
    std::string why;
    ASSERT_TRUE(game->Load(first, &why)) << why << " / " << plantWorld->why;
    bed = dynamic_cast<PointPlant*>(game->GetPoint(1));
    tree = dynamic_cast<PointTree*>(game->GetPoint(2));
    ASSERT_NE(bed->harvestJob, nullptr) << "the loaded job found its bed";
    EXPECT_EQ(bed->harvestJob->Step(), 1u);
    EXPECT_TRUE(bed->IsRipe());
    EXPECT_EQ(tree->Stage(), 2);
    const std::unique_ptr<SaveBuffer> again = game->Save();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), again->Data().begin(), again->Data().end()))
        << "save, load, save gives the same bytes";

    // The farmer walks, plays the harvest animation, the unit goes to the stock.
    bool animated = false;
    for (int frame = 0; frame < 500 && farm.stored.empty(); ++frame) {
        game->Update(20);
        animated |= farm.player->AnimationNameId() == Id("girl_harvest");
    }
    EXPECT_TRUE(animated);
    ASSERT_EQ(farm.stored.size(), 1u);
    EXPECT_EQ(farm.stored[0].product, Id("wheat"));
    EXPECT_EQ(farm.stored[0].units, 1u);
    EXPECT_EQ(farm.stored[0].count, 1u);
    EXPECT_EQ(plantWorld->ProductCount(Id("wheat")), 1u);

    // Water ran out: the button shows, the farmer waters, growth resumes.
    EXPECT_EQ(bed->Water(), 0u);
    EXPECT_EQ(farm.buttons.Shown(kCommandWater), 1);
    ASSERT_EQ(farm.buttons.Click(kCommandWater), 2u);
    for (int frame = 0; frame < 500 && bed->Water() == 0; ++frame)
        game->Update(20);
    EXPECT_GE(bed->Water(), 2u);
    const float before = bed->Ripeness();
    for (int frame = 0; frame < 50; ++frame)
        game->Update(20);
    EXPECT_GT(bed->Ripeness(), before);

    // The tree's fruits ripen frame by frame to the last.
    int32_t lastFrame = -1;
    for (int frame = 0; frame < 1000 && !tree->IsRipe(); ++frame) {
        game->Update(20);
        EXPECT_GE(tree->GetFruit(0).frame, lastFrame) << "frames only rise while it grows";
        lastFrame = tree->GetFruit(0).frame;
    }
    EXPECT_TRUE(tree->IsRipe());
    EXPECT_EQ(tree->GetFruit(0).frame, 3);

    // A tree site at stage 0 was bought with its planting ordered: the save without it is refused.
    const uint32_t record[] = {40, kPointPlant, 2, Id("apple_tree")}; // the tree's, its stage made 0
    std::vector<uint8_t> unplanted = first;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(record);
    PutU32(&*std::search(unplanted.begin(), unplanted.end(), bytes, bytes + sizeof record), 8, 0);
    EXPECT_FALSE(game->Load(unplanted, &why)) << "a bought tree without its planting";
    farm.game = nullptr;
    game.reset();
}

} // namespace
