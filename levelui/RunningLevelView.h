#pragma once
// What the level panel reads and asks of the running level. The panel works
// on this view only, so that it can be built and tested without a whole
// level behind it; MakeRunningLevelView gives the view of a GameLevel.

#include "app/BonusKind.h"
#include "level/LevelTable.h"

#include <cstdint>
#include <memory>

class GameLevel;

// The pause reasons the panel's clock runs through: kPauseClockNotStarted, kPauseTutorial.
constexpr uint32_t kPanelClockPauses = 0x1 | 0x10;

struct PanelBonusSlot {
    bool inUse = false;
    bool running = false;
    bool ready = false;
    float fraction = 0.0f; // of the run left (running) or of the recharge gathered
};

class RunningLevelView {
  public:
    virtual ~RunningLevelView() = default;
    virtual uint32_t LevelIndex() const = 0;
    // kRegimeEasy or kRegimeHard.
    virtual uint32_t Regime() const = 0;
    virtual const RegimeBlock& RegimeRecord() const = 0;
    virtual uint32_t LevelTimeMs() const = 0;
    // A LevelGrade (kGradeGold to kGradeFailed).
    virtual uint32_t Grade() const = 0;
    virtual bool IsBegun() const = 0;
    // Ended, or won or lost and waiting to end.
    virtual bool IsOver() const = 0;
    virtual int32_t Money() const = 0;
    virtual PanelBonusSlot BonusSlot(uint32_t slot) const = 0;
    virtual int32_t GoalProgress(uint32_t goal) const = 0;
    virtual bool IsPausedExcept(uint32_t mask) const = 0;
    // The factor the level scales each frame's time by (0: the level stands);
    // a level without a speed of its own runs at 1.
    virtual float FrameSpeed() const { return 1.0f; }
    virtual void StartClock() = 0;
    virtual void ActivateBonus(uint32_t slot) = 0;
    virtual void ShowMenu(bool animate) = 0;
    virtual bool RebuildPoint(uint32_t index) = 0;
};

// The view of a running level; the level outlives it.
std::unique_ptr<RunningLevelView> MakeRunningLevelView(GameLevel& level);
