#include "levelui/RunningLevelView.h"

#include "level/GameLevel.h"

namespace {

class GameLevelView : public RunningLevelView {
  public:
    explicit GameLevelView(GameLevel& level) : level_(level) {}
    uint32_t LevelIndex() const override { return level_.LevelIndex(); }
    uint32_t Regime() const override { return level_.Regime(); }
    const RegimeBlock& RegimeRecord() const override { return level_.Record().Regime(level_.Regime()); }
    uint32_t LevelTimeMs() const override { return level_.LevelTimeMs(); }
    uint32_t Grade() const override { return level_.Grade(); }
    bool IsBegun() const override { return level_.IsBegun(); }
    bool IsOver() const override { return level_.IsEnded() || level_.Result() != kLevelRunning; }
    int32_t Money() const override { return level_.Money().Get(); }
    PanelBonusSlot BonusSlot(uint32_t slot) const override {
        PanelBonusSlot out;
        if (slot >= kBonusSlotCount) return out;
        const ::BonusSlot& s = level_.Slot(slot);
        out.inUse = s.inUse;
        out.running = s.running;
        out.ready = level_.IsBonusReady(slot);
        out.fraction = s.fraction;
        return out;
    }
    int32_t GoalProgress(uint32_t goal) const override { return level_.GoalProgress(goal); }
    bool IsPausedExcept(uint32_t mask) const override { return level_.IsPausedExcept(mask); }
    float FrameSpeed() const override { return level_.FrameSpeed(); }
    void StartClock() override { level_.StartClock(); }
    void ActivateBonus(uint32_t slot) override { level_.ActivateBonus(slot); }
    void ShowMenu(bool animate) override { level_.ShowMenu(animate); }
    bool RebuildPoint(uint32_t index) override { return level_.RebuildPoint(index); }

  private:
    GameLevel& level_;
};

} // namespace

std::unique_ptr<RunningLevelView> MakeRunningLevelView(GameLevel& level) {
    return std::make_unique<GameLevelView>(level);
}
