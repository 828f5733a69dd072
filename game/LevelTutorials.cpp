#include "game/LevelTutorials.h"

#include "app/App.h"
#include "app/Profiles.h"
#include "engine/Log.h"
#include "farm/FarmData.h"
#include "farm/PlantPoints.h"
#include "gui/Window.h"
#include "level/GameLevel.h"
#include "level/Job.h"
#include "level/MapCharacter.h"
#include "levelui/LevelPanel.h"
#include "tutorials/LevelScripts.h"
#include "tutorials/LevelTutorialLink.h"

#include <cmath>
#include <string>

namespace {

bool ProfileWantsTutorials() {
    const ProfileManager* profiles = AppProfiles();
    const Profile* profile = profiles ? profiles->Current() : nullptr;
    return profile && profile->Record().results.tutorial != 0;
}

// The running level, its farm tables and its windows as the scripts read them.
// What the running level does not show yet (its overhead buttons, notices)
// answers "none", so that the steps pointing at it show no arrow.
class ProgramScriptLevel : public tut::ScriptLevel {
  public:
    explicit ProgramScriptLevel(GameLevel& level) : level_(level) {}

    // ---- the level
    void Pause(uint32_t reason) override { level_.Pause(reason); }
    void Resume(uint32_t reason) override { level_.Resume(reason); }
    void SetClockStop(bool on) override { level_.SetClockStopBit(tut::kLevelClockStopBit, on); }
    bool IsPausedExcept(uint32_t mask) const override { return level_.IsPausedExcept(mask); }
    void SelectPoint(int32_t index) override { level_.SelectPoint(index, false); }
    int32_t SelectedPoint() const override { return level_.SelectedPoint(); }
    void ShowTutorialButton(bool show) override {
        if (LevelPanel* panel = Panel()) show ? panel->ShowTutorialButton() : panel->HideTutorialButton();
    }
    bool IsOverPanel(int32_t x, int32_t y) const override {
        if (const LevelPanel* panel = Panel()) return panel->HitTest(x, y);
        // Without the panel window the panel's strip at the bottom is still the panel's.
        return y >= ScreenHeight() - kLevelPanelHeight;
    }
    bool Locate(uint32_t index, kis::Vector2& out) const override {
        const BaseLevelPoint* point = level_.GetPoint(int32_t(index));
        if (!point) return false;
        point->GetPosition(&out.x, &out.y);
        return true;
    }
    kis::Point ToScreen(const kis::Vector2& field) const override {
        float x = 0, y = 0;
        level_.FieldToScreen(field.x, field.y, &x, &y);
        return {int32_t(std::lround(x)), int32_t(std::lround(y))};
    }

    // ---- screen and tables
    WindowManager* Windows() const override { return GetWindowManager(); }
    int32_t ScreenWidth() const override { return Windows() ? Windows()->ScreenWidth() : 1024; }
    int32_t ScreenHeight() const override { return Windows() ? Windows()->ScreenHeight() : 768; }
    // Any goal button carries its own copy of the goal: the first one is meant.
    uintptr_t GoalData(uint32_t) const override { return 0; }
    uint32_t GoalAmount(uint32_t goal) const override {
        const GoalRecord* record = level_.GetGoal(goal);
        return record ? record->target : 0;
    }
    uint32_t GoalProduct(uint32_t goal) const override {
        const GoalRecord* record = level_.GetGoal(goal);
        return record && record->kind == kGoalProduct ? record->objectId : 0;
    }
    uintptr_t PlantType(std::u16string_view name) const override {
        return reinterpret_cast<uintptr_t>(FindPlant(name));
    }
    uint32_t PlantProduct(std::u16string_view name) const override {
        const PLANT* plant = FindPlant(name);
        return plant && plant->product ? plant->product->record.id : 0;
    }
    uintptr_t ProductRecord(uint32_t id) const override {
        const FarmData* farm = GameFarmData();
        return farm ? reinterpret_cast<uintptr_t>(farm->products.FindProduct(id)) : 0;
    }
    uint32_t ProductNumber(uint32_t id) const override {
        const FarmData* farm = GameFarmData();
        const PRODUCT* product = farm ? farm->products.FindProduct(id) : nullptr;
        return product ? product->record.number : 0;
    }
    uint32_t Stock(uint32_t id) const override { return id ? level_.World().ProductCount(id) : 0; }

