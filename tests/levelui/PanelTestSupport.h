#pragma once
// A level as the level panel sees it, for the panel's tests: a sprite host on
// a test clock, the level in plain fields (its calls logged in order), a
// tutorial that counts its finishes and the panel's context with its money,
// stock and sounds.

#include "level/LevelPoint.h"
#include "levelui/LevelPanel.h"
#include "sprites/SpriteHost.h"

#include <string>
#include <utility>
#include <vector>

namespace paneltest {

class ClockHost : public SpriteHost {
  public:
    uint32_t now = 1000;
    uint32_t GameClock() override { return now; }
    uint32_t RealClock() override { return now; }
    void TakeCallbacks(uint32_t) override {}
    void RestoreCallbacks() override {}
    void SetGameState(int32_t) override {}
};

// The level as the panel sees it, in plain fields; calls are logged in order.
class TestLevel : public RunningLevelView {
  public:
    uint32_t regime = 0;
    RegimeBlock block[2]{};
    uint32_t time = 0;
    bool begun = false, over = false;
    int32_t money = 0;
    PanelBonusSlot slots[kBonusSlotCount]{};
    int32_t progress[3] = {};
    uint32_t pauses = 0x1;
    float speed = 1.0f;
    std::vector<std::string> calls;

    uint32_t LevelIndex() const override { return 33; }
    uint32_t Regime() const override { return regime; }
    const RegimeBlock& RegimeRecord() const override { return block[regime]; }
    uint32_t LevelTimeMs() const override { return time; }
    uint32_t Grade() const override {
        const RegimeBlock& r = block[regime];
        if (time <= r.goldMs) return 6;
        if (time <= r.silverMs) return 5;
        if (regime == 0 || time <= r.bronzeMs) return 4;
        return 3;
    }
    bool IsBegun() const override { return begun; }
    bool IsOver() const override { return over; }
    int32_t Money() const override { return money; }
    PanelBonusSlot BonusSlot(uint32_t s) const override {
        return s < kBonusSlotCount ? slots[s] : PanelBonusSlot{};
    }
    int32_t GoalProgress(uint32_t g) const override { return g < 3 ? progress[g] : 0; }
    bool IsPausedExcept(uint32_t mask) const override { return (pauses & ~mask) != 0; }
    float FrameSpeed() const override { return speed; }
    void StartClock() override { calls.push_back("clock"), pauses &= ~0x1u; }
    void ActivateBonus(uint32_t s) override { calls.push_back("bonus " + std::to_string(s)); }
    void ShowMenu(bool) override { calls.push_back("menu"); }
    bool RebuildPoint(uint32_t i) override { return calls.push_back("rebuild " + std::to_string(i)), true; }
};

class TestTutorial : public NoLevelTutorial {
  public:
    int finished = 0;
    bool saved = true; // the level's own tutorial
    void Finish() override { ++finished; }
    bool IsSavedWithLevel() const override { return saved; }
};

class TestContext : public NoLevelPanelContext {
  public:
    MoneyValue moneyValue;
    ProductStock stock{[](const PRODUCT*, uint32_t) { return 100u; }, 2};
    std::vector<std::pair<uint32_t, bool>> sounds;
    std::vector<uint32_t> stopped;
    TestTutorial* tutorial = nullptr;
    std::vector<uint32_t> pulled;
    uint32_t nextChannel = 7;

    MoneyValue* Money() override { return &moneyValue; }
    ProductStock* Stock() override { return &stock; }
    uint32_t WarehouseLevelCount() const override { return 2; }
    uint32_t PlayEventSound(uint32_t index, uint32_t, bool loop) override {
        sounds.push_back({index, loop});
        return nextChannel++;
    }
    void StopSound(uint32_t channel) override { stopped.push_back(channel); }
    LevelTutorialHooks* RunningTutorial() override { return tutorial; }
    void RequestPulldown(BaseLevelPoint& point) override { pulled.push_back(point.Index()); }
    std::u16string LevelTitle(uint32_t) const override { return u"Level 34"; }
};

} // namespace paneltest
