#pragma once
// A level with villains for the villain tests: the level of the level tests
// reshaped (one villain place, one schedule entry), a level world that keeps
// money and stock in plain fields and hands its villains to FarmVillains,
// and recording hooks for sounds, the profile and the tutorial.

#include "farm/FarmVillains.h"
#include "farm/VillainHost.h"
#include "farm/Villains.h"
#include "level/Economy.h"
#include "level/LevelServices.h"
#include "tests/farm/FarmTestSupport.h"
#include "tests/level/LevelTestSupport.h"
#include "tests/support/FakeLevel.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace villaintest {

constexpr int32_t kBed = 1;

// Resources that have nothing: no sprites, no characters, sound handles
// counted from 1.
class NoResources : public FarmResources {
  public:
    Sprite* FindSprite(int32_t, const char16_t*) override { return nullptr; }
    void AcquireSprite(Sprite*) override {}
    int32_t GetFrameCount(Sprite*) override { return 0; }
    uint32_t LoadSound(const char16_t* name) override { return name[0] ? ++sounds : 0; }
    GameCharacter* FindCharacter(uint32_t) override { return nullptr; }
    void AcquireCharacter(GameCharacter*) override {}
    const char16_t* GetAwardName(int32_t) override { return nullptr; }
    uint32_t sounds = 0;
};

// The sample villain kind: wait 1,000 ms, interval 2,500, 2 shots, health
// 3, damage 1, money 30 and 5, highest speed 3.0, flight 1,200 ms.
inline VillainInfoRecord Brute() {
    VillainInfoRecord r{};
    leveltest::SetName(r.label, u"brute");
    leveltest::SetName(r.soundName, u"villain_arrive");
    r.id = kis::NameId("brute");
    r.firstShotWait = 1000;
    r.shotInterval = 2500;
    r.shots = 2;
    r.health = 3;
    r.damage = 1;
    r.driveOffMoney = 30;
    r.shotClickMoney = 5;
    r.maxShotSpeed = 3.0f;
    r.flightTime = 1200;
    return r;
}

inline void SetArray(std::array<char16_t, 32>& field, const char16_t* text) {
    field.fill(u'\0');
    for (size_t i = 0; text[i] && i < 31; ++i)
        field[i] = text[i];
}

inline GameCharacter Figure(uint32_t id, const char16_t* standing, const char16_t* walk) {
    GameCharacter c;
    c.id = id;
    c.variantCount = 8;
    c.walkSpeed = 2.0f;
    c.kinds.resize(2);
    SetArray(c.kinds[0].standing, standing);
    if (walk) SetArray(c.kinds[0].walk, walk);
    c.kinds[1] = c.kinds[0];
    return c;
}

// Level 31's villain shape: the warehouse, a standing point (kBed) and two further points;
// one place whose launch point lies far from every point; one schedule
// entry at 2,000 ms, no loop.
inline Level VillainLevel() {
    Level level = leveltest::MakeLevel();
    LevelRecord& r = level.record;
    // A standing point (empty sites take no shots).
    level.points[1] = leveltest::Point(kPointBuilding, 1, leveltest::kMill, 400, 250);
    r.placeCount = 1;
    r.places[0] = {-60, 480, 600, 480, 0};
    level.schedule = {{0, kis::NameId("brute"), 2000}};
    r.scheduleCount = 1;
    r.loopStart = 0;
    r.loopLength = 0;
    return level;
}

class RecordingHooks : public farmtest::FakeFarmHost {
  public:
    std::vector<uint32_t> sounds;
    std::vector<uint32_t> loadedSounds;
    bool allow = true;
    std::vector<TutorialEvent> events;
    void PlayEventSound(uint32_t slot) override { sounds.push_back(slot); }
    void PlaySoundOnce(uint32_t sound) override { loadedSounds.push_back(sound); }
    // The picks the tutorial was asked about (the objects' kinds) and those it refuses.
    std::vector<uint32_t> picksAsked;
    std::vector<uint32_t> refusedPicks;
    bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject) override {
        if (action != TutorialAction::PickObject) return allow;
        picksAsked.push_back(tag);
        return std::find(refusedPicks.begin(), refusedPicks.end(), tag) == refusedPicks.end();
    }
    void TutorialNotify(TutorialEvent event, uint32_t, TutorialObject) override { events.push_back(event); }
    int Count(uint32_t slot) const { return int(std::count(sounds.begin(), sounds.end(), slot)); }
};

// The shared fakes of the level world and its services, with the villains
// and shots of FarmVillains on the world's own map, one bonus (the bees), and
// the tutorial's questions and events passed to the recording hooks. The
// money, the reserved total, the clock and the points are the level's once
// it is attached.
class VillainWorld : public testsupport::FakeLevelWorld, public testsupport::FakeLevelServices {
  public:
    VillainWorld(const VillainTable* table, const GameCharacter* villain, const GameCharacter* catapult,
                 RecordingHooks* hooks)
        : map(this), table_(table), villain_(villain), catapult_(catapult), hooks_(hooks) {
        centreX = 512, centreY = 384;
        std::fill(std::begin(hasBonus), std::end(hasBonus), false);
        const uint32_t bees = SlotOfBonus(BonusKind::Bees);
        hasBonus[bees] = true;
        bonus[bees] = BonusInfo{};
        bonus[bees].rechargeMs = 1000;
        bonus[bees].durationMs = 5000;
    }

