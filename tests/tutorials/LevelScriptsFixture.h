#pragma once
// The fake level and the helpers the scripted level tutorials' tests drive
// them with: a fixture that makes a tutorial, feeds it events and states,
// and reads its steps, boxes, arrows, flags and saves.

#include "TutorialFakes.h"

#include "app/App.h"
#include "gui/Controls.h"
#include "gui/Window.h"
#include "level/SaveStream.h"
#include "level/SpriteObject.h"
#include "levelui/TextTagSources.h"
#include "levelui/TextTags.h"
#include "tests/text/TextTestSupport.h"
#include "text/FontSlots.h"
#include "text/Language.h"
#include "tutorials/LevelScripts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

namespace levelscripts {

using namespace tut;

constexpr uint32_t kWheat = 0x1234;
constexpr uint32_t kWheatNumber = 3;
constexpr uintptr_t kWheatRecord = 0x5000, kWheatPlant = 0x6000, kOtherPlant = 0x6100;

constexpr uint32_t kFlour = 0x2345, kPie = 0x3456, kEgg = 0x4567;
constexpr uintptr_t kFlourType = 0x8000, kPieType = 0x8100, kHenhouseType = 0x8200, kBeesRecord = 0x9000;

// Stand-ins for the level's screen sprites, points, jobs, villains, shots and
// notices: the tests hand each out by its number, and the fake level reads
// the number back from the object the tutorial is given (none: -1).
template <char kKind> struct Token { int32_t number; };
template <char kKind> TutorialObject TokenOf(int32_t number) {
    static std::map<int32_t, Token<kKind>> tokens; // kept for the whole run: the objects stay put
    return TutorialObject(&tokens.try_emplace(number, Token<kKind>{number}).first->second);
}
template <char kKind> int32_t NumberOf(TutorialObject object) {
    const Token<kKind>* token = object.As<Token<kKind>>();
    return token ? token->number : -1;
}

struct FakeShot {
    kis::Vector2 field{};
    float progress = 0;
    bool picked = false;
    uint32_t retimed = 0; // ticks of a new flight
};
struct FakeVillain {
    int32_t state = 0;
    int32_t shots = 0;
    int32_t fired = 0; // VillainShoot calls
};

struct FakePoint {
    uint32_t kind = kKindSite;
    int32_t stage = 1;
    std::u16string type; // a building's type
    int32_t slots = 0, slotsInUse = 0;
    uint32_t recipe = 0;
    float rate = 1, houseRate = 1;
    bool fed = false, damaged = false;
    float ripeness = 0;
    uint32_t water = 0, waterMax = 3;
    std::set<uint32_t> jobs;
    std::set<uint32_t> buttons; // overhead buttons shown
};

inline FakePoint PlantPoint() {
    FakePoint p;
    p.kind = kKindPlant;
    return p;
}
inline FakePoint BuildingPoint(const char16_t* type, int32_t stage, int32_t slots = 0) {
    FakePoint p;
    p.kind = kKindBuilding, p.stage = stage, p.type = type, p.slots = slots;
    return p;
}

// The level of the scripts: points in a row 100 px apart, the panel a
// window of the window manager with the controls the scripts point at.
struct FakeScriptLevel : ScriptLevel {
    explicit FakeScriptLevel(WindowManager& windows) : windows(windows) {}
    WindowManager& windows;
    tutest::FakeLevel base;
    std::map<int32_t, FakePoint> points;
    std::map<uint32_t, uint32_t> stock;
    uint32_t goalAmount = 4;
    bool warehouseOpen = false, warehouseSettled = false;
    uint32_t currentJob = 0, lastQueued = 0;
    int32_t currentJobPoint = -1;
    float jobDistance = 500;
    bool plantsPanel = false, petsPanel = false;
    std::map<uint32_t, kis::Point> notices;
    // The speed modifiers set, by id: their factory entry.
    std::map<uint32_t, float> modifiers;
    uint32_t buttonLock = 0;
    bool villainsEnabled = true;
    uintptr_t beesButton = kBeesRecord; // 0: the bees were not taken into the level
    bool beesBlocked = false;
    std::vector<FakeVillain> villains = std::vector<FakeVillain>(2, FakeVillain{-1, 0, 0});
    int32_t villainTimer = -1;
    std::vector<FakeShot> shots;

