#pragma once
// Timed sprite effects and the effect queue a sprite object holds.
//
// Each frame the queue resets its combined values and steps its effects in
// order; each effect marks the channels it changed in the queue's change mask
// (1 offset, 2 scale, 4 second offset, 8 colour and alpha, 16 angle) and
// writes its share: offsets and the angle add up, scales and colours
// multiply. The queue then changes the viewer's transform by the marked
// channels.

#include "sprites/Gradient.h"

#include <cstdint>
#include <memory>
#include <vector>

class DXLViewer;
class SpriteEffectQueue;

constexpr uint32_t kEffectOffset = 1;
constexpr uint32_t kEffectScale = 2;
constexpr uint32_t kEffectOffset2 = 4;
constexpr uint32_t kEffectColour = 8;
constexpr uint32_t kEffectAngle = 16;

class SpriteEffect {
  public:
    SpriteEffect(uint32_t duration, bool stopAtEnd, uint32_t delay, uint32_t mask);
    virtual ~SpriteEffect();
    virtual std::unique_ptr<SpriteEffect> Clone() const = 0;
    // The timing every effect runs first (see the class comment in the
    // .cpp); false when the effect has ended and leaves its queue.
    virtual bool Step();

    // Starts the timing again now with the new delay.
    void Restart(uint32_t delay);
    // Moves the start so that the elapsed time is ms (at most the duration).
    void SetElapsed(uint32_t ms);

    SpriteEffectQueue* GetQueue() const { return queue_; }
    uint32_t Duration() const { return duration_; }
    uint32_t Elapsed() const { return elapsed_; }
    uint32_t RawElapsed() const { return rawElapsed_; }
    float Progress() const { return progress_; }
    uint32_t Mask() const { return mask_; }
    bool IsWaiting() const { return delay_ != 0; }

  protected:
    SpriteEffect(const SpriteEffect& other);
    uint32_t Now() const;

    SpriteEffectQueue* queue_ = nullptr; // the queue that owns this effect
    uint32_t duration_;
    uint32_t rawElapsed_ = 0;
    uint32_t elapsed_ = 0;
    uint32_t start_ = 0;
    bool started_ = false;
    uint32_t delay_;
    uint32_t mask_;
    uint32_t waitMask_ = 0; // marked while the delay runs
    bool stopAtEnd_;
    float progress_ = 0.0f;

    friend class SpriteEffectQueue;
};

class SpriteEffectQueue {
  public:
    SpriteEffectQueue();
    ~SpriteEffectQueue(); // deletes its effects
    SpriteEffectQueue(const SpriteEffectQueue&) = delete;
    SpriteEffectQueue& operator=(const SpriteEffectQueue&) = delete;

    // Takes the effect (out of its former queue, which gives it up).
    void Add(SpriteEffect* effect);
    // Resets the combined values, steps every effect (an ended one is deleted)
    // and changes the viewer's transform (null: values only): a move by the
    // offset, a rotation, a scale, a move by the second offset. Without the
    // colour bit the combined colour is white.
    void Apply(DXLViewer* viewer);
    int32_t Count() const { return int32_t(effects_.size()); }
    SpriteEffect* Get(int32_t i) const { return effects_[size_t(i)].get(); }

    uint32_t mask = 0; // channels changed in the current step
    uint32_t colour = 0xFFFFFFFF;
    float offsetX = 0.0f, offsetY = 0.0f;
    float scaleX = 1.0f, scaleY = 1.0f;
    float offset2X = 0.0f, offset2Y = 0.0f;
    float angle = 0.0f; // degrees
    // When set, effects read this clock instead of the game clock (not owned).
    const uint32_t* timeOverride = nullptr;

  private:
    friend class SpriteEffect;
    std::unique_ptr<SpriteEffect> Release(SpriteEffect* effect);

    std::vector<std::unique_ptr<SpriteEffect>> effects_;
    bool* alive_ = nullptr; // set while Apply runs: the queue may be deleted under it
};

// Attaches the effect to *queue, making the queue on first use; null does
// nothing. The queue takes ownership of the effect.
void AddSpriteEffect(std::unique_ptr<SpriteEffectQueue>* queue, SpriteEffect* effect);
// False without a queue; otherwise Apply, then true while effects remain,
// else the queue is deleted and the answer false.
bool UpdateSpriteEffects(std::unique_ptr<SpriteEffectQueue>* queue, DXLViewer* viewer);
// The colour made opaque, or with the queue's alpha when it marks colour.
uint32_t ApplyEffectAlpha(const SpriteEffectQueue* queue, uint32_t colour);

// ---------------------------------------------------------------- effects

class SEffect_Alpha : public SpriteEffect {
  public:
    SEffect_Alpha(float from, float to, uint32_t duration, bool stopAtEnd, uint32_t delay);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;

  private:
    float from_, to_;
};

// The build-up of a new object: it grows past its size and settles back.
class SEffect_Build : public SpriteEffect {
  public:
    SEffect_Build(uint32_t duration, uint32_t delay);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;
};

class SEffect_Color : public SpriteEffect {
  public:
    SEffect_Color(uint32_t from, uint32_t to, uint32_t duration, bool stopAtEnd, uint32_t delay);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;

  private:
    uint32_t from_, to_;
};

// Moves the scaling and turning centre of the queue to (x, y).
class SEffect_DisCenter : public SpriteEffect {
  public:
    SEffect_DisCenter(uint32_t duration, int32_t x, int32_t y, uint32_t delay);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;

  private:
    int32_t x_, y_;
};

class SEffect_Gradient : public SpriteEffect {
  public:
    struct Stop {
        uint32_t colour; // ARGB
        uint32_t time;   // ms from the start, rising
    };
    SEffect_Gradient(bool stopAtEnd, uint32_t delay, const std::vector<Stop>& stops);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;

  private:
    Gradient gradient_;
    uint32_t firstTime_ = 0;
};

class SEffect_Pos : public SpriteEffect {
  public:
    SEffect_Pos(float fromX, float fromY, float toX, float toY, uint32_t duration, bool stopAtEnd,
                uint32_t delay);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;

  private:
    float fromX_, fromY_, toX_, toY_;
};

// Scale from `from` to `to` and back.
class SEffect_PPScale : public SpriteEffect {
  public:
    SEffect_PPScale(float from, float to, uint32_t duration, bool stopAtEnd, uint32_t delay);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;

  private:
    float from_, to_;
};

class SEffect_Scale : public SpriteEffect {
  public:
    SEffect_Scale(float from, float to, uint32_t duration, bool stopAtEnd, uint32_t delay);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;

  private:
    float from_, to_;
};

// Scale swinging between `from` and `to` `swings` times (below 2 counts as 1).
class SEffect_SinScale : public SpriteEffect {
  public:
    SEffect_SinScale(float from, float to, int32_t swings, uint32_t duration, bool stopAtEnd, uint32_t delay);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;

  private:
    float from_, to_;
    int32_t swings_;
};

// Plays a sound once when its delay has run out, then ends.
class SEffect_Sound : public SpriteEffect {
  public:
    SEffect_Sound(uint32_t soundId, uint32_t category, uint32_t delay);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;

  private:
    uint32_t soundId_, category_;
};

class SEffect_Wait : public SpriteEffect {
  public:
    explicit SEffect_Wait(uint32_t duration);
    std::unique_ptr<SpriteEffect> Clone() const override;
};
