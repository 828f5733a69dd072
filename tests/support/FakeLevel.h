#pragma once
// The tests' stand-ins for the running level's two sides: the services the
// map's objects, characters and jobs reach the level through, and the
// farm's side of the level world that a GameLevel owns; and the game's level
// data the program would own. Both keep their
// state in plain fields a test sets and reads; a test whose subject needs
// more overrides the calls it needs (a farm that owns its points, villains
// that live on their own map).

#include "app/App.h"
#include "level/Economy.h"
#include "level/GameLevel.h"
#include "level/LevelData.h"
#include "level/LevelHooks.h"
#include "level/LevelServices.h"
#include "level/MapCharacter.h"
#include "level/SaveStream.h"
#include "pathfinding/PathFinder.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace testsupport {

// The level's services. Alone it has its own money and reserved total, a
// clock, an optional path finder, the points listed in `livePoints`, and it
// records the clicks on points and the tutorial's events; the tutorial
// refuses the actions in `refusedActions`. With `backingLevel` set, the
// money, the reserved total, the clock and the points are that level's.
class FakeLevelServices : public LevelServices {
  public:
    GameLevel* backingLevel = nullptr;
    MoneyValue money;
    int32_t reserved = 0;
    uint32_t time = 0;
    std::unique_ptr<shpf::PathFinder> finder;
    std::set<int32_t> livePoints;
    std::vector<int32_t> clicks;
    float centreX = 400.0f, centreY = 300.0f;
    std::set<TutorialAction> refusedActions;
    std::vector<TutorialEvent> events;

    MoneyValue& Money() override { return backingLevel ? backingLevel->Money() : money; }
    int32_t ReservedMoney() const override { return backingLevel ? backingLevel->ReservedMoney() : reserved; }
    void AddReservedMoney(int32_t delta) override {
        if (backingLevel)
            backingLevel->AddReservedMoney(delta);
        else
            reserved += delta;
    }
    uint32_t LevelTime() const override { return backingLevel ? backingLevel->LevelTimeMs() : time; }
    shpf::PathFinder* PathFinder() override { return finder.get(); }
    bool PointExists(int32_t index) const override {
        return backingLevel ? backingLevel->PointExists(index) : livePoints.count(index) != 0;
    }
    void ClickPoint(int32_t index) override { clicks.push_back(index); }
    void ScreenCentre(float* x, float* y) const override { *x = centreX, *y = centreY; }
    bool TutorialAllows(TutorialAction action, uint32_t, TutorialObject) override {
        return !refusedActions.count(action);
    }
    void TutorialNotify(TutorialEvent event, uint32_t, TutorialObject) override { events.push_back(event); }
};

// The farm's side of the level world: the stock in a map (its own, or one a
// test shares with the farm it builds), the farmer as a position and the
// money its queued jobs reserve, villains as the kind at each place, and
// the bonus table in plain fields. `level` is the level that owns the world
// (set once it is made): saving the villains and loading the farmer use it.
class FakeLevelWorld : public LevelWorld {
  public:
    // The stock lives in sharedStock when given, else in the world.
    explicit FakeLevelWorld(std::map<uint32_t, uint32_t>* sharedStock = nullptr)
        : stock(sharedStock ? *sharedStock : ownStock_) {
        for (uint32_t s = 0; s < kBonusSlotCount; ++s) {
            bonus[s].rechargeMs = 10000 * (s + 1);
            bonus[s].durationMs = 5000;
        }
        bonus[2].speedModifiers[3] = 1.0f;
        bonus[4].durationMs = 20000;
    }

  private:
    std::map<uint32_t, uint32_t> ownStock_;

  public:
    GameLevel* level = nullptr;
    std::map<uint32_t, uint32_t>& stock;
    std::map<uint32_t, uint32_t> room; // products with a room set
    uint32_t warehouseLevel = 1;
    int32_t playerX = 0, playerY = 0;
    int32_t jobReserve = 0;
    std::vector<uint32_t> villains = std::vector<uint32_t>(16, 0);
    std::vector<std::pair<uint32_t, uint32_t>> created;
    int beesSent = 0;
    std::vector<std::pair<uint32_t, float>> playerModifiers;
    BonusInfo bonus[kBonusSlotCount];
    bool hasBonus[kBonusSlotCount] = {true, true, true, true, true, true};

