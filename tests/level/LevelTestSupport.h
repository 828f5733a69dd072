#pragma once
// A small valid level and a level world that keeps its state in plain
// fields, for the level tests.

#include "foundation/Ident.h"
#include "level/GameLevel.h"
#include "level/LevelTable.h"
#include "level/MapCharacter.h"
#include "level/SaveStream.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace leveltest {

inline void SetName(char16_t (&field)[32], const char16_t* text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    for (int i = 0; text[i] && i < 31; ++i)
        field[i] = text[i];
}

inline PointRecord Point(uint32_t kind, int32_t stage, uint32_t objectId, int32_t x, int32_t y) {
    PointRecord p{};
    p.kind = kind;
    p.stage = stage;
    p.objectId = objectId;
    p.x = x;
    p.y = y;
    return p;
}

constexpr uint32_t kGarbage = 0x1234;
constexpr uint32_t kVillainKind = 77;
constexpr uint32_t kMill = 0x4444;

// Level 31's shape: a warehouse, two garbage sites, a mill; goals money 500
// and both sites cleared; two villain places and a looping schedule.
inline Level MakeLevel() {
    Level level;
    level.exists = true;
    LevelRecord& r = level.record;
    SetName(r.label, u"sample");
    r.mapCell = 3;
    r.group = 2;
    for (RegimeBlock& regime : r.regimes) {
        regime.bronzeMs = 300000;
        regime.silverMs = 200000;
        regime.goldMs = 100000;
        regime.goalCount = 2;
        regime.goals[0] = {kGoalMoney, 0, 0, 500};
        regime.goals[1] = {kGoalGarbageSites, 0, 0, 2};
    }
    r.bonusId = -1;
    for (float& rate : r.speedRates)
        rate = 1.0f;
    SetName(r.fieldPicture, u"field_31");
    r.stockCount = 1;
    r.stock[0] = {0x99, 5};
    r.typeCount = 2;
    r.types[0] = {kis::NameId("warehouse"), 3};
    r.types[1] = {kMill, 2};
    r.fieldWidth = 1024;
    r.fieldHeight = 688;
    r.farmerX = 500;
    r.farmerY = 400;
    r.startMoney = 100;
    for (float& f : r.bonusFactors)
        f = 0.5f;
    level.points = {Point(kPointWarehouse, 1, kis::NameId("warehouse"), 100, 100),
                    Point(kPointEmptySite, 0, kGarbage, 120, 160),
                    Point(kPointEmptySite, 0, kGarbage, 600, 100), Point(kPointBuilding, 1, kMill, 800, 500)};
    r.pointCount = 4;
    r.placeCount = 2;
    r.places[0] = {0, 0, 50, 50, 2};
    r.places[1] = {1000, 0, 950, 50, 6};
    level.schedule = {{0, kVillainKind, 5000}, {-1, kVillainKind, 3000}, {1, kVillainKind, 4000}};
    r.scheduleCount = 3;
    r.loopStart = 1;
    r.loopLength = 1;
    r.flags = kLevelFlagVillains;
    return level;
}

// Stock, farmer, villains and bonuses in plain fields. The farmer's
// character block holds its position and the money its queued jobs reserve;
// loading it reserves that money again through the level, as jobs do.
class FakeWorld : public LevelWorld {
  public:
    GameLevel* level = nullptr;
    std::map<uint32_t, uint32_t> stock;
    std::map<uint32_t, uint32_t> room; // products with a room set
    uint32_t warehouseLevel = 1;
    int32_t playerX = 0, playerY = 0;
    int32_t jobReserve = 0;
    std::vector<uint32_t> villains = std::vector<uint32_t>(16, 0);
    std::vector<std::pair<uint32_t, uint32_t>> created;
    int beesSent = 0;
    std::vector<std::pair<uint32_t, float>> playerModifiers;
    std::vector<uint32_t> particlePreRuns; // the ticks of each pre-run
    void PreRunParticles(uint32_t ticks) override { particlePreRuns.push_back(ticks); }
    BonusInfo bonus[6];
    bool hasBonus[6] = {true, true, true, true, true, true};

    FakeWorld() {
        for (uint32_t s = 0; s < 6; ++s) {
            bonus[s].rechargeMs = 10000 * (s + 1);
            bonus[s].durationMs = 5000;
        }
        bonus[2].speedModifiers[3] = 1.0f;
        bonus[4].durationMs = 20000;
    }

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
    void SetWarehouseLevel(uint32_t level) override { warehouseLevels.push_back(level); }
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
        if (slot >= 6 || !hasBonus[slot]) return false;
        *info = bonus[slot];
        return true;
    }
};

// The profile side the level reports to, recorded for the tests.
class RecordingFrontEnd : public LevelFrontEndHooks {
  public:
    uint32_t chosen = 0x3F;
    std::map<uint32_t, int32_t> goals;
    std::vector<std::vector<uint8_t>> stored;
    int results = 0, deleted = 0, maps = 0;

    uint32_t ChosenBonusSlots() const override { return chosen; }
    bool AddGoalProgress(uint32_t kind, int32_t amount, bool relative) override {
        goals[kind] = relative ? goals[kind] + amount : amount;
        return false;
    }
    int32_t GoalCounter(uint32_t kind) const override {
        auto it = goals.find(kind);
        return it == goals.end() ? 0 : it->second;
    }
    void StoreLevelResult(const GameLevel&, uint32_t (&)[11]) override { ++results; }
    std::map<uint32_t, int32_t> awards;
    bool AddAwardCount(uint32_t award, int32_t n) override { return awards[award] += n, false; }
    void StoreSavedGame(uint32_t, uint32_t, std::unique_ptr<SaveBuffer> saved) override {
        stored.emplace_back(saved->Data().begin(), saved->Data().end());
    }
    void DeleteSavedGame(uint32_t, uint32_t) override { ++deleted; }
    void GoToMap() override { ++maps; }
    // The comics asked for; showComics false refuses them.
    std::vector<uint32_t> comics;
    bool showComics = true;
    bool ShowComic(uint32_t comic) override {
        comics.push_back(comic);
        return showComics;
    }
};

// A level of MakeLevel with a fake world, started up.
struct TestLevel {
    Level record = MakeLevel();
    RecordingFrontEnd frontEnd;
    FakeWorld* world;
    std::unique_ptr<GameLevel> level;

    explicit TestLevel(uint32_t regime = 0, uint32_t index = 30, LevelPanelHooks* panel = nullptr,
                       LevelTutorialHooks* tutorial = nullptr) {
        auto fake = std::make_unique<FakeWorld>();
        world = fake.get();
        GameLevel::Hooks hooks;
        hooks.frontEnd = &frontEnd;
        hooks.panel = panel;
        hooks.tutorial = tutorial;
        level = std::make_unique<GameLevel>(index, regime, record, std::move(fake), hooks);
        world->level = level.get();
        level->StartUp();
    }
    GameLevel* operator->() { return level.get(); }
};

} // namespace leveltest
