#include "showcase/LevelPanelShowcase.h"

#include "engine/VirtualKeys.h"
#include "gui/Regime.h"
#include "gui/Window.h"
#include "level/Bonuses.h"
#include "levelui/LevelPanel.h"
#include "sprites/Sprite.h"

#include <memory>

namespace {

constexpr uint32_t kWheatInStock = 10;
constexpr int32_t kStartMoney = 20;
constexpr uint32_t kBonusSlots[2] = {1, 2};
constexpr uint32_t kBonusRunMs = 20000;

RegimeBlock SampleRegime() {
    RegimeBlock b{};
    b.bronzeMs = 120000, b.silverMs = 90000, b.goldMs = 60000; // easy: bronze has no limit
    b.goalCount = 3;
    b.goals[0] = {kGoalMoney, 0, 0, 50};
    b.goals[1] = {kGoalProduct, 0, 0, 5};
    b.goals[2] = {kGoalBuilding, 0, 1, 1};
    return b;
}

// The sample level as the panel sees it: the clock waits for the first
// action, and the chosen bonuses are ready until one runs.
class SampleLevel : public RunningLevelView {
  public:
    uint32_t LevelIndex() const override { return 33; }
    uint32_t Regime() const override { return 0; }
    const RegimeBlock& RegimeRecord() const override { return regime_; }
    uint32_t LevelTimeMs() const override { return time_; }
    uint32_t Grade() const override {
        return GradeForTime(kRegimeEasy, time_, regime_.bronzeMs, regime_.silverMs, regime_.goldMs);
    }
    bool IsBegun() const override { return true; }
    bool IsOver() const override { return false; }
    int32_t Money() const override { return kStartMoney; }
    PanelBonusSlot BonusSlot(uint32_t slot) const override {
        PanelBonusSlot s;
        for (uint32_t chosen : kBonusSlots)
            if (chosen == slot) s.inUse = true;
        if (!s.inUse) return s;
        s.running = runLeft_[slot] > 0;
        s.ready = !s.running;
        s.fraction = s.running ? float(runLeft_[slot]) / float(kBonusRunMs) : 1.0f;
        return s;
    }
    int32_t GoalProgress(uint32_t goal) const override {
        const int32_t progress[3] = {kStartMoney, int32_t(kWheatInStock), 1};
        return goal < 3 ? progress[goal] : 0;
    }
    bool IsPausedExcept(uint32_t mask) const override { return ((running_ ? 0u : 1u) & ~mask) != 0; }
    void StartClock() override {
        if (running_) return;
        running_ = true;
        if (driver) driver->StartTextFadeOut();
    }
    void ActivateBonus(uint32_t slot) override {
        if (slot >= kBonusSlotCount) return;
        runLeft_[slot] = kBonusRunMs;
        if (driver) driver->UpdateBonusButton(slot);
    }
    void ShowMenu(bool) override {}
    bool RebuildPoint(uint32_t) override { return false; }

    void Advance(uint32_t ms) {
        if (!running_) return;
        time_ += ms;
        for (uint32_t slot = 0; slot < kBonusSlotCount; ++slot) {
            if (!runLeft_[slot]) continue;
            runLeft_[slot] = runLeft_[slot] > ms ? runLeft_[slot] - ms : 0;
            if (driver) driver->UpdateBonusButton(slot);
        }
    }

    LevelPanelDriver* driver = nullptr;

  private:
    RegimeBlock regime_ = SampleRegime();
    uint32_t time_ = 0;
    bool running_ = false;
    uint32_t runLeft_[kBonusSlotCount] = {};
};

class SampleContext : public NoLevelPanelContext {
  public:
    uint32_t WarehouseLevelCount() const override { return 2; }
    Sprite* GoalIcon(const GoalRecord& goal) const override {
        return GetSprite(goal.kind == kGoalProduct ? 2 : 1,
                         goal.kind == kGoalProduct ? u"ico_wheat_small" : u"level_ico_back");
    }
    Sprite* BonusIcon(uint32_t slot) const override {
        static const char16_t* const kIcons[kBonusSlotCount] = {u"bonus_bees", u"bonus_rain", u"bonus_boots",
                                                                u"bonus_sun",  u"bonus_feed", u"bonus_gears"};
        return slot < kBonusSlotCount ? GetSprite(kBonusIconLibrary, kIcons[slot]) : nullptr;
    }
};

} // namespace

struct LevelPanelShowcase::Sample {
    SampleLevel level;
    SampleContext context;
    PanelOnlyDriver driver;
    LevelPanel* panel = nullptr; // owned by the window manager
};

LevelPanelShowcase::LevelPanelShowcase() = default;

LevelPanelShowcase::~LevelPanelShowcase() {
    Close();
}

void LevelPanelShowcase::Open() {
    WindowManager* windows = GetWindowManager();
    if (!windows || sample_) return;
    sample_ = std::make_unique<Sample>();
    Sample& s = *sample_;
    s.level.driver = &s.driver;
    s.panel = windows->Open<LevelPanel>(s.level, s.context, &s.driver);
    s.panel->OnScreenResize(windows->ScreenWidth(), windows->ScreenHeight());
    s.panel->ShowEmptyPanel();
    s.panel->CreateBonusButtons();
}

bool LevelPanelShowcase::Key(uint32_t virtualKey) {
    if (virtualKey != kVkF1 + 4) return false;
    if (sample_)
        Close();
    else
        Open();
    return true;
}

void LevelPanelShowcase::Update(uint32_t ms) {
    if (sample_) sample_->level.Advance(ms);
}

void LevelPanelShowcase::Close() {
    if (!sample_) return;
    if (WindowManager* windows = GetWindowManager(); windows && sample_->driver.Panel())
        windows->Destroy(sample_->driver.Panel());
    // The manager deletes the panel at the end of the frame; the level it reads goes with the sample.
    if (WindowManager* windows = GetWindowManager()) windows->DeleteClosedWindows();
    sample_.reset();
}
