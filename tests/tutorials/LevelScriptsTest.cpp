// The scripted level tutorials over a fake level: each is driven through its
// chain by the events and states its steps wait for; the steps' action
// tables; the resume ids through save and load; the flags and rates after
// the end at any step.

#include "TutorialFakes.h"

#include "gui/Controls.h"
#include "gui/Window.h"
#include "level/SaveStream.h"
#include "tutorials/LevelScripts.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace tut;

namespace {

constexpr uint32_t kWheat = 0x1234;
constexpr uint32_t kWheatNumber = 3;
constexpr uintptr_t kWheatRecord = 0x5000, kWheatPlant = 0x6000, kOtherPlant = 0x6100;

struct FakePoint {
    uint32_t kind = kKindSite;
    float ripeness = 0;
    uint32_t water = 0, waterMax = 3;
    std::set<uint32_t> jobs;
    std::set<uint32_t> buttons; // overhead buttons shown
};

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
    bool plantsPanel = false;
    std::map<uint32_t, kis::Point> notices;

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
    int32_t PointStage(int32_t p) const override { return points.count(p) ? 1 : 0; }
    float Ripeness(int32_t p) const override {
        return PointKind(p) == kKindPlant ? points.at(p).ripeness : -1;
    }
    uint32_t Water(int32_t p) const override { return points.count(p) ? points.at(p).water : 0; }
    uint32_t WaterMax(int32_t p) const override { return points.count(p) ? points.at(p).waterMax : 0; }
    void SetWater(int32_t p, uint32_t n) override { points[p].water = n; }
    bool HasJob(int32_t p, uint32_t job) const override {
        return points.count(p) && points.at(p).jobs.count(job);
    }
    bool ButtonRect(int32_t p, uint32_t command, kis::Rect* out) const override {
        if (!points.count(p) || !points.at(p).buttons.count(command)) return false;
        *out = {100 * p + 80, 240, 100 * p + 120, 280};
        return true;
    }
    int32_t SpritePoint(uintptr_t sprite) const override { return int32_t(sprite) - 0x100; }
    int32_t PointIndex(uintptr_t point) const override { return int32_t(point) - 0x200; }
    bool CurrentJob(uint32_t* job, int32_t* point, float* distance) const override {
        if (!currentJob) return false;
        *job = currentJob, *point = currentJobPoint, *distance = jobDistance;
        return true;
    }
    uint32_t LastQueuedJob() const override { return lastQueued; }
    int32_t JobPoint(uintptr_t job) const override { return int32_t(job) - 0x300; }
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
    uint32_t NoticeId(uintptr_t notice) const override { return uint32_t(notice); }
};

// The sprite, point and job "objects" the fake hands out by number.
uintptr_t Sprite(int32_t point) {
    return uintptr_t(0x100 + point);
}
uintptr_t Point(int32_t point) {
    return uintptr_t(0x200 + point);
}
uintptr_t JobAt(int32_t point) {
    return uintptr_t(0x300 + point);
}

