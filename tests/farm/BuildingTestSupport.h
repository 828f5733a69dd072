#pragma once
// A small level with a warehouse and a bakery for the building tests: the
// farm tables (wheat, egg, bread, and a cake the level does not offer), a
// host that records what the points ask of the level interface, and a farmer
// whose jobs the tests tick by hand.
#include "farm/BuildingPoints.h"
#include "farm/FarmData.h"
#include "level/Economy.h"
#include "level/GameCharacter.h"
#include "level/LevelServices.h"
#include "level/MapCharacter.h"
#include "level/MapObject.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"
#include "tests/farm/FarmTestSupport.h"
#include "tests/level/LevelTestSupport.h"

#include <map>
#include <memory>
#include <vector>

namespace buildtest {

inline const uint32_t kWheat = kis::NameId("wheat");
inline const uint32_t kEgg = kis::NameId("egg");
inline const uint32_t kBread = kis::NameId("bread");
inline const uint32_t kCake = kis::NameId("cake");
inline const uint32_t kSugar = kis::NameId("sugar");
inline const uint32_t kBakery = kis::NameId("bakery");
inline const uint32_t kWarehouseId = kis::NameId("warehouse");

constexpr int32_t kLevel1Price = 40;
constexpr int32_t kLevel2Price = 90;
constexpr uint32_t kBuildMs = 500;
constexpr int32_t kBreadMs = 4000;

// An overhead button that keeps what it was told.
struct FakeButton : OverheadButton {
    struct State {
        bool enabled = false;
        float progress = 0.0f;
        bool hidden = false;
    };
    std::shared_ptr<State> state = std::make_shared<State>();
    int32_t left = 0, top = 0, width = 40, height = 20;
    void SetEnabled(bool on) override { state->enabled = on; }
    void SetProgress(float f) override { state->progress = f; }
    void Hide(bool, uint32_t) override { state->hidden = true; }
    void GetRect(int32_t* l, int32_t* t, int32_t* w, int32_t* h) const override {
        *l = left, *t = top, *w = width, *h = height;
    }
};

class Host : public farmtest::FakeFarmHost, public ProductStockView {
  public:
    explicit Host(FarmData* farm) : stock(farm->buildings.WarehouseCapacities(), 4), farm_(farm) {}

    // ---- LevelServices (the farmer's money is the level world's)
    MoneyValue& Money() override { return money; }
    int32_t ReservedMoney() const override { return level->ReservedMoney(); }
    void AddReservedMoney(int32_t delta) override { level->AddReservedMoney(delta); }
    uint32_t LevelTime() const override { return 0; }
    shpf::PathFinder* PathFinder() override { return nullptr; }
    bool PointExists(int32_t index) const override { return level->GetLivePoint(index) != nullptr; }
    void ClickPoint(int32_t) override {}
    void ScreenCentre(float* x, float* y) const override { *x = 400, *y = 300; }

    // ---- the farm host
    GameLevel* RunningLevel() override { return level; }
    LevelMap* Map() override { return pointMap; }
    MapPlayer* Player() override { return player; }
    ProductStock& Stock() override { return stock; }
    ProductStockView& StockView() override { return *this; }
    ProductList& Products() override { return farm_->products; }
    BuildingList& Buildings() override { return farm_->buildings; }
    uint32_t PutToWarehouse(const PRODUCT* product, uint32_t units, GameMessager*, int32_t award, int32_t x,
                            int32_t y, int32_t flyInOffset) override {
        const uint32_t room = full ? 0 : units;
        if (room) world->stock[product->record.id] += room;
        delivered += room;
        deliveries.push_back({product->record.id, units, award, x, y, flyInOffset});
        return room;
    }
    // Every delivery asked for, taken or not.
    struct Delivery {
        uint32_t product, units;
        int32_t award, x, y, flyInOffset;
    };
    std::vector<Delivery> deliveries;
    Sprite* FindSprite(int32_t, const char16_t*) override { return nullptr; }
    const GPSDescription* FindParticle(uint32_t id) override {
        return id == smoke.record.id ? &smoke : nullptr;
    }
    int32_t SpriteWidth(Sprite*) override { return 0; }
    uint32_t PlayOnChannel(uint32_t soundId, uint32_t, int32_t) override {
        playing.push_back(++nextChannel);
        sounds.push_back(soundId);
        return nextChannel;
    }
    void FadeOutSound(uint32_t channel, uint32_t ms) override {
        std::erase(playing, channel);
        fades.push_back({channel, ms});
    }
    void PlayEventSound(uint32_t slot) override { eventSounds.push_back(slot); }
    std::unique_ptr<OverheadButton> ShowProductionButton(PointFactory*, int32_t recipe, int32_t,
                                                         const PRODUCT*, int32_t, int32_t, bool,
                                                         uint32_t) override {
        auto button = std::make_unique<FakeButton>();
        productionButtons[recipe] = button->state;
        return button;
    }
    std::unique_ptr<OverheadButton> ShowSlotButton(PointFactory*, int32_t slot, int32_t, int32_t x, int32_t y,
                                                   bool, uint32_t) override {
        auto button = std::make_unique<FakeButton>();
        button->left = x + 50 * slot;
        button->top = y;
        slotButtons[slot] = button->state;
        return button;
    }
    void AttachBuildingPanel(PointBuilding*) override { ++attached; }
    void DetachBuildingPanel(PointBuilding*) override { --attached; }
    void RefreshBuildingPanel(PointBuilding*) override { ++panelRefreshes; }
    void ShowProductChange(const ProductChange& change) override { changes.push_back(change); }
    void OpenWarehouseWindow() override { ++warehouseWindows; }
    void SetWarehouseButtonLevel(int32_t l) override { warehouseButtonLevel = l; }
    bool TutorialAllows(TutorialAction, uint32_t, TutorialObject) override { return allowProduction; }
    void TutorialNotify(TutorialEvent event, uint32_t, TutorialObject) override { events.push_back(event); }

