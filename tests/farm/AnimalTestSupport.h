#pragma once
// A small level with a warehouse and the three animal houses for the
// animal-house tests: wheat as feed, egg, milk and wool as produce, the
// chicken, cow, sheep and sheep-head descriptions, and a host that keeps the
// overhead buttons the houses show.
#include "farm/AnimalHouses.h"
#include "level/SaveStream.h"
#include "tests/farm/BuildingTestSupport.h"

#include <map>
#include <memory>

namespace animaltest {

using buildtest::FakeButton;

inline const uint32_t kWheat = kis::NameId("wheat");
inline const uint32_t kEgg = kis::NameId("egg");
inline const uint32_t kMilk = kis::NameId("milk");
inline const uint32_t kWool = kis::NameId("wool");
inline const uint32_t kHenhouse = kis::NameId("henhouse");
inline const uint32_t kCowshed = kis::NameId("cowshed");
inline const uint32_t kSheepRack = kis::NameId("sheep_rack");

constexpr uint32_t kHenProductionMs = 8000;
constexpr uint32_t kHenEatingMs = 2000;
constexpr uint32_t kWorkMs = 1500;
constexpr uint32_t kFeedMs = 500;
constexpr uint32_t kShedMs = 6000;

// Where the points stand (field pixels).
constexpr int32_t kHenX = 300, kHenY = 300;
constexpr int32_t kShedX = 600, kShedY = 300;
constexpr int32_t kRackX = 800, kRackY = 500;

class AnimalHost : public buildtest::Host {
  public:
    using Host::Host;
    struct Shown {
        std::shared_ptr<FakeButton::State> state;
        int32_t x, y, price;
    };
    std::unique_ptr<OverheadButton> ShowAnimalButton(PointBuilding* point, uint32_t command, const PRODUCT*,
                                                     int32_t price, int32_t x, int32_t y, bool,
                                                     uint32_t) override {
        auto button = std::make_unique<FakeButton>();
        button->left = x;
        button->top = y;
        shown[{point->Index(), command}] = {button->state, x, y, price};
        return button;
    }
    shpf::PathFinder* PathFinder() override { return finder; }
    const GameCharacter* FindCharacter(uint32_t id) override {
        return id == kCharacterSheepHead ? sheepHead : nullptr;
    }
    // The button of a command when it is shown and not hidden.
    FakeButton::State* Visible(uint32_t point, uint32_t command) {
        auto it = shown.find({point, command});
        return it != shown.end() && !it->second.state->hidden ? it->second.state.get() : nullptr;
    }

    // The last button of a command shown at a point (a null state when none).
    Shown At(uint32_t point, uint32_t command) const {
        auto it = shown.find({point, command});
        return it != shown.end() ? it->second : Shown{nullptr, 0, 0, 0};
    }
    bool WasShown(uint32_t point, uint32_t command) const { return shown.count({point, command}) != 0; }

    std::map<std::pair<uint32_t, uint32_t>, Shown> shown;
    const GameCharacter* sheepHead = nullptr;
    shpf::PathFinder* finder = nullptr; // none: every spot is free
};

inline GameCharacter Animal(uint32_t id, int32_t kinds, float walkSpeed) {
    GameCharacter c;
    c.id = id;
    c.variantCount = 4;
    c.walkSpeed = walkSpeed;
    c.kinds.resize(size_t(kinds));
    for (auto& kind : c.kinds) {
        kind.standing[0] = u's';
        if (walkSpeed > 0.0f) kind.walk[0] = u'w';
    }
    return c;
}

inline BuildingTypeSource House(const char* name, uint32_t character, const char* produce,
                                uint32_t productionMs, uint32_t eatingMs) {
    BuildingTypeSource b = farmtest::AnimalHouse(name);
    b.header.levelCount = 4;
    b.header.scale = 1.0f;
    b.header.mirrorA = 1;
    b.header.characterOrProductCount = character;
    b.header.animal.produceProductId = kis::NameId(produce);
    b.header.animal.productionTime = productionMs;
    b.header.animal.eatingTime = eatingMs;
    b.header.animal.workTime = kWorkMs;
    b.header.animal.feedAnimationMs = kFeedMs;
    farmtest::SetName(b.header.animal.feedAnimation, "girl_feed");
    b.header.workSpot[0] = 20;
    b.header.workSpot[1] = 30;
    for (int32_t s = 0; s < 4; ++s) {
        b.header.animal.animalStart[s][0] = -40 + 10 * s;
        b.header.animal.animalStart[s][1] = 20;
    }
    for (int32_t i = 0; i < 4; ++i) {
        BuildingLevelRecord& l = b.levels[i];
        l.price = 50;
        l.buildTime = 500;
        l.animal.feedUnits = 1;
        l.animal.overlayOffset[0] = 12;
        l.animal.overlayOffset[1] = -20;
        l.animal.feedSpot[0] = 30;
        l.animal.feedSpot[1] = 10;
        for (int32_t s = 0; s < 4; ++s) {
            l.animal.animalSpots[s][0] = -30 + 20 * s;
            l.animal.animalSpots[s][1] = 12;
            l.animal.animalAnimation[s][0] = uint32_t(s);
            l.animal.animalAnimation[s][1] = uint32_t(s + 4);
        }
    }
    return b;
}

struct Tables {
    farmtest::RecordingResources resources;
    FarmData farm{&resources};
    GameCharacter chicken = Animal(kCharacterChicken, 1, 100.0f);
    GameCharacter cow = Animal(kCharacterCow, 1, 0.0f);
    GameCharacter sheep = Animal(kCharacterSheepBody, 2, 0.0f);
    GameCharacter sheepHead = Animal(kCharacterSheepHead, 2, 0.0f);
    MapSprite gauge{nullptr, u"gauge"};