struct Scripts : ::testing::Test {
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
                                                                   {kChildPlantChoice, kOtherPlant}})
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
                                                                   {kWarehouseCloseButton, 0}})
            buttons[{command, data}] = MakeButton(warehouse, command, data);
        level.warehouseOpen = level.warehouseSettled = true;
    }
    void Press(uint32_t tag, uint32_t command, uintptr_t data = 0) {
        GameButton* b = buttons.at({command, data});
        ASSERT_TRUE(TutorialAllows(kActionControl, tag, uintptr_t(b))) << std::hex << command;
        TutorialNotify(kEventButton, tag, uintptr_t(b));
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

// ---------------------------------------------------------------- level 1

TEST_F(Scripts, LevelOneRunsItsWholeChainAndEndsWithTheGoalsWheat) {
    GameTutorial* t = MakeLevelTutorial(runner, 0, level);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Id(), kTutorialLevel1);
    EXPECT_EQ(t->StartStepId(), L1(1));
    t->GoToStep(t->StartStepId());
    // Nothing shows before the clock starts.
    Run(2000);
    EXPECT_EQ(CurrentId(), 0u);
    EXPECT_TRUE(t->Layers().empty());
    TutorialNotify(kEventClockStarted, 0, 0);
    EXPECT_EQ(t->Flags(), kLevelDefaultFlags);
    EXPECT_TRUE(level.base.pauseWord & kLevelPauseReason);

    // 1: the goal arrow at the goal button, the box with its click line.
    ASSERT_TRUE(ReachStep(L1(1)));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_EQ(level.base.buttonShown, 1);
    const TutorialLayer* layer1 = t->Current()->Layer();
    ASSERT_EQ(layer1->Infos().size(), 1u);
    EXPECT_TRUE(layer1->Infos()[0]->HasClickLine());
    EXPECT_EQ(layer1->Infos()[0]->Text(), u"level_01_1");
    EXPECT_FALSE(layer1->HitTest(500, 720)) << "a click on the panel is the panel's";
    ClickLayer();
    // 2: select point 1 only.
    ASSERT_TRUE(ReachStep(L1(2)));
    EXPECT_EQ(t->Flags(), 0x1004u);
    EXPECT_TRUE(TutorialAllows(kActionHoverPoint, 1, 0));
    EXPECT_FALSE(TutorialAllows(kActionHoverPoint, 2, 0));
    EXPECT_FALSE(TutorialAllows(kActionClickPoint, 1, 0));
    TutorialNotify(kEventPointSelected, 2, 0);
    Run(300);
    EXPECT_EQ(CurrentId(), L1(2));
    level.base.selected = 1;
    TutorialNotify(kEventPointSelected, 1, 0);
    // 3-4: the plants button, then wheat.
    ASSERT_TRUE(ReachStep(L1(3)));
    EXPECT_FALSE(TutorialAllows(kActionControl, kTagLevelPanel, uintptr_t(buttons[{kPanelWarehouse, 0}])));
    Press(kTagLevelPanel, kChildPlants);
    ASSERT_TRUE(ReachStep(L1(4)));
    EXPECT_FALSE(
        TutorialAllows(kActionControl, kTagLevelPanel, uintptr_t(buttons[{kChildPlantChoice, kOtherPlant}])));
    TutorialNotify(kEventButton, kTagLevelPanel, uintptr_t(buttons[{kChildPlantChoice, kOtherPlant}]));
    Run(300);
    EXPECT_EQ(CurrentId(), L1(4));
    Press(kTagLevelPanel, kChildPlantChoice, kWheatPlant);
    // 5: growth allowed; done when point 1 is ripe.
    level.points[1].kind = kKindPlant;
    ASSERT_TRUE(ReachStep(L1(5)));
    EXPECT_EQ(t->Flags(), 0x120u);
    EXPECT_FALSE(level.base.pauseWord & kLevelPauseReason) << "the level runs while the wheat grows";
    EXPECT_TRUE(TutorialAllows(kActionPlantGrows, 0, 0));
    level.points[1].ripeness = 99;
    Run(100);
    EXPECT_EQ(CurrentId(), L1(5));
    level.points[1].ripeness = 100;
    level.points[1].buttons.insert(kSpriteHarvest);
    // 6: the harvest button of point 1.
    ASSERT_TRUE(ReachStep(L1(6)));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_TRUE(TutorialAllows(kActionClickPoint, kSpriteHarvest, Sprite(1)));
    EXPECT_FALSE(TutorialAllows(kActionClickPoint, kSpriteWater, Sprite(1)));
    EXPECT_FALSE(TutorialAllows(kActionClickPoint, kSpriteHarvest, Sprite(2)));
    TutorialNotify(kEventJobOrdered, kJobWater, JobAt(1));
    Run(300);
    EXPECT_EQ(CurrentId(), L1(6));
    TutorialNotify(kEventJobOrdered, kJobHarvest, JobAt(1));
    // 7 begins only once the farmer is idle.
    level.currentJob = kJobHarvest, level.currentJobPoint = 1;
    Run(1000);
    EXPECT_EQ(CurrentId(), 0u);
    level.currentJob = 0;
    ASSERT_TRUE(ReachStep(L1(7)));
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(8)));
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(9)));
    level.base.selected = 2;
    TutorialNotify(kEventPointSelected, 2, 0);
    ASSERT_TRUE(ReachStep(L1(10)));
    Press(kTagLevelPanel, kChildPlants);
    ASSERT_TRUE(ReachStep(L1(11)));
    EXPECT_FALSE(
        TutorialAllows(kActionControl, kTagLevelPanel, uintptr_t(buttons[{kChildPlantChoice, kWheatPlant}])));
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(12)));
    EXPECT_EQ(Arrows(), 1u) << "at the money window";
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(13)));
    ClickLayer();
    // 14: the warehouse button, and the warehouse itself.
    ASSERT_TRUE(ReachStep(L1(14)));
    EXPECT_EQ(Arrows(), 2u);
    EXPECT_TRUE(TutorialAllows(kActionPickObject, 0x10002000, 0));
    Press(kTagLevelPanel, kPanelWarehouse);
    // 15 waits for the window to settle.
    Run(1000);
    EXPECT_EQ(CurrentId(), 0u);
    OpenWarehouse();
    ASSERT_TRUE(ReachStep(L1(15)));
    EXPECT_EQ(t->Current()->Layer()->Infos().size(), 1u);
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(16)));
    EXPECT_EQ(Arrows(), 1u) << "at the wheat's tile";
    Press(kTagWarehouse, kWarehouseTileButton, kWheatRecord);
    ASSERT_TRUE(ReachStep(L1(17)));
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(18)));
    Press(kTagWarehouse, kWarehouseSellOneButton);
    ASSERT_TRUE(ReachStep(L1(19)));
    Press(kTagWarehouse, kWarehouseCloseButton);
    EXPECT_EQ(t->Delay(), 400u);
    // 20 is skipped when the plants panel shows already.
    level.plantsPanel = true;
    ASSERT_TRUE(ReachStep(L1(21)));
    Press(kTagLevelPanel, kChildPlantChoice, kWheatPlant);
    level.points[2].kind = kKindPlant;
    ASSERT_TRUE(ReachStep(L1(22)));
    level.points[2].ripeness = 100;
    level.points[2].buttons.insert(kSpriteHarvest);
    ASSERT_TRUE(ReachStep(L1(23)));
    ClickLayer();
    // 24: harvest point 1; done when the farmer is near it.
    level.points[1].buttons.insert(kSpriteHarvest);
    ASSERT_TRUE(ReachStep(L1(24)));
    TutorialNotify(kEventJobOrdered, kJobHarvest, JobAt(1));
    EXPECT_EQ(t->Flags(), 0x100u);
    EXPECT_EQ(t->Current()->Layer(), nullptr) << "the hint went, the step stays";
    level.currentJob = kJobHarvest, level.currentJobPoint = 1, level.jobDistance = 160;
    Run(200);
    EXPECT_EQ(CurrentId(), L1(24));
    level.jobDistance = 140;
    ASSERT_TRUE(ReachStep(L1(25)));
    // 25: the harvest order on point 2 leaves it one unit of water.
    level.points[2].water = 3;
    TutorialNotify(kEventJobOrdered, kJobHarvest, JobAt(2));
    EXPECT_EQ(level.points[2].water, 1u);
    level.points[2].jobs.insert(kJobHarvest);
    level.points[2].buttons.clear();
    Run(300);
    EXPECT_EQ(CurrentId(), L1(25));
    level.points[2].jobs.clear();
    level.points[2].buttons.insert(kSpriteWater);
    // 26: water it to the full.
    ASSERT_TRUE(ReachStep(L1(26)));
    EXPECT_EQ(t->Flags(), 0x1101u);
    EXPECT_TRUE(TutorialAllows(kActionClickPoint, kSpriteWater, Sprite(2)));
    level.points[2].water = 3;
    // 27: free play until the stock holds exactly the goal's wheat.
    ASSERT_TRUE(ReachStep(L1(27)));
    EXPECT_EQ(t->Flags(), 0x121u);
    level.stock[kWheat] = 3;
    Run(300);
    EXPECT_EQ(CurrentId(), L1(27));
    level.stock[kWheat] = 5;
    Run(300);
    EXPECT_EQ(CurrentId(), L1(27));
    level.stock[kWheat] = 4;
    Run(20);
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
    EXPECT_EQ(t->Flags(), 0u);
    EXPECT_FALSE(level.base.pauseWord & kLevelPauseReason);
    EXPECT_FALSE(level.base.clockStopped);
    EXPECT_EQ(level.base.buttonShown, -1);
    Run(500);
    EXPECT_EQ(runner.Running(), nullptr);
}

