#include "sprites/GameAnimation.h"

#include "foundation/Ident.h"
#include "foundation/StrFunctions.h"
#include "sprites/Sprite.h"

GameAnimation::GameAnimation(const char16_t* name) {
    kis::StrCopyW(name_, kSpriteNameSize, name);
    static_assert(sizeof name_ / sizeof name_[0] == kSpriteNameSize);
    nameId_ = kis::NameId(name_);
}

const AnimationVariant* GameAnimation::GetVariant(int32_t i) const {
    return i >= 0 && i < VariantCount() ? &variants_[size_t(i)] : nullptr;
}

GameAnimation* AnimationRegistry::Find(const char16_t* name) const {
    if (!name || !name[0]) return nullptr;
    for (GameAnimation* a : animations_)
        if (kis::StrICompareW(a->GetName(), name) == 0) return a;
    return nullptr;
}

GameAnimation* AnimationRegistry::Find(uint32_t nameId) const {
    if (nameId == 0) return nullptr;
    for (GameAnimation* a : animations_)
        if (a->GetNameId() == nameId) return a;
    return nullptr;
}

void AnimationTrack::Play(GameAnimation* a, int32_t v, float s) {
    animation = a;
    speed = s;
    if (a && a->VariantCount() > 0 && v >= 0) variant = v % a->VariantCount();
    if (a && variant >= a->VariantCount()) variant = 0;
    time_ = 0;
    carry_ = 0.0f;
    const AnimationVariant* current = Variant();
    sequence_ = current ? current->sequence : FrameSequence{};
    mirrored = current && current->mirrored;
    frame_ = FrameSequenceFrameAt(&sequence_, 0);
}

const AnimationVariant* AnimationTrack::Variant() const {
    return animation ? animation->GetVariant(variant) : nullptr;
}

void AnimationTrack::Update(uint32_t ms) {
    if (!animation) return;
    const float scaled = float(ms) * speed + carry_;
    if (scaled > 0.0f) {
        const uint32_t whole = uint32_t(scaled);
        carry_ = scaled - float(whole);
        time_ += whole;
    }
    frame_ = FrameSequenceFrameAt(&sequence_, time_);
}

bool AnimationTrack::IsDone() const {
    const AnimationVariant* v = Variant();
    if (!v || v->Length() == 0) return false;
    if (v->sequence.mode == kPlayLoop || v->sequence.mode == kPlayLoopBackwards ||
        v->sequence.mode == kPlaySwing)
        return false;
    return time_ >= v->Length();
}

void AnimationOwner::DrawAttached(DXLViewer& viewer, AnimationTrack& track, bool moveToAnchor,
                                  bool highlight) {
    const AnimationVariant* v = track.Variant();
    if (!v || !v->sprite) return;
    MapDrawItem item;
    kis::Rect r;
    if (!v->sprite->GetFrameRect(track.CurrentFrame(), &r)) return;
    const int32_t w = r.right - r.left;
    float x = 0.0f, y = 0.0f;
    if (moveToAnchor) {
        x = -float(track.mirrored ? w - v->anchorX : v->anchorX);
        y = -float(v->anchorY);
    }
    const uint32_t colour = highlight ? (track.colour & 0xFF000000) | 0x202020 : track.colour;
    const kis::Rect target{int32_t(x), int32_t(y), int32_t(x) + w, int32_t(y) + (r.bottom - r.top)};
    // The animation's own mirroring: the sprite is drawn as the variant asks.
    if (!v->sprite->DrawScaled(&item, track.CurrentFrame(), target, nullptr, colour, track.mirrored)) return;
    item.Draw(viewer);
}

void DrawAttachedAnimation(DXLViewer& viewer, AnimationOwner* owner, AnimationTrack& track, bool moveToAnchor,
                           bool highlight) {
    AnimationOwner* drawer = track.owner && track.owner != owner ? track.owner : owner;
    if (drawer)
        drawer->DrawAttached(viewer, track, moveToAnchor, highlight);
    else
        AnimationOwner().DrawAttached(viewer, track, moveToAnchor, highlight);
}
