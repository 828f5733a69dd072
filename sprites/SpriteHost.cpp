#include "sprites/SpriteHost.h"

namespace {

class IdleHost final : public SpriteHost {
  public:
    uint32_t GameClock() override { return 0; }
    uint32_t RealClock() override { return 0; }
    void TakeCallbacks(uint32_t) override {}
    void RestoreCallbacks() override {}
    void SetGameState(int32_t) override {}
};

IdleHost g_idleHost;
SpriteHost* g_host = &g_idleHost;

} // namespace

void SetSpriteHost(SpriteHost* host) {
    g_host = host ? host : &g_idleHost;
}

SpriteHost& GetSpriteHost() {
    return *g_host;
}
