#include "sprites/SpriteEffect.h"

#include "engine/SoundManager.h"
#include "engine/Viewer.h"
#include "sprites/SpriteHost.h"

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------- base

SpriteEffect::SpriteEffect(uint32_t duration, bool stopAtEnd, uint32_t delay, uint32_t mask)
    : duration_(duration), delay_(delay), mask_(mask), stopAtEnd_(stopAtEnd) {}

// A copy starts its own timing and belongs to no queue.
SpriteEffect::SpriteEffect(const SpriteEffect& other)
    : duration_(other.duration_), delay_(other.delay_), mask_(other.mask_), waitMask_(other.waitMask_),
      stopAtEnd_(other.stopAtEnd_) {}

SpriteEffect::~SpriteEffect() = default;

uint32_t SpriteEffect::Now() const {
    if (queue_ && queue_->timeOverride) return *queue_->timeOverride;
    return GetSpriteHost().GameClock();
}

// The first step puts the start 10 ms back, so that an effect shows movement
// in the frame it was made. A delay is taken off once it has passed, so the
// effect's own time then starts from 0.
bool SpriteEffect::Step() {
    const uint32_t now = Now();
    if (!started_) {
        start_ = now - 10;
        started_ = true;
    }
    uint32_t elapsed = now - start_;
    if (delay_ != 0) {
        if (elapsed < delay_) {
            if (queue_) queue_->mask |= waitMask_;
            return true;
        }
        start_ += delay_;
        elapsed -= delay_;
        delay_ = 0;
    }
    rawElapsed_ = elapsed;
    elapsed_ = std::min(elapsed, duration_);
    if (elapsed_ == duration_ && stopAtEnd_) return false;
    if (queue_) queue_->mask |= mask_;
    progress_ = duration_ == 0 ? 1.0f : float(elapsed_) / float(duration_);
    return true;
}

void SpriteEffect::Restart(uint32_t delay) {
    start_ = Now();
    started_ = true;
    delay_ = delay;
    elapsed_ = rawElapsed_ = 0;
    progress_ = 0.0f;
}

void SpriteEffect::SetElapsed(uint32_t ms) {
    start_ = Now() - std::min(ms, duration_);
    started_ = true;
}

// ---------------------------------------------------------------- queue

SpriteEffectQueue::SpriteEffectQueue() = default;

SpriteEffectQueue::~SpriteEffectQueue() {
    if (alive_) *alive_ = false;
    for (auto& effect : effects_)
        effect->queue_ = nullptr;
}

std::unique_ptr<SpriteEffect> SpriteEffectQueue::Release(SpriteEffect* effect) {
    for (auto it = effects_.begin(); it != effects_.end(); ++it) {
        if (it->get() != effect) continue;
        std::unique_ptr<SpriteEffect> owned = std::move(*it);
        effects_.erase(it);
        owned->queue_ = nullptr;
        return owned;
    }
    return nullptr;
}

void SpriteEffectQueue::Add(SpriteEffect* effect) {
    if (!effect || effect->queue_ == this) return;
    std::unique_ptr<SpriteEffect> owned;
    if (effect->queue_)
        owned = effect->queue_->Release(effect);
    else
        owned.reset(effect);
    owned->queue_ = this;
    effects_.push_back(std::move(owned));
}

void SpriteEffectQueue::Apply(DXLViewer* viewer) {
    mask = 0;
    colour = 0xFFFFFFFF;
    offsetX = offsetY = offset2X = offset2Y = angle = 0.0f;
    scaleX = scaleY = 1.0f;
    // A step may delete this queue (through whatever its owner does in
    // response) or add effects to it: walk by index and stop when it went.
    bool alive = true;
    bool* outer = alive_;
    alive_ = &alive;
    for (size_t i = 0; i < effects_.size();) {
        SpriteEffect* effect = effects_[i].get();
        const bool going = effect->Step();
        if (!alive) return;
        if (i < effects_.size() && effects_[i].get() == effect && !going)
            effects_.erase(effects_.begin() + std::ptrdiff_t(i));
        else
            ++i;
    }
    alive_ = outer;
    if (!(mask & kEffectColour)) colour = 0xFFFFFFFF;
    if (!viewer) return;
    if (mask & kEffectOffset) viewer->Translate(offsetX, offsetY);
    if (mask & kEffectAngle) viewer->RotateDegrees(angle);
    if (mask & kEffectScale) viewer->Scale2(scaleX, scaleY);
    if (mask & kEffectOffset2) viewer->Translate(offset2X, offset2Y);
}

