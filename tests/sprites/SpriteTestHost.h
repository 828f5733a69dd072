#pragma once
// A sprite host whose clocks the tests set, and which records the callback
// masks taken and given back and the game states asked for.
#include "sprites/SpriteHost.h"

#include <vector>

namespace spritetest {

class TestHost final : public SpriteHost {
  public:
    TestHost() { SetSpriteHost(this); }
    // Both clocks at the time.
    explicit TestHost(uint32_t ms) : TestHost() { SetClocks(ms); }
    ~TestHost() override { SetSpriteHost(nullptr); }
    uint32_t GameClock() override { return game; }
    uint32_t RealClock() override { return real; }
    void TakeCallbacks(uint32_t mask) override { taken.push_back(mask); }
    void RestoreCallbacks() override { ++restored; }
    void SetGameState(int32_t state) override { states.push_back(state); }
    void SetClocks(uint32_t ms) { game = real = ms; }

    uint32_t game = 1000;
    uint32_t real = 5000;
    std::vector<uint32_t> taken;
    int restored = 0;
    std::vector<int32_t> states;
};

} // namespace spritetest
