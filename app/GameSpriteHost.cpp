#include "app/GameSpriteHost.h"
#include "app/AppState.h"

#include "app/GameStates.h"
#include "app/WindowInput.h"
#include "engine/SoundManager.h"
#include "sprites/GameEffect.h"
#include "sprites/SpriteHost.h"

static_assert(kFadeTakesInput == (kCallbackCursor | kCallbackUpdate | kCallbackMouse | kCallbackKeys),
              "a screen fade takes the shell's cursor, update, mouse and key slots");

namespace {

// What the slots an effect takes do while it runs: the state's update and
// cursor rest, a click or a key goes to the effect.
void EffectUpdate(uint32_t) {}
void EffectMouseDown(int32_t, int32_t, uint32_t) {
    GameEffectMouseDown();
}
void EffectDoubleClick(int32_t, int32_t) {
    GameEffectMouseDown();
}
void EffectKeyDown(uint32_t key, uint32_t) {
    GameEffectKeyDown(VirtualKeyOf(key));
}

const AppCallbacks kEffectCallbacks = {.update = EffectUpdate,
                                       .mouseDown = EffectMouseDown,
                                       .mouseDoubleClick = EffectDoubleClick,
                                       .keyDown = EffectKeyDown};

class GameSpriteHost final : public SpriteHost {
  public:
    uint32_t GameClock() override { return ::GameClock(); }
    uint32_t RealClock() override { return SoundManager::GetTime(); }
    void TakeCallbacks(uint32_t mask) override {
        RestoreCallbacks();
        mask_ = mask & kCallbackAll;
        GetAppCallbacks(&saved_, mask_);
        SetAppCallbacks(&kEffectCallbacks, mask_);
    }
    void RestoreCallbacks() override {
        if (mask_) SetAppCallbacks(&saved_, mask_);
        mask_ = 0;
    }
    void SetGameState(int32_t state) override {
        const uint32_t mask = mask_;
        mask_ = 0; // the state change installs the new state's whole table
        ::SetGameState(state);
        if (mask && IsGameEffectRunning()) TakeCallbacks(mask);
    }
    SoundManager* Sound() override { return GetAppServices().sound; }

  private:
    uint32_t mask_ = 0;
    AppCallbacks saved_ = {};
};

} // namespace

void InstallGameSpriteHost() {
    AppState* state = RunningAppState();
    if (!state) return;
    if (!state->spriteHost) state->spriteHost = std::make_unique<GameSpriteHost>();
    SetSpriteHost(state->spriteHost.get());
}

void RemoveGameSpriteHost() {
    StartGameEffect(nullptr);
    SetSpriteHost(nullptr);
    if (AppState* state = RunningAppState()) state->spriteHost.reset();
}