    void ResetStock(uint32_t) override { stock.clear(), warehouseLevel = 1; }
    // Takes everything, or up to the room a test set for the product.
    uint32_t AddProduct(uint32_t id, uint32_t units) override {
        auto it = room.find(id);
        const uint32_t taken = it == room.end() ? units : std::min(units, it->second);
        stock[id] += taken;
        return taken;
    }
    uint32_t ProductCount(uint32_t id) const override {
        auto it = stock.find(id);
        return it == stock.end() ? 0 : it->second;
    }
    int64_t StockValue() const override {
        int64_t v = 0;
        for (auto& [id, n] : stock)
            v += int64_t(n) * 3;
        return v;
    }
    void SaveStock(SaveWriter& out) const override {
        out.PutU32(16 + 8 * uint32_t(stock.size()));
        out.PutU32(warehouseLevel);
        out.PutU32(uint32_t(stock.size()));
        out.PutU32(0);
        for (auto& [id, n] : stock)
            out.PutU32(id), out.PutU32(n);
    }
    bool LoadStock(SaveReader& in) override {
        SaveReader block = in.ReadBlock(16);
        warehouseLevel = block.ReadU32();
        const uint32_t n = block.ReadU32();
        block.ReadU32();
        if (n > 32 || block.Remaining() != 8 * size_t(n)) return false;
        stock.clear();
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t id = block.ReadU32();
            stock[id] = block.ReadU32();
        }
        return !block.Failed();
    }
    void CreatePlayer(int32_t x, int32_t y) override { playerX = x, playerY = y, jobReserve = 0; }
    void SavePlayer(SaveWriter& out) const override {
        out.PutU32(16), out.PutI32(playerX), out.PutI32(playerY), out.PutI32(jobReserve);
    }
    bool LoadPlayer(SaveReader& in) override {
        SaveReader block = in.ReadBlock(16, 16);
        playerX = block.ReadI32();
        playerY = block.ReadI32();
        const int32_t reserve = block.ReadI32();
        if (block.Failed() || reserve < 0 || reserve > kMaxMoney) return false;
        jobReserve = 0;
        Reserve(reserve);
        return true;
    }
    // A job of the farmer takes money aside.
    void Reserve(int32_t amount) {
        level->AddReservedMoney(amount);
        jobReserve += amount;
        level->Money().Subtract(amount);
    }
    void StopCharacters() override {}
    void TickShots(uint32_t) override {}
    void TickCharacters(uint32_t ms) override {
        if (player) player->Update(ms);
    }
    // A farmer on the level's map, when a test puts one there.
    MapPlayer* player = nullptr;
    MapPlayer* Player() override { return player; }
    std::vector<uint32_t> warehouseLevels;
    void SetWarehouseLevel(uint32_t stage) override { warehouseLevels.push_back(stage); }
    uint32_t ProductRoom(uint32_t id) const override {
        auto it = room.find(id);
        return it == room.end() ? 0 : it->second;
    }
    int32_t ProductPrice(uint32_t) const override { return 7; }
    std::map<uint32_t, uint32_t> numbers; // products' numbers in the table
    uint32_t ProductNumber(uint32_t id) const override {
        auto it = numbers.find(id);
        return it == numbers.end() ? 0 : it->second;
    }
    void SetPlayerSpeedModifier(uint32_t, uint32_t id, float value) override {
        playerModifiers.push_back({id, value});
    }
    std::vector<uint32_t> particlePreRuns; // the ticks of each pre-run
    void PreRunParticles(uint32_t ticks) override { particlePreRuns.push_back(ticks); }
    bool IsVillainPlaceFree(uint32_t place) const override { return villains[place] == 0; }
    void CreateVillain(uint32_t place, uint32_t kind, const VillainPlace&) override {
        villains[place] = kind;
        created.push_back({place, kind});
    }
    void AttackVillainsByBees() override { ++beesSent; }
    // The presses offered to the field's figures (field pixels); taken when
    // figuresTakeClicks is set.
    std::vector<std::pair<float, float>> figureClicks;
    bool figuresTakeClicks = false;
    bool ClickFieldObject(float x, float y) override {
        figureClicks.push_back({x, y});
        return figuresTakeClicks;
    }
    bool shotUnder = false; // a flying shot lies under every place
    bool ShotUnder(float, float) const override { return shotUnder; }
    // The pointer the level last showed the field's figures before drawing.
    std::optional<std::pair<float, float>> hovered;
    void HoverFieldObject(bool inField, float x, float y) override {
        hovered = inField ? std::optional(std::pair(x, y)) : std::nullopt;
    }
    void SaveVillains(SaveWriter& out) const override {
        out.PutU32(0); // shots
        const uint32_t places = level->Record().record.placeCount;
        out.PutU32(places);
        for (uint32_t p = 0; p < places; ++p)
            out.PutU32(villains[p]);
    }
    bool LoadVillains(SaveReader& in, uint32_t placeCount) override {
        if (in.ReadU32() != 0 || in.ReadU32() != placeCount) return false;
        for (uint32_t p = 0; p < placeCount; ++p)
            villains[p] = in.ReadU32();
        return !in.Failed();
    }
    bool GetBonus(uint32_t slot, BonusInfo* info) const override {
        if (slot >= kBonusSlotCount || !hasBonus[slot]) return false;
        *info = bonus[slot];
        return true;
    }
};

// The game's level data while a test runs, held by an App of the test's own:
// the characters and bonuses a test loads, the point makers and the
// farmer's job loaders it registers go there and go with it. A test that
// needs the shell's state as well runs on its App.
class TestLevelData {
  public:
    TestLevelData() { SetLevelGameData(&data); }
    ~TestLevelData() { SetLevelGameData(nullptr); }
    TestLevelData(const TestLevelData&) = delete;
    TestLevelData& operator=(const TestLevelData&) = delete;

    App app; // made first, gone last
    LevelGameData data;
};

} // namespace testsupport