void AddSpriteEffect(std::unique_ptr<SpriteEffectQueue>* queue, SpriteEffect* effect) {
    if (!queue || !effect) return;
    if (!*queue) *queue = std::make_unique<SpriteEffectQueue>();
    (*queue)->Add(effect);
}

bool UpdateSpriteEffects(std::unique_ptr<SpriteEffectQueue>* queue, DXLViewer* viewer) {
    if (!queue || !*queue) return false;
    (*queue)->Apply(viewer);
    if (*queue && (*queue)->Count() > 0) return true;
    queue->reset();
    return false;
}

uint32_t ApplyEffectAlpha(const SpriteEffectQueue* queue, uint32_t colour) {
    if (queue && (queue->mask & kEffectColour)) return (queue->colour & 0xFF000000) | (colour & 0x00FFFFFF);
    return colour | 0xFF000000;
}

// ---------------------------------------------------------------- effects

namespace {

float Lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

uint32_t AlphaColour(float alpha) {
    return uint32_t(std::lround(std::clamp(alpha, 0.0f, 1.0f) * 255.0f)) << 24 | 0x00FFFFFF;
}

} // namespace

#define VB_EFFECT_CLONE(Name)                                                                                \
    std::unique_ptr<SpriteEffect> Name::Clone() const {                                                      \
        return std::make_unique<Name>(*this);                                                                \
    }

SEffect_Alpha::SEffect_Alpha(float from, float to, uint32_t duration, bool stopAtEnd, uint32_t delay)
    : SpriteEffect(duration, stopAtEnd, delay, kEffectColour), from_(from), to_(to) {}
VB_EFFECT_CLONE(SEffect_Alpha)
bool SEffect_Alpha::Step() {
    if (!SpriteEffect::Step()) return false;
    if (!IsWaiting() && queue_)
        queue_->colour = ModulateArgb(queue_->colour, AlphaColour(Lerp(from_, to_, progress_)));
    return true;
}

SEffect_Build::SEffect_Build(uint32_t duration, uint32_t delay)
    : SpriteEffect(duration, true, delay, kEffectScale) {}
VB_EFFECT_CLONE(SEffect_Build)
// Grows from nothing to 1.15 of its size over the first 70 %, then settles to 1.
bool SEffect_Build::Step() {
    if (!SpriteEffect::Step()) return false;
    if (IsWaiting() || !queue_) return true;
    const float p = progress_;
    const float s = p < 0.7f ? 1.15f * p / 0.7f : 1.15f - 0.15f * (p - 0.7f) / 0.3f;
    queue_->scaleX *= s;
    queue_->scaleY *= s;
    return true;
}

SEffect_Color::SEffect_Color(uint32_t from, uint32_t to, uint32_t duration, bool stopAtEnd, uint32_t delay)
    : SpriteEffect(duration, stopAtEnd, delay, kEffectColour), from_(from), to_(to) {}
VB_EFFECT_CLONE(SEffect_Color)
bool SEffect_Color::Step() {
    if (!SpriteEffect::Step()) return false;
    if (!IsWaiting() && queue_)
        queue_->colour = ModulateArgb(queue_->colour, BlendArgb(from_, to_, progress_));
    return true;
}

SEffect_DisCenter::SEffect_DisCenter(uint32_t duration, int32_t x, int32_t y, uint32_t delay)
    : SpriteEffect(duration, true, delay, kEffectOffset | kEffectOffset2), x_(x), y_(y) {}
VB_EFFECT_CLONE(SEffect_DisCenter)
bool SEffect_DisCenter::Step() {
    if (!SpriteEffect::Step()) return false;
    if (IsWaiting() || !queue_) return true;
    queue_->offsetX += float(x_);
    queue_->offsetY += float(y_);
    queue_->offset2X -= float(x_);
    queue_->offset2Y -= float(y_);
    return true;
}

