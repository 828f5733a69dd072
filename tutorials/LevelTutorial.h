#pragma once
// The tutorial of a running level: it ties the player's actions to flag bits,
// pauses the level or stops its clock while the player reads, shows the level
// panel's close-tutorial button, starts when the level clock starts, and keeps
// its place in the level save.

#include "gui/Window.h"
#include "tutorials/Tutorial.h"

namespace tut {

// Flag bits of a level tutorial.
enum LevelFlag : uint32_t {
    kAllowClickPoint = 0x1,
    kAllowPickObject = 0x2,
    kAllowHoverPoint = 0x4,
    kAllowStartJob = 0x8,
    kAllowWalk = 0x10,
    kAllowPlantGrows = 0x20,
    kAllowProduce = 0x40,
    kAllowVillains = 0x80,
    kAllowStepAside = 0x100,
    kStopClock = 0x1000,
    kPauseLevel = 0x2000,
};
constexpr uint32_t kLevelDefaultFlags = kStopClock | kPauseLevel;
constexpr uint32_t kLevelPauseReason = 16;
constexpr uint32_t kLevelClockStopBit = 0x2;
// The pause reasons a level tutorial keeps running through: the warehouse window and itself.
constexpr uint32_t kLevelTutorialPauseMask = kPauseWarehouse | kLevelPauseReason;
constexpr uint32_t kLevelRecordSize = 20;

constexpr uint32_t kTagLevelPanel = Tag4("Lvlp");
constexpr uint32_t kTagWarehouse = kWarehouseWindowTag;
// The level panel's controls that are always free.
constexpr uint32_t kPanelFreeCommands[] = {0x4C500001, 0x4C500004, 0x4C500005};
constexpr uint32_t kKeyEnter = 13, kKeyEscape = 27;

// What a level tutorial uses of the level and its panel (the program's view
// of the running level gives it).
class TutorialLevel {
  public:
    virtual ~TutorialLevel() = default;
    virtual void Pause(uint32_t reason) = 0;
    virtual void Resume(uint32_t reason) = 0;
    virtual void SetClockStop(bool on) = 0;
    virtual bool IsPausedExcept(uint32_t mask) const = 0;
    virtual void SelectPoint(int32_t index) = 0; // without sound
    virtual int32_t SelectedPoint() const = 0;
    virtual void ShowTutorialButton(bool show) = 0;
    // Over the level panel (screen coordinates).
    virtual bool IsOverPanel(int32_t x, int32_t y) const = 0;
};

class LevelTutorial : public GameTutorial {
  public:
    // The level link outlives the tutorial.
    LevelTutorial(TutorialRunner& runner, uint32_t id, TutorialLevel& level);

    void OnFlagsChanged(uint32_t flags) override;
    void OnFirstStepShown() override;
    void OnEnd() override;
    bool CanUse(uint32_t key, const GameWindow* window) override;
    bool IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject data) override;
    bool SaveState(uint32_t size, SaveWriter& stream) override;
    bool LoadState(const uint32_t* record, uint32_t size) override;
    void Update(uint32_t dt) override;
    void OnEvent(TutorialEvent event, uint32_t a, TutorialObject b) override;

    TutorialLevel& Level() const { return level_; }

  private:
    TutorialLevel& level_;
};

// A step of a level tutorial: its flags while current and after.
class LevelTutorialStep : public TutorialStep {
  public:
    LevelTutorialStep(LevelTutorial& owner, uint32_t id, uint32_t windowTag, uint32_t flagsActive,
                      uint32_t flagsAfter);
    void OnActivate() override;
    void OnDeactivate() override;
    // Empty key: "level_NN_S" of the step's id.
    std::u16string GetText(const std::u16string& key) const override;
    // Everywhere but the level panel.
    bool IsClickArea(int32_t x, int32_t y) const override;

    uint32_t flagsActive, flagsAfter;
};

// "level_%02d_%d" of a step id.
std::u16string LevelStepKey(uint32_t stepId);

// A control's command id, as the level rule reads it from TutorialAction::Control's data.
uint32_t ControlCommand(TutorialObject control);

} // namespace tut