    // ---- TutorialLevel
    void Pause(uint32_t r) override { base.Pause(r); }
    void Resume(uint32_t r) override { base.Resume(r); }
    void SetClockStop(bool on) override { base.SetClockStop(on); }
    bool IsPausedExcept(uint32_t mask) const override { return base.IsPausedExcept(mask); }
    void SelectPoint(int32_t index) override { base.SelectPoint(index); }
    int32_t SelectedPoint() const override { return base.SelectedPoint(); }
    void ShowTutorialButton(bool show) override { base.ShowTutorialButton(show); }
    bool IsOverPanel(int32_t x, int32_t y) const override { return base.IsOverPanel(x, y); }
    // ---- FieldView
    bool Locate(uint32_t index, kis::Vector2& out) const override {
        if (!points.count(int32_t(index))) return false;
        out = kis::MakeVector2(100.0f * float(index) + 100, 300);
        return true;
    }
    kis::Point ToScreen(const kis::Vector2& p) const override { return {int32_t(p.x), int32_t(p.y)}; }
    // ---- ScriptLevel
    WindowManager* Windows() const override { return &windows; }
    int32_t ScreenWidth() const override { return 1024; }
    int32_t ScreenHeight() const override { return 768; }
    uintptr_t GoalData(uint32_t goal) const override { return goal == 0 ? 0x7000 : 0; }
    uint32_t GoalAmount(uint32_t goal) const override { return goal == 0 ? goalAmount : 0; }
    uint32_t GoalProduct(uint32_t goal) const override { return goal == 0 ? kWheat : 0; }
    uintptr_t PlantType(std::u16string_view name) const override {
        return name == u"wheat" ? kWheatPlant : 0;
    }
    uint32_t PlantProduct(std::u16string_view name) const override { return name == u"wheat" ? kWheat : 0; }
    uintptr_t ProductRecord(uint32_t id) const override { return id == kWheat ? kWheatRecord : 0; }
    uint32_t ProductNumber(uint32_t id) const override { return id == kWheat ? kWheatNumber : 0; }
    uint32_t Stock(uint32_t id) const override {
        auto it = stock.find(id);
        return it == stock.end() ? 0 : it->second;
    }
    uint32_t PointKind(int32_t p) const override { return points.count(p) ? points.at(p).kind : kNoPoint; }
    int32_t PointStage(int32_t p) const override { return points.count(p) ? points.at(p).stage : 0; }
    float Ripeness(int32_t p) const override {
        return PointKind(p) == kKindPlant ? points.at(p).ripeness : -1;
    }
    uint32_t Water(int32_t p) const override { return points.count(p) ? points.at(p).water : 0; }
    uint32_t WaterMax(int32_t p) const override { return points.count(p) ? points.at(p).waterMax : 0; }
    void SetWater(int32_t p, uint32_t n) override { points[p].water = n; }
    bool HasJob(int32_t p, uint32_t job) const override {
        if (!points.count(p)) return false;
        return job == kJobAny ? !points.at(p).jobs.empty() : points.at(p).jobs.count(job) > 0;
    }
    bool ButtonRect(int32_t p, uint32_t command, kis::Rect* out) const override {
        if (!points.count(p) || !points.at(p).buttons.count(command)) return false;
        *out = {100 * p + 80, 240, 100 * p + 120, 280};
        return true;
    }
    uint32_t TickMs() const override { return 10; }
    // The fake field shows nothing a box must leave in sight.
    void KeptInSightRects(std::vector<kis::Rect>&) const override {}
    void PanelControlRects(std::vector<kis::Rect>& out) const override {
        out.insert(out.end(), controls.begin(), controls.end());
    }
    std::vector<kis::Rect> controls; // the panel's controls over the field
    bool PointRect(int32_t p, kis::Rect* out) const override {
        if (!points.count(p)) return false;
        *out = {100 * p + 60, 280, 100 * p + 140, 360};
        return true;
    }
    int32_t SpritePoint(TutorialObject sprite) const override { return NumberOf<'s'>(sprite); }
    int32_t PointIndex(TutorialObject point) const override { return NumberOf<'p'>(point); }
    bool CurrentJob(uint32_t* job, int32_t* point, float* distance) const override {
        if (!currentJob) return false;
        *job = currentJob, *point = currentJobPoint, *distance = jobDistance;
        return true;
    }
    uint32_t LastQueuedJob() const override { return lastQueued; }
    int32_t JobPoint(TutorialObject job) const override { return NumberOf<'j'>(job); }
    bool WarehouseOpen(bool settled) const override {
        return warehouseOpen && (!settled || warehouseSettled);
    }
    bool WarehouseRect(kis::Rect* out) const override {
        *out = {200, 100, 800, 600};
        return warehouseOpen;
    }
    bool SelectedRowText(kis::Point* out) const override {
        *out = {403, 420};
        return warehouseOpen;
    }
    bool MoneyWindowBottom(kis::Point* out) const override {
        *out = {900, 60};
        return true;
    }
    bool PanelShows(uint32_t child) const override { return child == kPlantsChildPanel && plantsPanel; }
    bool NoticeCorner(uint32_t id, kis::Point* out) const override {
        auto it = notices.find(id);
        if (it == notices.end()) return false;
        *out = it->second;
        return true;
    }
    uint32_t NoticeId(TutorialObject notice) const override { return uint32_t(NumberOf<'n'>(notice)); }
    // ---- buildings
    uintptr_t BuildingType(std::u16string_view name) const override {
        return name == u"prod_flour" ? kFlourType
               : name == u"prod_pie" ? kPieType
               : name == u"henhouse" ? kHenhouseType
                                     : 0;
    }
    uint32_t ProductId(std::u16string_view name) const override {
        return name == u"wheat" ? kWheat : name == u"flour" ? kFlour : name == u"pie" ? kPie : 0;
    }
    uint32_t PlantId(std::u16string_view name) const override { return name == u"wheat" ? 77 : 0; }
    const FakePoint* At(int32_t p) const { return points.count(p) ? &points.at(p) : nullptr; }
    bool PointIsType(int32_t p, std::u16string_view type) const override {
        return At(p) && At(p)->kind == kKindBuilding && At(p)->type == type;
    }
    bool IsFactory(int32_t p) const override {
        return At(p) && At(p)->kind == kKindBuilding && At(p)->type.starts_with(u"prod_");
    }
    bool IsHouse(int32_t p) const override { return PointIsType(p, u"henhouse"); }
    int32_t SlotCount(int32_t p) const override { return IsFactory(p) ? At(p)->slots : 0; }
    int32_t SlotsInUse(int32_t p) const override { return IsFactory(p) ? At(p)->slotsInUse : 0; }
    uint32_t FirstRecipeProduct(int32_t p) const override { return IsFactory(p) ? At(p)->recipe : 0; }
    void SetFactoryRate(int32_t p, float r) override { points[p].rate = r; }
    void SetHouseRate(int32_t p, float r) override { points[p].houseRate = r; }
    bool HouseFed(int32_t p) const override { return At(p) && At(p)->fed; }
    bool WorkPosition(int32_t p, kis::Point* out) const override {
        if (!At(p)) return false;
        *out = {100 * p + 130, 320};
        return true;
    }
    uint32_t ButtonLock(TutorialObject) const override { return buttonLock; }
    void SetSpeedModifier(const float (&values)[kTrackCount], bool on, uint32_t id) override {
        if (on)
            modifiers[id] = values[kFactoryTrack];
        else
            modifiers.erase(id);
    }
    uint32_t FirstStockProduct() const override {
        for (auto [id, n] : stock)
            if (n) return id;
        return 0;
    }
    // ---- villains
    bool VillainsEnabled() const override { return villainsEnabled; }
    bool HasBonus(BonusKind kind) const override { return kind == BonusKind::Bees && beesButton != 0; }
    uintptr_t BonusButtonData(BonusKind kind) const override {
        return kind == BonusKind::Bees ? beesButton : 0;
    }
    bool BonusButtonBlocked(BonusKind kind) const override { return kind == BonusKind::Bees && beesBlocked; }
    int32_t VillainSlots() const override { return int32_t(villains.size()); }
    int32_t VillainState(int32_t slot) const override { return villains.at(size_t(slot)).state; }
    int32_t VillainSlot(TutorialObject villain) const override { return NumberOf<'v'>(villain); }
    void SetVillainTimer(uint32_t ms) override { villainTimer = int32_t(ms); }
    void ArmVillain(int32_t slot, int32_t state) override {
        FakeVillain& v = villains.at(size_t(slot));
        v.shots = std::max(v.shots, 1);
        v.state = state;
    }
    void VillainShoot(int32_t slot) override { ++villains.at(size_t(slot)).fired; }
    bool VillainPosition(int32_t slot, kis::Vector2* out) const override {
        if (villains.at(size_t(slot)).state < 0) return false;
        *out = kis::MakeVector2(100, 500);
        return true;
    }
    int32_t ShotsInFlight() const override { return int32_t(shots.size()); }
    bool ShotAt(int32_t i, kis::Vector2* field, float* progress, bool* picked) const override {
        if (i < 0 || i >= int32_t(shots.size())) return false;
        *field = shots[size_t(i)].field, *progress = shots[size_t(i)].progress,
        *picked = shots[size_t(i)].picked;
        return true;
    }
    float ShotProgress(TutorialObject shot) const override {
        return shots.at(size_t(NumberOf<'h'>(shot))).progress;
    }
    void RetimeShot(int32_t i, uint32_t ticks) override { shots.at(size_t(i)).retimed = ticks; }
    bool IsDamaged(int32_t p) const override { return At(p) && At(p)->damaged; }
    // ---- the boxes' tag objects, handed out by number
    uintptr_t GoalEntry(uint32_t goal) const override { return goal == 0 ? kGoalEntry : 0; }
    uintptr_t BuildingObject(int32_t p) const override {
        return At(p) && (At(p)->kind == kKindBuilding || At(p)->kind == kKindWarehouse) ? 0xA00 + uintptr_t(p)
                                                                                        : 0;
    }
    // A building's picture on the field, made when first asked for.
    const SpriteObject* PointMapObject(int32_t p) const override {
        if (!At(p) || (At(p)->kind != kKindBuilding && At(p)->kind != kKindWarehouse)) return nullptr;
        auto& object = mapObjects[p];
        if (!object) object = std::make_unique<SpriteObject>(nullptr, nullptr, kWarehouseObject, p);
        return object.get();
    }
    mutable std::map<int32_t, std::unique_ptr<SpriteObject>> mapObjects;
    uintptr_t PlantBedObject(int32_t p) const override {
        return At(p) && At(p)->kind == kKindPlant ? 0xB00 + uintptr_t(p) : 0;
    }
    static constexpr uintptr_t kGoalEntry = 0x7100;
};

// The sprite, point, job, villain, shot and notice objects the fake hands out by number.
inline TutorialObject Sprite(int32_t point) {
    return TokenOf<'s'>(point);
}
inline TutorialObject Point(int32_t point) {
    return TokenOf<'p'>(point);
}
inline TutorialObject JobAt(int32_t point) {
    return TokenOf<'j'>(point);
}
inline TutorialObject Villain(int32_t slot) {
    return TokenOf<'v'>(slot);
}
inline TutorialObject Shot(int32_t i) {
    return TokenOf<'h'>(i);
}
inline TutorialObject Notice(uint32_t id) {
    return TokenOf<'n'>(int32_t(id));
}

struct Scripts : ::testing::Test {
    App app; // the shell's state the test runs on
    WindowManager windows{nullptr, nullptr};
    TutorialRunner runner{TutorialServices{&windows}};
    FakeScriptLevel level{windows};
    GameWindow* panel = nullptr;
    GameWindow* warehouse = nullptr;
    std::map<std::pair<uint32_t, uintptr_t>, GameButton*> buttons;

