#include "sprites/GameEffect.h"

#include "engine/SoundManager.h"
#include "engine/Viewer.h"
#include "engine/VirtualKeys.h"
#include "sprites/SpriteHost.h"

#include <algorithm>

namespace {
// The current effect: game state like the current game state, not a service.
std::unique_ptr<GameEffect> g_effect;
uint32_t g_starts = 0; // counts StartGameEffect calls
} // namespace

GameEffect::GameEffect(uint32_t kind, uint32_t length, uint32_t callbackMask)
    : kind_(kind), length_(length), mask_(callbackMask) {}

GameEffect::~GameEffect() = default;

bool GameEffect::Update(uint32_t now) {
    if (!started_) {
        start_ = now;
        started_ = true;
    }
    elapsed_ = std::min(now - start_, length_);
    return !finished_ && elapsed_ < length_;
}

void GameEffect::Draw(DXLViewer&) {}

// ---------------------------------------------------------------- show and hide

GEffect_ShowHide::GEffect_ShowHide(Callback midpoint, uint32_t fadeOut, uint32_t fadeIn, uint32_t hold,
                                   uint32_t colour, uint32_t callbackMask)
    : GameEffect(kRealClock, fadeOut + hold + fadeIn, callbackMask), midpoint_(midpoint), fadeOut_(fadeOut),
      fadeIn_(fadeIn), hold_(hold), colour_(colour) {}

float GEffect_ShowHide::Alpha() const {
    if (elapsed_ < fadeOut_) return float(elapsed_) / float(fadeOut_);
    if (elapsed_ < fadeOut_ + hold_ || fadeIn_ == 0) return 1.0f;
    const uint32_t in = elapsed_ - fadeOut_ - hold_;
    return in >= fadeIn_ ? 0.0f : 1.0f - float(in) / float(fadeIn_);
}

bool GEffect_ShowHide::Update(uint32_t now) {
    const bool going = GameEffect::Update(now);
    if (!midpointDone_ && elapsed_ >= fadeOut_) {
        midpointDone_ = true;
        OnMidpoint();
    }
    return going;
}

void GEffect_ShowHide::OnMidpoint() {
    if (midpoint_) midpoint_();
}

// Colour 1 (what every caller passes) is black; other values are ARGB with
// the alpha taken from the fade.
void GEffect_ShowHide::Draw(DXLViewer& viewer) {
    const float alpha = Alpha();
    if (alpha <= 0.0f) return;
    const uint32_t rgb = colour_ == 1 ? 0 : colour_ & 0x00FFFFFF;
    const uint32_t argb = uint32_t(alpha * 255.0f + 0.5f) << 24 | rgb;
    const kis::Rect& r = viewer.GetClientRect();
    const float w = float(std::max(r.right - r.left, 1)), h = float(std::max(r.bottom - r.top, 1));
    platform::ColouredVertex v[4] = {{0, 0, 0, argb}, {w, 0, 0, argb}, {w, h, 0, argb}, {0, h, 0, argb}};
    viewer.ApplyIdentityTransform();
    viewer.SetBlendMode(kBlendAlpha);
    viewer.FillRect(v);
    viewer.ApplyTransform();
}

GEffect_Regime::GEffect_Regime(int32_t state, uint32_t fadeOut, uint32_t fadeIn, uint32_t hold,
                               uint32_t colour)
    : GEffect_ShowHide(nullptr, fadeOut, fadeIn, hold, colour, kMask), state_(state) {
    if (SoundManager* sound = GetSpriteHost().Sound()) sound->FadeOutCategory(kSoundCategoryScreen);
}

void GEffect_Regime::OnMidpoint() {
    GetSpriteHost().SetGameState(state_);
}

// ---------------------------------------------------------------- skip

GEffect_Skip::GEffect_Skip(Callback callback, uint32_t length, uint32_t callbackMask)
    : GameEffect(kGameClock, length, callbackMask), callback_(callback) {}

bool GEffect_Skip::Update(uint32_t now) {
    if (GameEffect::Update(now)) return true;
    if (!called_ && callback_) {
        called_ = true;
        callback_();
    }
    return false;
}

void GEffect_Skip::OnMouseDown() {
    Finish();
}

void GEffect_Skip::OnKeyDown(uint32_t virtualKey) {
    if (virtualKey != kVkControl && virtualKey != kVkShift && virtualKey != kVkMenu) Finish();
}

// ---------------------------------------------------------------- the current effect

void StartGameEffect(std::unique_ptr<GameEffect> effect) {
    if (g_effect) {
        GetSpriteHost().RestoreCallbacks();
        g_effect.reset();
    }
    g_effect = std::move(effect);
    ++g_starts;
    if (g_effect) GetSpriteHost().TakeCallbacks(g_effect->CallbackMask());
}

GameEffect* CurrentGameEffect() {
    return g_effect.get();
}

bool IsGameEffectRunning() {
    return g_effect != nullptr;
}

void UpdateGameEffect() {
    if (!g_effect) return;
    SpriteHost& host = GetSpriteHost();
    GameEffect* effect = g_effect.get();
    const uint32_t starts = g_starts;
    const uint32_t now = effect->Kind() == GameEffect::kRealClock ? host.RealClock() : host.GameClock();
    if (effect->Update(now)) return;
    // The update may have started another effect in its place (a mid-point
    // callback can): then that one is current and this one already gone.
    if (g_starts != starts) return;
    const GameEffect::Callback after = effect->afterCallback;
    host.RestoreCallbacks();
    g_effect.reset();
    if (after) after();
}

void DrawGameEffect(DXLViewer& viewer) {
    if (g_effect) g_effect->Draw(viewer);
}

void GameEffectMouseDown() {
    if (g_effect) g_effect->OnMouseDown();
}

void GameEffectKeyDown(uint32_t virtualKey) {
    if (g_effect) g_effect->OnKeyDown(virtualKey);
}