TEST_F(Scripts, LevelOneStepTwentySevenFollowsRipePlantsAndHarvests) {
    GameTutorial* t = MakeLevelTutorial(runner, 0, level);
    t->GoToStep(L1(27));
    t->Start();
    level.points[1].kind = level.points[2].kind = kKindPlant;
    level.points[1].buttons.insert(kSpriteHarvest);
    ASSERT_TRUE(ReachStep(L1(27)));
    EXPECT_EQ(Arrows(), 1u);
    level.points[2].buttons.insert(kSpriteHarvest);
    TutorialNotify(kEventPlantRipe, 0, Point(2));
    EXPECT_EQ(Arrows(), 2u);
    TutorialNotify(kEventJobOrdered, kJobHarvest, JobAt(1));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_NE(t->Current()->Layer()->FindArrow(2), nullptr);
    EXPECT_EQ(t->Current()->Layer()->FindArrow(1), nullptr);
}

TEST_F(Scripts, LevelOneResumesWhereItsStepsSay) {
    // Step -> resume id after a save and a load.
    const std::map<uint32_t, uint32_t> resumes = {{1, 1},   {3, 3},   {4, 3},   {5, 5},   {10, 10},
                                                  {11, 10}, {14, 14}, {15, 14}, {16, 14}, {17, 14},
                                                  {18, 14}, {19, 20}, {21, 20}, {22, 22}, {27, 27}};
    OpenWarehouse();
    for (auto [step, resume] : resumes) {
        // The window steps run with the warehouse window open; step 14 would end at once with it.
        level.warehouseOpen = step >= 15 && step <= 19;
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = MakeLevelTutorial(fresh, 0, level);
        t->GoToStep(L1(step));
        t->Start();
        for (int i = 0; i < 100 && !(t->Current() && t->Current()->Id() == L1(step)); ++i)
            fresh.Update(10);
        ASSERT_EQ(t->Current() ? t->Current()->Id() : 0u, L1(step));
        level.base.selected = 2;
        const std::vector<uint8_t> bytes = SaveOf(*t);
        // A new level loads it: the tutorial goes on at the resume step, without the initial delay.
        TutorialRunner loaded{TutorialServices{&windows}};
        GameTutorial* u = MakeLevelTutorial(loaded, 0, level);
        u->GoToStep(u->StartStepId());
        SaveReader reader(bytes);
        level.base.selected = -1;
        ASSERT_TRUE(u->Load(reader)) << step;
        EXPECT_EQ(u->StartStepId(), L1(resume)) << "step " << step;
        EXPECT_EQ(level.base.selected, 2);
        EXPECT_EQ(u->Delay(), 0u);
    }
}