    void SetUp() override {
        panel = windows.Open<GameWindow>(kTagLevelPanel, false);
        panel->rect = {0, 700, 1024, 768};
        for (auto [command, data] :
             std::initializer_list<std::pair<uint32_t, uintptr_t>>{{kPanelGoal, 0x7000},
                                                                   {kPanelWarehouse, 0},
                                                                   {kChildPlants, 0},
                                                                   {kChildPlantChoice, kWheatPlant},
                                                                   {kChildPlantChoice, kOtherPlant},
                                                                   {kChildBuildings, 0},
                                                                   {kChildBuildingChoice, kFlourType},
                                                                   {kChildBuildingChoice, kPieType},
                                                                   {kChildPets, 0},
                                                                   {kChildHouseChoice, kHenhouseType},
                                                                   {kChildUpgrade, 0},
                                                                   {kChildFeed, 0},
                                                                   {kChildRemove, 0},
                                                                   {kPanelBonus, kBeesRecord}})
            buttons[{command, data}] = MakeButton(panel, command, data);
        for (int32_t p : {0, 1, 2})
            level.points[p].kind = p == 0 ? kKindWarehouse : kKindSite;
    }
    GameButton* MakeButton(GameWindow* window, uint32_t command, uintptr_t data) {
        GameButton* b = window->Controls().Make<GameButton>(command);
        b->rect = {int32_t(40 * window->Controls().Count()), 10,
                   int32_t(40 * window->Controls().Count() + 30), 40};
        b->userData = data;
        return b;
    }
    void OpenWarehouse() {
        warehouse = windows.Open<GameWindow>(kTagWarehouse, false);
        warehouse->rect = {200, 100, 800, 600};
        for (auto [command, data] :
             std::initializer_list<std::pair<uint32_t, uintptr_t>>{{kWarehouseTileButton, kWheatRecord},
                                                                   {kWarehouseSellOneButton, 0},
                                                                   {kWarehouseUpgradeButton, 0},
                                                                   {kWarehouseCloseButton, 0}})
            buttons[{command, data}] = MakeButton(warehouse, command, data);
        level.warehouseOpen = level.warehouseSettled = true;
    }
    void Press(uint32_t tag, uint32_t command, uintptr_t data = 0) {
        GameButton* b = buttons.at({command, data});
        ASSERT_TRUE(TutorialAllows(TutorialAction::Control, tag, TutorialObject(b))) << std::hex << command;
        TutorialNotify(TutorialEvent::Button, tag, TutorialObject(b));
    }
    void Run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 10)
            runner.Update(10);
    }
    // The tutorial running now, whichever runner made it.
    static GameTutorial* Running() { return dynamic_cast<GameTutorial*>(RunningTutorial()); }
    // Runs until the step is current (at most 3 s); answers whether it is.
    bool ReachStep(uint32_t id, TutorialRunner* other = nullptr) {
        TutorialRunner& r = other ? *other : runner;
        for (int i = 0; i < 300; ++i) {
            GameTutorial* t = r.Running();
            if (t && t->Current() && t->Current()->Id() == id) return true;
            r.Update(10);
        }
        return false;
    }
    // A click on the current step's layer, away from the panel.
    void ClickLayer() {
        ASSERT_NE(Running(), nullptr);
        TutorialStep* step = Running()->Current();
        ASSERT_NE(step, nullptr);
        TutorialLayer* layer = step->Layer();
        ASSERT_NE(layer, nullptr);
        ASSERT_GT(layer->ClickWaits(), 0u) << std::hex << step->Id();
        ASSERT_TRUE(layer->HitTest(500, 300));
        layer->OnScreenMouseDown(500, 300, 1);
        layer->OnScreenMouseUp(500, 300, 1);
    }
    // A tutorial of a level index placed at a step and started; runs until that step is current.
    GameTutorial* StartAt(TutorialRunner& r, uint32_t index, uint32_t stepId,
                          FakeScriptLevel* own = nullptr) {
        GameTutorial* t = MakeLevelTutorial(r, index, own ? *own : level);
        if (!t) return nullptr;
        t->GoToStep(stepId);
        t->Start();
        for (int i = 0; i < 100 && !(t->Current() && t->Current()->Id() == stepId); ++i)
            r.Update(10);
        return t;
    }
    bool Allowed(uint32_t tag, uint32_t command, uintptr_t data = 0) {
        return TutorialAllows(TutorialAction::Control, tag, TutorialObject(buttons.at({command, data})));
    }
    uint32_t CurrentId() const {
        GameTutorial* t = Running();
        return t && t->Current() ? t->Current()->Id() : 0;
    }
    // Arrows shown (not closing) on the current step's layer.
    size_t Arrows() const {
        TutorialStep* step = Running() ? Running()->Current() : nullptr;
        if (!step || !step->Layer()) return 0;
        size_t n = 0;
        for (auto& a : step->Layer()->Arrows())
            n += a->State() < kLayerClosing && a->Target() && a->Target()->valid;
        return n;
    }
    std::vector<uint8_t> SaveOf(GameTutorial& t) {
        SaveWriter w;
        EXPECT_TRUE(t.Save(w));
        return w.Finish()->DataBlock();
    }
};

constexpr uint32_t L1(uint32_t step) {
    return kTutorialLevel1 | step;
}

} // namespace levelscripts
