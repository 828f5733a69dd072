#pragma once
// Game animations: what characters and buildings play. An animation has a
// name and variants (directions or looks); each variant is a frame sequence
// of a map sprite with an anchor placed on the figure's position, an own
// length, and may be drawn mirrored (the art of the symmetric direction).
// A figure holds an animation track: the animation and variant it plays and
// how far it has got.

#include "engine/Viewer.h"
#include "sprites/FrameSequence.h"

#include <cstdint>
#include <vector>

class AnimationOwner;
class MapSprite;

struct AnimationVariant {
    MapSprite* sprite = nullptr; // owned by the animation's library
    FrameSequence sequence;      // mode, first, count, frame time
    int32_t anchorX = 0, anchorY = 0;
    bool mirrored = false;
    // The sequence's whole length; 0 when still.
    uint32_t Length() const {
        return GetFrameSequenceDuration(sequence.mode, sequence.count, sequence.frameTime);
    }
};

class GameAnimation {
  public:
    explicit GameAnimation(const char16_t* name);
    const char16_t* GetName() const { return name_; }
    uint32_t GetNameId() const { return nameId_; }
    int32_t VariantCount() const { return int32_t(variants_.size()); }
    // -1 and past-the-end are taken care of by the track; out of range: null.
    const AnimationVariant* GetVariant(int32_t i) const;
    void AddVariant(const AnimationVariant& variant) { variants_.push_back(variant); }

  private:
    char16_t name_[32] = {}; // as a sprite name
    uint32_t nameId_;
    std::vector<AnimationVariant> variants_;
};

// Every library's animations, found by name or name id (not owned).
class AnimationRegistry {
  public:
    void Add(GameAnimation* animation) { animations_.push_back(animation); }
    void Clear() { animations_.clear(); }
    GameAnimation* Find(const char16_t* name) const;
    GameAnimation* Find(uint32_t nameId) const;
    int32_t Count() const { return int32_t(animations_.size()); }

  private:
    std::vector<GameAnimation*> animations_;
};

// The animation a figure plays.
class AnimationTrack {
  public:
    // Plays the animation's variant from the start. Variant -1 keeps the
    // current one; one at or past the count is taken modulo the count.
    void Play(GameAnimation* animation, int32_t variant, float speed = 1.0f);
    // Advances by ms times the speed and picks the frame.
    void Update(uint32_t ms);
    // The variant's own length has passed (never for a looping or still one).
    bool IsDone() const;
    const AnimationVariant* Variant() const;
    int32_t CurrentFrame() const { return frame_; }
    uint32_t Time() const { return time_; }

    int32_t kind = 0;
    GameAnimation* animation = nullptr; // owned by its library
    int32_t variant = 0;
    bool mirrored = false;
    float speed = 1.0f;
    uint32_t colour = 0xFFFFFFFF;
    AnimationOwner* owner = nullptr; // the figure it is attached to, not owned

  private:
    uint32_t time_ = 0;
    float carry_ = 0.0f;
    FrameSequence sequence_;
    int32_t frame_ = 0;
};

// A figure that animations can be attached to. The default draw places the
// current frame at the viewer's current transform.
class AnimationOwner {
  public:
    virtual ~AnimationOwner() = default;
    virtual void DrawAttached(DXLViewer& viewer, AnimationTrack& track, bool moveToAnchor, bool highlight);
};

// Draws the current frame of an animation attached to a figure at the
// current transform: with moveToAnchor first moved by minus the anchor
// (mirrored: width - x); with highlight the colour keeps its alpha and
// becomes 0x202020. A track that belongs to another owner is drawn through
// that owner.
void DrawAttachedAnimation(DXLViewer& viewer, AnimationOwner* owner, AnimationTrack& track, bool moveToAnchor,
                           bool highlight);
