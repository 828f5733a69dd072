#pragma once
// A small valid level, the profile side it reports to, and a started level
// of it on the shared fake world, for the level tests.

#include "foundation/Ident.h"
#include "level/GameLevel.h"
#include "level/LevelTable.h"
#include "level/MapCharacter.h"
#include "level/SaveStream.h"
#include "tests/support/FakeLevel.h"

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

// The profile side the level reports to, recorded for the tests.
class RecordingFrontEnd : public NoLevelFrontEnd {
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
    void StoreLevelResult(const GameLevel&, LevelResult&) override { ++results; }
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
    testsupport::FakeLevelWorld* world;
    std::unique_ptr<GameLevel> level;

    explicit TestLevel(uint32_t regime = 0, uint32_t index = 30, LevelInterfaceHooks* panel = nullptr,
                       LevelTutorialHooks* tutorial = nullptr) {
        auto fake = std::make_unique<testsupport::FakeLevelWorld>();
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