SEffect_Gradient::SEffect_Gradient(bool stopAtEnd, uint32_t delay, const std::vector<Stop>& stops)
    : SpriteEffect(stops.empty() ? 0 : stops.back().time, stopAtEnd, delay, kEffectColour) {
    gradient_.BeginUpdate();
    for (size_t i = 0; i < stops.size(); ++i) {
        const uint32_t next = i + 1 < stops.size() ? stops[i + 1].time : stops[i].time;
        gradient_.Add(stops[i].colour, next > stops[i].time ? next - stops[i].time : 0);
    }
    gradient_.EndUpdate();
    // Before the first stop's time the first colour shows.
    firstTime_ = stops.empty() ? 0 : stops.front().time;
}
VB_EFFECT_CLONE(SEffect_Gradient)
bool SEffect_Gradient::Step() {
    if (!SpriteEffect::Step()) return false;
    if (IsWaiting() || !queue_) return true;
    const uint32_t at = elapsed_ > firstTime_ ? elapsed_ - firstTime_ : 0;
    queue_->colour = ModulateArgb(queue_->colour, gradient_.ColourAt(at));
    return true;
}

SEffect_Pos::SEffect_Pos(float fromX, float fromY, float toX, float toY, uint32_t duration, bool stopAtEnd,
                         uint32_t delay)
    : SpriteEffect(duration, stopAtEnd, delay, kEffectOffset), fromX_(fromX), fromY_(fromY), toX_(toX),
      toY_(toY) {}
VB_EFFECT_CLONE(SEffect_Pos)
bool SEffect_Pos::Step() {
    if (!SpriteEffect::Step()) return false;
    if (IsWaiting() || !queue_) return true;
    queue_->offsetX += Lerp(fromX_, toX_, progress_);
    queue_->offsetY += Lerp(fromY_, toY_, progress_);
    return true;
}

SEffect_PPScale::SEffect_PPScale(float from, float to, uint32_t duration, bool stopAtEnd, uint32_t delay)
    : SpriteEffect(duration, stopAtEnd, delay, kEffectScale), from_(from), to_(to) {}
VB_EFFECT_CLONE(SEffect_PPScale)
bool SEffect_PPScale::Step() {
    if (!SpriteEffect::Step()) return false;
    if (IsWaiting() || !queue_) return true;
    const float t = progress_ < 0.5f ? 2.0f * progress_ : 2.0f - 2.0f * progress_;
    const float s = Lerp(from_, to_, t);
    queue_->scaleX *= s;
    queue_->scaleY *= s;
    return true;
}

SEffect_Scale::SEffect_Scale(float from, float to, uint32_t duration, bool stopAtEnd, uint32_t delay)
    : SpriteEffect(duration, stopAtEnd, delay, kEffectScale), from_(from), to_(to) {}
VB_EFFECT_CLONE(SEffect_Scale)
bool SEffect_Scale::Step() {
    if (!SpriteEffect::Step()) return false;
    if (IsWaiting() || !queue_) return true;
    const float s = Lerp(from_, to_, progress_);
    queue_->scaleX *= s;
    queue_->scaleY *= s;
    return true;
}

SEffect_SinScale::SEffect_SinScale(float from, float to, int32_t swings, uint32_t duration, bool stopAtEnd,
                                   uint32_t delay)
    : SpriteEffect(duration, stopAtEnd, delay, kEffectScale), from_(from), to_(to),
      swings_(swings < 2 ? 1 : swings) {}
VB_EFFECT_CLONE(SEffect_SinScale)
// Each swing goes from `from` to `to` and back along half a cosine wave.
bool SEffect_SinScale::Step() {
    if (!SpriteEffect::Step()) return false;
    if (IsWaiting() || !queue_) return true;
    const float wave = 0.5f - 0.5f * std::cos(2.0f * 3.14159265f * float(swings_) * progress_);
    const float s = Lerp(from_, to_, wave);
    queue_->scaleX *= s;
    queue_->scaleY *= s;
    return true;
}

SEffect_Sound::SEffect_Sound(uint32_t soundId, uint32_t category, uint32_t delay)
    : SpriteEffect(0, true, delay, 0), soundId_(soundId), category_(category) {}
VB_EFFECT_CLONE(SEffect_Sound)
bool SEffect_Sound::Step() {
    SpriteEffect::Step();
    if (IsWaiting()) return true;
    SoundManager* sound = GetSpriteHost().Sound();
    if (soundId_ && sound) sound->PlayById(soundId_, category_, kLoopOnce);
    return false;
}

SEffect_Wait::SEffect_Wait(uint32_t duration) : SpriteEffect(duration, true, 0, 0) {}
VB_EFFECT_CLONE(SEffect_Wait)