    // ---- the stock view over the level world's stock
    int32_t GetCount(const PRODUCT* product) const override {
        auto it = world->stock.find(product->record.id);
        return it == world->stock.end() ? 0 : int32_t(it->second);
    }
    void Remove(const PRODUCT* product, int32_t units) override {
        uint32_t& n = world->stock[product->record.id];
        n -= std::min<uint32_t>(n, uint32_t(units));
        if (n == 0) world->stock.erase(product->record.id);
    }
    void Add(const PRODUCT* product, int32_t units) override {
        world->stock[product->record.id] += uint32_t(units);
    }

    GameLevel* level = nullptr;
    testsupport::FakeLevelWorld* world = nullptr;
    LevelMap* pointMap = nullptr; // the points' pictures; none by default
    // Smoke: ten puffs a second, each living a second, while emitting.
    Sprite puff{nullptr, u"smoke_puff"};
    GPSDescription smoke = [this] {
        GPSDescription d;
        d.sprite = &puff;
        d.record.id = kis::NameId("smoke");
        d.record.flags = kGPSOwnEmission;
        d.record.lifetime = 1000;
        d.record.emission.emissionLength = 1000;
        d.record.emission.rate = 10.0f;
        d.record.emission.sizeMin = d.record.emission.sizeMax = 4;
        d.record.deathSize = 1.0f;
        return d;
    }();
    MapPlayer* player = nullptr;
    MoneyValue money;
    ProductStock stock;
    bool full = false;
    bool allowProduction = true;
    uint32_t delivered = 0;
    uint32_t nextChannel = 0;
    std::vector<uint32_t> playing, sounds, eventSounds;
    std::vector<TutorialEvent> events;
    std::vector<ProductChange> changes; // the labels flown, in order
    std::vector<std::pair<uint32_t, uint32_t>> fades;
    std::map<int32_t, std::shared_ptr<FakeButton::State>> productionButtons, slotButtons;
    int attached = 0, panelRefreshes = 0, warehouseWindows = 0;
    int32_t warehouseButtonLevel = -5;

  private:
    FarmData* farm_;
};

// The tables: wheat, egg, bread (2 wheat, 1 egg, 4 s), cake (sugar, which
// no level offers); a warehouse of three levels and a bakery of two.
struct Tables {
    farmtest::RecordingResources resources;
    FarmData farm{&resources};