TEST_F(Scripts, FinishingLevelOneAtAnyStepLiftsItsFlags) {
    for (uint32_t step : {1u, 2u, 5u, 14u, 16u, 24u, 26u, 27u}) {
        TutorialRunner fresh{TutorialServices{&windows}};
        FakeScriptLevel own(windows);
        own.points = level.points;
        own.warehouseOpen = own.warehouseSettled = step == 16;
        GameTutorial* t = MakeLevelTutorial(fresh, 0, own);
        t->GoToStep(L1(step));
        t->Start();
        for (int i = 0; i < 100 && !t->Current(); ++i)
            fresh.Update(10);
        ASSERT_NE(t->Current(), nullptr) << step;
        t->Finish();
        EXPECT_EQ(t->Flags(), 0u) << step;
        EXPECT_EQ(own.base.pauseWord, 0u) << step;
        EXPECT_FALSE(own.base.clockStopped) << step;
        EXPECT_TRUE(TutorialAllows(kActionClickPoint, 0, 0));
    }
}

// ---------------------------------------------------------------- level 15 and the warehouse

TEST_F(Scripts, LevelFifteenPointsOnceAndGoesAfterSevenSeconds) {
    level.points[7].kind = kKindPlant;
    GameTutorial* t = MakeLevelTutorial(runner, 14, level);
    ASSERT_NE(t, nullptr);
    t->GoToStep(t->StartStepId());
    TutorialNotify(kEventClockStarted, 0, 0);
    EXPECT_EQ(t->Flags(), kLevel15Flags);
    EXPECT_EQ(level.base.pauseWord, 0u) << "the level runs";
    EXPECT_FALSE(level.base.clockStopped);
    Run(1090);
    EXPECT_TRUE(t->Layers().empty());
    Run(10);
    ASSERT_EQ(t->Layers().size(), 1u) << "shown 1,100 ms after the start";
    ASSERT_TRUE(ReachStep(kTutorialLevel15 | 1));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_FALSE(TutorialAllows(kActionClickPoint, 0, 0));
    // Its countdown runs from the frame it became current and expires once
    // no more than one frame is left of it.
    Run(6970);
    EXPECT_EQ(CurrentId(), kTutorialLevel15 | 1);
    Run(10);
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
    // A click ends it earlier.
    TutorialRunner again{TutorialServices{&windows}};
    GameTutorial* u = MakeLevelTutorial(again, 14, level);
    u->GoToStep(u->StartStepId());
    TutorialNotify(kEventClockStarted, 0, 0);
    for (int i = 0; i < 200 && !u->Current(); ++i)
        again.Update(10);
    ClickLayer();
    EXPECT_EQ(u->State(), uint32_t(kFinishing));
}