    // The level is made after its world: then the villains can be.
    void Attach(GameLevel* level) {
        this->level = level;
        backingLevel = level;
        host = std::make_unique<VillainLevelHost>(level, hooks_);
        FarmVillains::Setup setup;
        setup.map = &map;
        setup.host = host.get();
        setup.table = table_;
        setup.villain = villain_;
        setup.catapult = catapult_;
        setup.places =
            std::span<const VillainPlace>(level->Record().record.places, level->Record().record.placeCount);
        villains = std::make_unique<FarmVillains>(setup);
    }

    // ---- LevelWorld: the villains and shots are FarmVillains'
    void TickShots(uint32_t ms) override { villains->TickShots(ms); }
    void TickCharacters(uint32_t ms) override {
        villains->TickVillains(ms);
        map.Update(ms);
    }
    bool IsVillainPlaceFree(uint32_t place) const override { return villains->IsVillainPlaceFree(place); }
    void CreateVillain(uint32_t place, uint32_t kind, const VillainPlace&) override {
        villains->CreateVillain(place, kind);
    }
    void AttackVillainsByBees() override { villains->AttackVillainsByBees(); }
    void SaveVillains(SaveWriter& out) const override { villains->SaveVillains(out); }
    bool LoadVillains(SaveReader& in, uint32_t placeCount) override {
        return villains->LoadVillains(in, placeCount, &why);
    }

    // ---- LevelServices: the tutorial is the recording hooks'
    bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) override {
        return hooks_->TutorialAllows(action, tag, data);
    }
    void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) override {
        hooks_->TutorialNotify(event, a, b);
    }

    LevelMap map;
    std::unique_ptr<VillainLevelHost> host;
    std::unique_ptr<FarmVillains> villains;
    std::string why;

  private:
    const VillainTable* table_;
    const GameCharacter* villain_;
    const GameCharacter* catapult_;
    RecordingHooks* hooks_;
};

// The profile side: award counters, goal counters (which only grow) and the
// villains driven off in a row.
class AwardFrontEnd : public NoLevelFrontEnd {
  public:
    std::map<uint32_t, int32_t> awards;
    std::map<uint32_t, int32_t> goals;
    int32_t inARow = 0;
    uint32_t ChosenBonusSlots() const override { return 1u << SlotOfBonus(BonusKind::Bees); }
    bool AddAwardCount(uint32_t award, int32_t n) override {
        awards[award] += n;
        return false;
    }
    bool AddGoalProgress(uint32_t goal, int32_t amount, bool relative) override {
        const int32_t value = relative ? goals[goal] + amount : amount;
        goals[goal] = std::max(goals[goal], value);
        return false;
    }
    int32_t VillainsInARow() const override { return inARow; }
    void SetVillainsInARow(int32_t n) override { inARow = n; }
};

// A started level of VillainLevel with the sample kind, its clock running.
struct VillainLevelFixture {
    NoResources resources;
    VillainTable table{&resources};
    GameCharacter villainFigure = Figure(kCharacterVillain, u"villain_stand", u"villain_walk");
    GameCharacter catapultFigure = Figure(kCharacterCatapult, u"catapult_set", nullptr);
    RecordingHooks hooks;
    AwardFrontEnd frontEnd;
    Level record = VillainLevel();
    VillainWorld* world = nullptr;
    std::unique_ptr<GameLevel> level;

    explicit VillainLevelFixture(const VillainInfoRecord& kind = Brute(), Level shape = VillainLevel())
        : record(std::move(shape)) {
        table.Add(kind);
        auto owned = std::make_unique<VillainWorld>(&table, &villainFigure, &catapultFigure, &hooks);
        world = owned.get();
        GameLevel::Hooks levelHooks;
        levelHooks.frontEnd = &frontEnd;
        level = std::make_unique<GameLevel>(31, 0, record, std::move(owned), levelHooks);
        world->Attach(level.get());
        level->StartUp();
        level->Begin();
        level->StartClock();
    }
    ~VillainLevelFixture() {
        // The villains go before the level's points they aim at.
        world->villains->Clear();
    }

    FarmVillains& Villains() { return *world->villains; }
    MapVillain* Villain() { return Villains().VillainCount() ? Villains().GetVillain(0) : nullptr; }
    void RunMs(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += kLevelTickMs)
            level->Tick();
    }
    // Ticks until the condition holds; false when it did not within limitMs.
    template <class F> bool RunUntil(F done, uint32_t limitMs = 60000) {
        for (uint32_t t = 0; t < limitMs; t += kLevelTickMs) {
            if (done()) return true;
            level->Tick();
        }
        return done();
    }
};

} // namespace villaintest