    Tables() {
        ProductRecord bread = farmtest::Product("bread", {{kWheat, 2}, {kEgg, 1}});
        bread.productionTime = kBreadMs;
        for (const ProductRecord& r : {farmtest::Product("wheat"), farmtest::Product("egg"), bread,
                                       farmtest::Product("sugar"), farmtest::Product("cake", {{kSugar, 1}})})
            farm.products.Add(r);
        farm.products.ResolveIngredients();
        BuildingTypeSource warehouse = farmtest::Warehouse(3);
        for (int32_t i = 0; i < 3; ++i) {
            warehouse.levels[i].price = 100 * (i + 1);
            warehouse.levels[i].buildTime = kBuildMs;
        }
        farm.buildings.Add(warehouse.header, warehouse.levels);
        BuildingTypeSource bakery = farmtest::Factory("bakery", {"bread", "cake"}, 2);
        bakery.header.anchor[0] = 10;
        bakery.header.anchor[1] = 20;
        bakery.header.workSpot[0] = 5;
        bakery.header.workSpot[1] = 30;
        bakery.header.factory.slotOffset[0] = -30;
        bakery.header.factory.slotOffset[1] = -90;
        bakery.header.scale = 1.0f;
        bakery.levels[0].price = kLevel1Price;
        bakery.levels[1].price = kLevel2Price;
        for (int32_t i = 0; i < 2; ++i) {
            bakery.levels[i].buildTime = kBuildMs;
            bakery.levels[i].capacityOrAnimationCount = 0;
        }
        BUILDING* type = farm.buildings.Add(bakery.header, bakery.levels);
        type->workingSound = 7;
    }
};

inline GameCharacter Farmer() {
    GameCharacter c;
    c.id = kCharacterFarmer;
    c.variantCount = 4;
    c.walkSpeed = 100.0f; // the walks end within a tick or two
    c.kinds.resize(1);
    c.kinds[0].standing[0] = u's';
    c.kinds[0].walk[0] = u'w';
    return c;
}

// What the building and animal-house test levels share: the tables and the
// host, the level record, the farmer on the map, the level made over a fake
// world whose warehouse and building points MakeBuildingPoint makes, and the
// tear-down that leaves no point maker or job loader behind.
template <typename TablesT, typename HostT> struct PointLevel {
    testsupport::TestLevelData levelData; // where the point makers and job loaders go
    TablesT tables;
    HostT host{&tables.farm};
    Level record = leveltest::MakeLevel();
    std::unique_ptr<GameLevel> level;
    GameCharacter farmerInfo = Farmer();
    LevelMap map{&host};
    std::unique_ptr<MapPlayer> player;

    PointLevel() = default;
    PointLevel(const PointLevel&) = delete;
    PointLevel& operator=(const PointLevel&) = delete;
    ~PointLevel() {
        player.reset();
        level.reset();
        SetPointMaker(kPointWarehouse, nullptr);
        SetPointMaker(kPointBuilding, nullptr);
        ClearPlayerJobLoaders();
    }

    // The farmer at (500, 400), known to the host.
    void MakePlayer() {
        player = std::make_unique<MapPlayer>(&map, &farmerInfo, 500.0f, 400.0f);
        player->AddToLevel(2); // the farmer's layer, as the level puts her
        host.player = player.get();
    }
    // The level of the index from the record, over a fresh fake world, with
    // the host tied to both and 500 money in the host's purse.
    void MakeLevel(uint32_t levelIndex) {
        auto fake = std::make_unique<testsupport::FakeLevelWorld>();
        host.world = fake.get();
        for (uint32_t kind : {kPointWarehouse, kPointBuilding})
            SetPointMaker(kind,
                          [this](uint32_t index, const PointRecord& r) -> std::unique_ptr<BaseLevelPoint> {
                              return MakeBuildingPoint(&host, index, r);
                          });
        level = std::make_unique<GameLevel>(levelIndex, 0, record, std::move(fake), GameLevel::Hooks{});
        host.world->level = level.get();
        host.level = level.get();
        host.money.Set(500);
    }

    uint32_t Stock(uint32_t id) const { return host.world->ProductCount(id); }
};

// The level: warehouse at point 0 (level 1, up to 3), empty sites at 1 and
// 2, the bakery at point 3 (at bakeryStage, up to 2); wheat 6 and egg 3 in
// stock; 500 money.
struct TestBakeryLevel : PointLevel<Tables, Host> {
    explicit TestBakeryLevel(int32_t bakeryStage = 1, float factoryRate = 1.0f, bool pictures = false) {
        if (pictures) host.pointMap = &map;
        RegisterBuildingJobLoaders();
        FarmData& farm = tables.farm;
        farm.ResetUsedFlags();
        farm.buildings.EnableBuilding(farm.buildings.FindBuildingType(kWarehouseId), 3);
        farm.buildings.EnableBuilding(farm.buildings.FindBuildingType(kBakery), 2);
        farm.products.MarkUsedById(kWheat);
        farm.products.MarkUsedById(kEgg);
        record.record.types[1] = {kBakery, 2};
        record.record.speedRates[kFactorySpeedGroup] = factoryRate;
        record.record.startMoney = 500;
        record.points[3] = leveltest::Point(kPointBuilding, bakeryStage, kBakery, 800, 500);
        record.record.stockCount = 0;
        MakePlayer();
        Start();
    }

    void Start() {
        MakeLevel(30);
        level->StartUp();
        level->StartClock();
        level->Money().Set(500);
        host.world->stock[kWheat] = 6;
        host.world->stock[kEgg] = 3;
        // The stock changed: the factories look at their ingredients again.
        RefreshFactoryRecipes(*level);
        // The tests begin on a level in play: the new points' countdown has run.
        Run(uint32_t(kPointInitialCountdownMs));
    }

    PointFactory* Bakery() const { return dynamic_cast<PointFactory*>(level->GetPoint(3)); }
    PointWarehouse* Warehouse() const { return dynamic_cast<PointWarehouse*>(level->GetPoint(0)); }

    // Ticks the level and the farmer together for ms.
    void Run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += kLevelTickMs) {
            level->Update(kLevelTickMs);
            player->Update(kLevelTickMs);
        }
    }
};

} // namespace buildtest