    Tables() {
        for (const char* p : {"wheat", "egg", "milk", "wool"})
            farm.products.Add(farmtest::Product(p));
        farm.products.ResolveIngredients();
        BuildingTypeSource warehouse = farmtest::Warehouse(3);
        farm.buildings.Add(warehouse.header, warehouse.levels);
        BuildingTypeSource hen = House("henhouse", kCharacterChicken, "egg", kHenProductionMs, kHenEatingMs);
        BuildingTypeSource shed = House("cowshed", kCharacterCow, "milk", kShedMs, 0);
        for (int32_t i = 0; i < 4; ++i)
            shed.levels[i].animal.feedUnits = uint32_t(i + 1);
        BuildingTypeSource rack = House("sheep_rack", kCharacterSheepBody, "wool", kShedMs, 0);
        gauge.SetFrames(std::vector<kis::Rect>(5));
        for (auto* source : {&hen, &shed, &rack}) {
            BUILDING* type = farm.buildings.Add(source->header, source->levels);
            for (auto& level : type->levels)
                level.overlay = &gauge;
        }
        farm.buildings.FindBuildingType(kHenhouse)->animal = &chicken;
        farm.buildings.FindBuildingType(kCowshed)->animal = &cow;
        farm.buildings.FindBuildingType(kSheepRack)->animal = &sheep;
        farm.buildings.FindBuildingType(kHenhouse)->workingSound = 9;
    }
};

// The level: warehouse at 0, henhouse at 1, cowshed at 2, sheep rack at 3,
// each at the stage given (up to 4); wheat in stock; 500 money.
struct AnimalLevel : buildtest::PointLevel<Tables, AnimalHost> {
    uint32_t wheat;

    explicit AnimalLevel(int32_t henStage = 1, int32_t shedStage = 2, int32_t rackStage = 1,
                         uint32_t wheatUnits = 10, float animalRate = 1.0f, bool mirrored = false)
        : wheat(wheatUnits) {
        host.pointMap = &map;
        host.sheepHead = &tables.sheepHead;
        RegisterBuildingJobLoaders();
        RegisterAnimalJobLoaders();
        FarmData& farm = tables.farm;
        farm.ResetUsedFlags();
        farm.buildings.EnableBuilding(farm.buildings.FindBuildingType(buildtest::kWarehouseId), 3);
        for (uint32_t id : {kHenhouse, kCowshed, kSheepRack})
            farm.buildings.EnableBuilding(farm.buildings.FindBuildingType(id), 4);
        for (uint32_t id : {kWheat, kEgg, kMilk, kWool})
            farm.products.MarkUsedById(id);
        record.record.typeCount = 4;
        record.record.types[1] = {kHenhouse, 4};
        record.record.types[2] = {kCowshed, 4};
        record.record.types[3] = {kSheepRack, 4};
        record.record.speedRates[kAnimalSpeedGroup] = animalRate;
        record.record.startMoney = 500;
        record.record.stockCount = 0;
        const uint32_t flags = mirrored ? 1u : 0u;
        record.points[1] = leveltest::Point(kPointBuilding, henStage, kHenhouse, kHenX, kHenY);
        record.points[2] = leveltest::Point(kPointBuilding, shedStage, kCowshed, kShedX, kShedY);
        record.points[3] = leveltest::Point(kPointBuilding, rackStage, kSheepRack, kRackX, kRackY);
        for (int i = 1; i <= 3; ++i)
            record.points[size_t(i)].flags = flags;
        MakePlayer();
        Start();
    }

    void Start() {
        MakeLevel(36);
        host.world->stock[kWheat] = wheat;
        level->StartUp();
        level->Begin();
        level->StartClock();
        level->Money().Set(500);
        if (wheat)
            host.world->stock[kWheat] = wheat;
        else
            host.world->stock.erase(kWheat);
    }

    PointHenhouse* Hen() const { return dynamic_cast<PointHenhouse*>(level->GetPoint(1)); }
    PointCowshed* Shed() const { return dynamic_cast<PointCowshed*>(level->GetPoint(2)); }
    PointSheepRack* Rack() const { return dynamic_cast<PointSheepRack*>(level->GetPoint(3)); }

    void Run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += kLevelTickMs) {
            level->Update(kLevelTickMs);
            player->Update(kLevelTickMs);
            map.Update(kLevelTickMs);
        }
    }
    // Runs until the condition holds or the time is up; true when it held.
    template <typename F> bool RunUntil(F done, uint32_t limitMs) {
        for (uint32_t t = 0; t < limitMs && !done(); t += kLevelTickMs)
            Run(kLevelTickMs);
        return done();
    }
    // Feeds a house through its overhead button and lets the farmer work.
    bool FeedAndWait(PointPetshouse* house) {
        if (!house->OnOverheadCommand(kFeedCommand)) return false;
        return RunUntil([house] { return house->IsFed(); }, 5000);
    }
};

// A record as a reader over its bytes.
struct Bytes {
    SaveWriter writer;
    std::unique_ptr<SaveBuffer> buffer;
    SaveReader Reader() {
        buffer = writer.Finish();
        return SaveReader(buffer->Data());
    }
};

} // namespace animaltest