    // ---- points
    uint32_t PointKind(int32_t index) const override {
        const BaseLevelPoint* point = level_.GetPoint(index);
        return point ? point->Kind() : tut::kNoPoint;
    }
    int32_t PointStage(int32_t index) const override {
        const BaseLevelPoint* point = level_.GetPoint(index);
        return point ? point->Stage() : 0;
    }
    float Ripeness(int32_t index) const override {
        const BasePointPlant* plant = Plant(index);
        return plant ? plant->Ripeness() : -1.0f;
    }
    uint32_t Water(int32_t index) const override {
        const BasePointPlant* plant = Plant(index);
        return plant ? plant->Water() : 0;
    }
    uint32_t WaterMax(int32_t index) const override {
        const BasePointPlant* plant = Plant(index);
        return plant ? plant->WaterMax() : 0;
    }
    void SetWater(int32_t index, uint32_t count) override {
        if (BasePointPlant* plant = Plant(index)) plant->SetWater(count, plant->WaterMax(), true);
    }
    bool HasJob(int32_t index, uint32_t jobId) const override {
        const BasePointPlant* plant = Plant(index);
        if (!plant) return false;
        return (jobId == tut::kJobHarvest && plant->harvestJob) ||
               (jobId == tut::kJobWater && plant->waterJob);
    }
    // The overhead buttons are drawn by the level's screen sprites, which the
    // program does not place over the running level yet.
    bool ButtonRect(int32_t, uint32_t, kis::Rect*) const override { return false; }
    int32_t SpritePoint(uintptr_t) const override { return -1; }
    int32_t PointIndex(uintptr_t point) const override {
        for (uint32_t i = 0; i < level_.PointCount(); ++i)
            if (reinterpret_cast<uintptr_t>(level_.GetPoint(int32_t(i))) == point) return int32_t(i);
        return -1;
    }

    // ---- the farmer
    bool CurrentJob(uint32_t* jobId, int32_t* point, float* distance) const override {
        const MapPlayer* player = level_.World().Player();
        const Job* job = player ? player->CurrentJob() : nullptr;
        if (!job) return false;
        *jobId = job->JobId();
        *point = job->TargetPoint();
        *distance = 1e9f;
        if (const BaseLevelPoint* at = level_.GetPoint(*point)) {
            float x = 0, y = 0;
            at->GetPosition(&x, &y);
            *distance = std::hypot(player->X() - x, player->Y() - y);
        }
        return true;
    }
    uint32_t LastQueuedJob() const override {
        const MapPlayer* player = level_.World().Player();
        return player ? player->LastJobId() : 0;
    }
    int32_t JobPoint(uintptr_t job) const override {
        return job ? reinterpret_cast<const Job*>(job)->TargetPoint() : -1;
    }

    // ---- windows
    bool WarehouseOpen(bool settled) const override {
        GameWindow* window = Windows() ? Windows()->FindWindowByLayer(tut::kTagWarehouse) : nullptr;
        if (!window || window->closing) return false;
        return !settled || !window->IsAnimating(nullptr);
    }
    bool WarehouseRect(kis::Rect* out) const override {
        GameWindow* window = Windows() ? Windows()->FindWindowByLayer(tut::kTagWarehouse) : nullptr;
        if (!window) return false;
        *out = window->rect;
        return true;
    }
    // The coin and price of the selected row stand centred on x 403 of the
    // window; the point is 16 px above the row's text.
    bool SelectedRowText(kis::Point*) const override { return false; }
    bool MoneyWindowBottom(kis::Point*) const override { return false; }
    bool PanelShows(uint32_t) const override { return false; }
    bool NoticeCorner(uint32_t, kis::Point*) const override { return false; }
    uint32_t NoticeId(uintptr_t) const override { return 0; }

  private:
    LevelPanel* Panel() const {
        WindowManager* windows = Windows();
        return windows ? dynamic_cast<LevelPanel*>(windows->FindWindowByLayer(tut::kTagLevelPanel)) : nullptr;
    }
    BasePointPlant* Plant(int32_t index) const {
        return dynamic_cast<BasePointPlant*>(level_.GetPoint(index));
    }
    static const PLANT* FindPlant(std::u16string_view name) {
        const FarmData* farm = GameFarmData();
        return farm ? farm->plants.FindPlantByName(std::u16string(name).c_str()) : nullptr;
    }

    GameLevel& level_;
};

} // namespace

struct ProgramLevelTutorials::State {
    State(uint32_t levelIndex, bool wanted) : levelIndex(levelIndex), wanted(wanted) {}
    uint32_t levelIndex;
    bool wanted;
    tut::TutorialRunner runner{tut::TutorialServices{GetWindowManager()}};
    tut::LevelTutorialLink link{runner};
    std::unique_ptr<ProgramScriptLevel> view;
};

ProgramLevelTutorials::ProgramLevelTutorials(uint32_t levelIndex)
    : state_(std::make_unique<State>(levelIndex, ProfileWantsTutorials())) {}

ProgramLevelTutorials::~ProgramLevelTutorials() {
    state_->runner.DeleteAll();
}

LevelTutorialHooks* ProgramLevelTutorials::Hooks() {
    return &state_->link;
}

void ProgramLevelTutorials::Attach(GameLevel& level) {
    State& s = *state_;
    s.runner.DeleteAll();
    s.view = std::make_unique<ProgramScriptLevel>(level);
    if (!s.wanted) return;
    if (tut::GameTutorial* made = tut::MakeLevelTutorial(s.runner, s.levelIndex, *s.view))
        LogLabelPrintf(kLogIndent, "Level tutorial", "%08X waits for the clock", made->Id());
}

void ProgramLevelTutorials::Update(uint32_t ms) {
    state_->runner.Update(ms);
}
