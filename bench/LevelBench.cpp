// The running level's costs: one 10-ms level tick of a full level (13 points,
// 12 characters walking their rounds, every point's countdown and the
// villain schedule running), and one whole frame (the tick plus drawing the
// map at 1024 x 768 on the software device). The characters have no sprite
// art here, so the drawn frame is the map's own work and the clear.
#include "engine/Viewer.h"
#include "foundation/Ident.h"
#include "level/GameLevel.h"
#include "level/MapCharacter.h"
#include "level/SaveStream.h"
#include "platform/GraphicsDevice.h"

#include "BenchScene.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr uint32_t kCharacters = 12;

// Characters that walk back and forth across the field.
class BenchWorld : public LevelWorld {
  public:
    std::vector<MapCharacter*> walkers; // owned by the level's map
    void ResetStock(uint32_t) override {}
    uint32_t AddProduct(uint32_t, uint32_t units) override { return units; }
    uint32_t ProductCount(uint32_t) const override { return 0; }
    int64_t StockValue() const override { return 0; }
    void SaveStock(SaveWriter&) const override {}
    bool LoadStock(SaveReader&) override { return true; }
    void CreatePlayer(int32_t, int32_t) override {}
    void SavePlayer(SaveWriter&) const override {}
    bool LoadPlayer(SaveReader&) override { return true; }
    void StopCharacters() override {}
    void HoverFieldObject(bool, float, float) override {}
    void TickShots(uint32_t) override {}
    void TickCharacters(uint32_t ms) override {
        for (MapCharacter* c : walkers) {
            if (!c->IsWalking()) c->StartWalk(c->X() < 500 ? 900.0f : 100.0f, c->Y(), true, 1.2f, nullptr);
            c->Update(ms);
        }
    }
    void SetPlayerSpeedModifier(uint32_t, uint32_t, float) override {}
    bool IsVillainPlaceFree(uint32_t) const override { return true; }
    void CreateVillain(uint32_t, uint32_t, const VillainPlace&) override {}
    void AttackVillainsByBees() override {}
    void SaveVillains(SaveWriter&) const override {}
    bool LoadVillains(SaveReader&, uint32_t) override { return true; }
    bool GetBonus(uint32_t, BonusInfo*) const override { return false; }
    void PreRunParticles(uint32_t) override {}
    MapPlayer* Player() override { return nullptr; }
    void SetWarehouseLevel(uint32_t) override {}
    uint32_t ProductRoom(uint32_t) const override { return 0; }
    int32_t ProductPrice(uint32_t) const override { return 0; }
    uint32_t ProductNumber(uint32_t) const override { return 0; }
    bool ClickFieldObject(float, float) override { return false; }
    bool ShotUnder(float, float) const override { return false; }
};

Level MakeFullLevel() {
    Level level;
    level.exists = true;
    LevelRecord& r = level.record;
    r.regimes[0] = {600000, 400000, 200000, 1, {{kGoalMoney, 0, 0, 99999}}};
    r.typeCount = 1;
    r.types[0] = {kis::NameId("warehouse"), 3};
    for (float& rate : r.speedRates)
        rate = 1.0f;
    r.fieldWidth = 1024;
    r.fieldHeight = 688;
    PointRecord warehouse{};
    warehouse.kind = kPointWarehouse;
    warehouse.stage = 1;
    warehouse.objectId = kis::NameId("warehouse");
    level.points.push_back(warehouse);
    for (int32_t i = 1; i < int32_t(kMaxLevelPoints); ++i) {
        PointRecord site{};
        site.x = 80 * i;
        site.y = 100 + 40 * (i % 5);
        level.points.push_back(site);
    }
    r.pointCount = kMaxLevelPoints;
    r.placeCount = 4;
    for (uint32_t p = 0; p < 4; ++p)
        r.places[p] = {int32_t(p) * 200, 0, int32_t(p) * 200 + 50, 60, 2};
    level.schedule = {{-1, 1, 50}, {-1, 1, 70}};
    r.scheduleCount = 2;
    r.loopLength = 2;
    r.flags = kLevelFlagVillains;
    return level;
}

struct BenchLevel {
    Level record = MakeFullLevel();
    GameCharacter walker;
    std::unique_ptr<GameLevel> level;
    BenchLevel() {
        walker.id = kCharacterFarmer;
        walker.variantCount = 4;
        walker.walkSpeed = 1.2f;
        walker.kinds.resize(1);
        auto world = std::make_unique<BenchWorld>();
        BenchWorld* raw = world.get();
        level = std::make_unique<GameLevel>(30, 0, record, std::move(world), GameLevel::Hooks{});
        for (uint32_t i = 0; i < kCharacters; ++i) {
            auto c = std::make_unique<MapCharacter>(&level->Map(), &walker, 0, nullptr, 0,
                                                    100.0f + 60.0f * float(i), 150.0f + 35.0f * float(i), -1);
            raw->walkers.push_back(static_cast<MapCharacter*>(level->Map().Adopt(std::move(c))));
            raw->walkers.back()->AddToLevel(2);
        }
        level->StartUp();
        level->OnScreenSizeChanged(bench::kSceneWidth, bench::kSceneHeight);
        level->Begin();
        level->StartClock();
    }
};

void BM_LevelTick(benchmark::State& state) {
    BenchLevel bench;
    for (auto _ : state)
        bench.level->Tick();
    state.SetLabel("13 points, 12 characters");
}
BENCHMARK(BM_LevelTick);

void BM_LevelFrame(benchmark::State& state) {
    BenchLevel bench;
    bench::SceneViewer viewer;
    if (!viewer.Open()) {
        state.SkipWithError("no software device");
        return;
    }
    for (auto _ : state) {
        bench.level->Update(16);
        viewer.BeginScene();
        viewer.ClearTarget(0xFF203018);
        bench.level->Draw(viewer);
        viewer.EndFrame();
    }
    state.SetLabel("tick and draw at 1024 x 768");
}
BENCHMARK(BM_LevelFrame);

} // namespace

BENCHMARK_MAIN();