TEST_F(Scripts, TheWarehouseTutorialEndsWhenTheWindowOpensAnyWay) {
    for (bool byButton : {true, false}) {
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = MakeLevelTutorial(fresh, 28, level);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->Id(), kTutorialWarehouse);
        t->GoToStep(t->StartStepId());
        TutorialNotify(kEventClockStarted, 0, 0);
        fresh.Update(100);
        EXPECT_EQ(t->Layers().size(), 1u) << "no initial delay";
        for (int i = 0; i < 30 && !t->Current(); ++i)
            fresh.Update(10);
        ASSERT_NE(t->Current(), nullptr);
        EXPECT_EQ(t->Current()->Layer()->Infos()[0]->Text(), u"level_warehouse_1");
        EXPECT_EQ(t->Flags(), 0x1001000u);
        // The goal button stays free; the other panel controls wait.
        EXPECT_TRUE(TutorialAllows(kActionControl, kTagLevelPanel, uintptr_t(buttons[{kPanelGoal, 0x7000}])));
        EXPECT_FALSE(TutorialAllows(kActionControl, kTagLevelPanel, uintptr_t(buttons[{kChildPlants, 0}])));
        if (byButton) {
            Press(kTagLevelPanel, kPanelWarehouse);
        } else {
            level.warehouseOpen = true;
            fresh.Update(10);
            level.warehouseOpen = false;
        }
        EXPECT_EQ(t->State(), uint32_t(kFinishing)) << byButton;
        EXPECT_EQ(t->Flags(), 0u);
    }
    EXPECT_EQ(MakeLevelTutorial(runner, 1 + 29, level), nullptr);
}

TEST_F(Scripts, TheFullWarehouseTutorialPointsAtItsNoticeThenAtTheProduct) {
    const uint32_t notice = kWarehouseFullNotice + kWheatNumber;
    level.notices[notice] = {1000, 40};
    level.stock[kWheat] = 2;
    GameTutorial* t = MakeFullWarehouseTutorial(runner, level, kWheat);
    EXPECT_FALSE(t->IsSavedWithLevel());
    EXPECT_EQ(t->State(), uint32_t(kRunning)) << "it starts at once";
    ASSERT_TRUE(ReachStep(kTutorialFullWarehouse | 1));
    EXPECT_EQ(t->Flags(), 0x2003000u);
    EXPECT_EQ(Arrows(), 1u);
    const TutorialArrow* arrow = t->Current()->Layer()->Arrows()[0].get();
    EXPECT_EQ(arrow->Target()->angle, 330.0f);
    // Only the full notice may be clicked away.
    EXPECT_TRUE(TutorialAllows(kActionMessage, 1, notice));
    EXPECT_FALSE(TutorialAllows(kActionMessage, 1, kWarehouseFullNotice + 0x1234));
    EXPECT_FALSE(TutorialAllows(kActionMessage, 2, notice));
    level.warehouseOpen = true;
    runner.Update(10);
    EXPECT_EQ(t->Flags(), kLevelDefaultFlags) << "between the steps";
    Run(1000);
    EXPECT_EQ(t->Current(), nullptr) << "the window is still animating";
    OpenWarehouse();
    ASSERT_TRUE(ReachStep(kTutorialFullWarehouse | 2));
    EXPECT_EQ(Arrows(), 1u);
    ClickLayer();
    EXPECT_EQ(t->State(), uint32_t(kFinishing));

    // With the product gone from the stock: no arrow, no box, still a click.
    TutorialRunner fresh{TutorialServices{&windows}};
    level.stock.clear();
    GameTutorial* u = MakeFullWarehouseTutorial(fresh, level, kWheat);
    for (int i = 0; i < 300 && !(u->Current() && u->Current()->Id() == (kTutorialFullWarehouse | 2)); ++i)
        fresh.Update(10);
    ASSERT_NE(u->Current(), nullptr);
    EXPECT_TRUE(u->Current()->Layer()->Arrows().empty());
    EXPECT_TRUE(u->Current()->Layer()->Infos().empty());
    EXPECT_GT(u->Current()->Layer()->ClickWaits(), 0u);
}

} // namespace
