#include "levelui/ScreenSprites.h"

#include "gui/Window.h"
#include "levelui/ScreenLabel.h"
#include "sprites/Sprite.h"
#include "text/FontSlots.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

// ---------------------------------------------------------------- show and hide effect

SEffect_SSShowHide::SEffect_SSShowHide(bool hide, int32_t mode, uint32_t delay, uint32_t duration)
    : SpriteEffect(duration, true, delay,
                   ((mode & kAlpha) ? kEffectColour : 0) |
                       ((mode & (kScale | kOvershoot)) ? kEffectScale : 0)),
      hide_(hide), mode_(mode) {}

std::unique_ptr<SpriteEffect> SEffect_SSShowHide::Clone() const {
    return std::make_unique<SEffect_SSShowHide>(*this);
}

float SEffect_SSShowHide::AlphaAt(bool hide, float p) {
    return hide ? 1.0f - p : p;
}

float SEffect_SSShowHide::ScaleAt(bool hide, int32_t mode, float p) {
    const float v = hide ? 1.0f - p : p;
    if (mode & kOvershoot) return v < 0.75f ? v * 1.25f / 0.75f : 2.0f - v;
    if (mode & kScale) return v;
    return 1.0f;
}

bool SEffect_SSShowHide::Step() {
    if (!SpriteEffect::Step()) return false;
    if (IsWaiting() || !queue_) return true;
    if (mode_ & kAlpha) {
        const uint32_t alpha = uint32_t(std::lround(AlphaAt(hide_, progress_) * 255.0f));
        queue_->colour = (queue_->colour & 0x00FFFFFF) | alpha << 24;
    }
    if (mode_ & (kScale | kOvershoot)) {
        const float s = ScaleAt(hide_, mode_, progress_);
        queue_->scaleX = s;
        queue_->scaleY = s;
    }
    return true;
}

// ---------------------------------------------------------------- screen sprite

ScreenSprite::ScreenSprite(ScreenSprites& host, int32_t x, int32_t y)
    : host_(host), x_(x), y_(y), rect_{x, y, x, y} {}

ScreenSprite::~ScreenSprite() = default;

bool ScreenSprite::FollowsZoom() const {
    const ScreenSpriteLevel& level = host_.Level();
    return followZoom_ && level.FieldScaled() && level.FieldScale() < 1.0f;
}

void ScreenSprite::Show(bool immediate, uint32_t delay, int32_t mode, uint32_t duration) {
    const bool acts = !shown_ || showState_ == kHiding || (showState_ == kShowing && immediate);
    if (!acts) return;
    effects_.reset();
    shown_ = true;
    if (immediate) {
        // Nothing to wait for: the sprite is idle and takes input at once. Left
        // in the showing state it would wait for a show effect that never
        // comes, and refuse every click.
        showState_ = kIdle;
    } else {
        showState_ = kShowing;
        AddEffect(std::make_unique<SEffect_SSShowHide>(false, mode, delay, duration));
    }
    OnVisibilityChanged();
}

void ScreenSprite::Hide(AfterHiding after, HideSpeed speed, uint32_t delay, int32_t mode, uint32_t duration) {
    if (after == AfterHiding::Remove) removeWhenHidden_ = true;
    const bool immediate = speed == HideSpeed::AtOnce;
    const bool acts = (shown_ && showState_ != kHiding) || immediate;
    if (!acts) return;
    effects_.reset();
    if (immediate) {
        shown_ = false;
        showState_ = kIdle;
    } else {
        showState_ = kHiding;
        AddEffect(std::make_unique<SEffect_SSShowHide>(true, mode, delay, duration));
    }
    OnVisibilityChanged();
}

void ScreenSprite::AddEffect(std::unique_ptr<SpriteEffect> effect) {
    AddSpriteEffect(&effects_, effect.release());
}

bool ScreenSprite::PrepareDraw(DXLViewer& viewer) {
    if (!shown_) return false;
    const ScreenSpriteLevel& level = host_.Level();
    const DXLMatrix view = level.ViewTransform();
    viewer.SetTransform(&view);
    viewer.Translate(float(x_ + offsetX_), float(y_ + offsetY_));
    if (FollowsZoom()) viewer.SetScale(level.ScreenScale());
    viewer.SnapTransformOrigin();
    if (effects_ && !UpdateSpriteEffects(&effects_, &viewer)) {
        if (showState_ == kHiding || removeWhenHidden_) shown_ = false;
        showState_ = kIdle;
    }
    const uint32_t alpha =
        effects_ && (effects_->mask & kEffectColour) ? effects_->colour & 0xFF000000 : 0xFF000000;
    if (alpha != (colour_ & 0xFF000000)) colourChanged_ = true;
    colour_ = (colour_ & 0x00FFFFFF) | alpha;
    return shown_;
}

void ScreenSprite::Draw(DXLViewer& viewer) {
    if (!PrepareDraw(viewer)) return;
    viewer.GetTransform(&transform_);
    drawn_ = true;
    DrawContent(viewer);
    colourChanged_ = false;
}

bool ScreenSprite::ShowsAt(int32_t x, int32_t y) const {
    if (!shown_ || !drawn_ || removeWhenHidden_ || showState_ == kHiding) return false;
    // The drawn transform undone: x' = x a + y c + tx, y' = x b + y d + ty.
    const DXLMatrix& m = transform_;
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[1][0], d = m.m[1][1];
    const float det = a * d - b * c;
    if (det == 0.0f) return false;
    const float dx = float(x) - m.m[3][0], dy = float(y) - m.m[3][1];
    return ContentShows((dx * d - dy * c) / det, (dy * a - dx * b) / det);
}

// ---------------------------------------------------------------- active screen sprite

ActiveScreenSprite::ActiveScreenSprite(ScreenSprites& host, uint32_t command, int32_t x, int32_t y)
    : ScreenSprite(host, x, y), GameHint(host.Level().Windows()), command_(command) {
    // The buttons stand over the bed or building they act on: a hint below
    // them would hide it.
    SetHintBeside(true);
    host.AddActive(this);
}

ActiveScreenSprite::~ActiveScreenSprite() {
    SetHovered(false);
    Manager().Forget(this);
    host_.RemoveActive(this);
}

void ActiveScreenSprite::OnVisibilityChanged() {
    // A sprite that hides while highlighted or pressed lets the hover go.
    if (state_ != kNormal && host_.Hovered() == this) SetHovered(false);
}

bool ActiveScreenSprite::IsVisible() const {
    return shown_ && !removeWhenHidden_ && showState_ == kIdle;
}

bool ActiveScreenSprite::HitTest(int32_t x, int32_t y) const {
    return IsVisible() && x >= rect_.left && x < rect_.right && y >= rect_.top && y < rect_.bottom;
}

bool ActiveScreenSprite::LocalPlace(int32_t x, int32_t y, float* lx, float* ly) const {
    if (!IsVisible()) return false;
    const float scale = FollowsZoom() ? host_.Level().FieldScale() : 1.0f;
    *lx = float(x - x_ - offsetX_) * scale;
    *ly = float(y - y_ - offsetY_) * scale;
    return true;
}

bool ActiveScreenSprite::SetDisabled(bool disabled) {
    if (disabled && state_ != kDisabled) {
        state_ = kDisabled;
        return true;
    }
    if (!disabled && state_ == kDisabled) {
        state_ = kNormal;
        return true;
    }
    return false;
}

bool ActiveScreenSprite::SetHovered(bool hovered) {
    pressedButtons_ = 0;
    if (hovered && !hovered_ && IsVisible()) {
        host_.hovered_ = this;
        RequestHint();
        hovered_ = true;
        hoverRest_ = kHoverRest;
        // The last position stays (-1, -1): the first tick finds the pointer
        // moved and starts the rest there.
        return true;
    }
    if (!hovered && hovered_) {
        HideHint();
        if (state_ >= kHighlighted) {
            state_ = kNormal;
            OnUnhighlight();
        }
        hovered_ = false;
        hoverRest_ = 0;
        lastMouseX_ = lastMouseY_ = -1;
        if (host_.hovered_ == this) host_.hovered_ = nullptr;
        return true;
    }
    return false;
}

bool ActiveScreenSprite::Highlight() {
    if (!hovered_ || state_ != kNormal || !IsVisible()) return false;
    state_ = kHighlighted;
    RequestHint();
    return true;
}

bool ActiveScreenSprite::SetPressed(bool pressed) {
    if (pressed && state_ == kHighlighted) {
        state_ = kPressed;
        return true;
    }
    if (!pressed && state_ == kPressed) {
        state_ = kHighlighted;
        return true;
    }
    return false;
}

void ActiveScreenSprite::Click() {
    if (!click_) return;
    const uint32_t result = click_(this, owner_, pressedButtons_);
    if (result & kClickRemove) removeWhenHidden_ = true; // no more input; deleted once hidden
    if (result & kClickSound) host_.Level().PlayClickSound();
}

void ActiveScreenSprite::SetCommand(void* owner, ClickCallback click, DisabledPredicate disabled) {
    owner_ = owner;
    click_ = click;
    disabled_ = disabled;
    RefreshDisabled();
}

void ActiveScreenSprite::RefreshDisabled() {
    const bool d = disabled_ && disabled_(this, owner_) != 0;
    if (d != (state_ == kDisabled)) SetDisabled(d);
}

void ActiveScreenSprite::Update() {
    if (removeWhenHidden_) return;
    RefreshDisabled();
    if (hoverRest_ > 0) {
        const int32_t mx = host_.Level().MouseX(), my = host_.Level().MouseY();
        if (std::abs(mx - lastMouseX_) > 1 || std::abs(my - lastMouseY_) > 1)
            hoverRest_ = kHoverRest;
        else
            hoverRest_ = hoverRest_ > 10 ? hoverRest_ - 10 : 0;
        lastMouseX_ = mx;
        lastMouseY_ = my;
        if (hoverRest_ == 0 && hovered_ && state_ == kNormal) Highlight();
    }
    pressLock_ = pressLock_ > 10 ? pressLock_ - 10 : 0;
}

kis::Rect ActiveScreenSprite::ScreenRect() const {
    // The rectangle's corners through the transform the sprite was last drawn with.
    const DXLMatrix view = host_.Level().ViewTransform();
    auto toScreen = [&](int32_t x, int32_t y, int32_t* sx, int32_t* sy) {
        *sx = int32_t(std::lround(float(x) * view.m[0][0] + float(y) * view.m[1][0] + view.m[3][0]));
        *sy = int32_t(std::lround(float(x) * view.m[0][1] + float(y) * view.m[1][1] + view.m[3][1]));
    };
    kis::Rect r;
    toScreen(rect_.left, rect_.top, &r.left, &r.top);
    toScreen(rect_.right, rect_.bottom, &r.right, &r.bottom);
    return {r.left - 8, r.top - 8, r.right + 8, r.bottom + 8};
}

// ---------------------------------------------------------------- host

ScreenSprites::ScreenSprites(ScreenSpriteLevel& level) : level_(level) {}

ScreenSprites::~ScreenSprites() {
    ++dispatching_; // nothing may be deleted twice while the lists empty
    while (!all_.empty()) {
        std::unique_ptr<ScreenSprite> last = std::move(all_.back());
        all_.pop_back();
        last.reset();
    }
    while (!labels_.empty())
        labels_.pop_back();
}

ScreenLabel* ScreenSprites::CreateLabel(float x, float y) {
    labels_.push_back(std::make_unique<ScreenLabel>(*this, x, y));
    return labels_.back().get();
}

int32_t ScreenSprites::IndexOf(const ScreenSprite* sprite) const {
    for (size_t i = 0; i < all_.size(); ++i)
        if (all_[i].get() == sprite) return int32_t(i);
    return -1;
}

void ScreenSprites::Destroy(ScreenSprite* sprite) {
    const int32_t i = IndexOf(sprite);
    if (i < 0) return;
    if (dispatching_ > 0) {
        // Something up the stack may still hold it: hide it now, delete it on the next tick.
        sprite->Hide(ScreenSprite::AfterHiding::Remove, ScreenSprite::HideSpeed::AtOnce, 0, 0, 0);
        if (auto* active = dynamic_cast<ActiveScreenSprite*>(sprite)) active->SetHovered(false);
        return;
    }
    std::unique_ptr<ScreenSprite> owned = std::move(all_[size_t(i)]);
    all_.erase(all_.begin() + i);
}

void ScreenSprites::RemoveActive(ActiveScreenSprite* sprite) {
    active_.erase(std::remove(active_.begin(), active_.end(), sprite), active_.end());
    if (hovered_ == sprite) hovered_ = nullptr;
}

bool ScreenSprites::Allows(ActiveScreenSprite* sprite) const {
    return level_.Windows().TutorialAllows(TutorialAction::ClickPoint, sprite->Command(),
                                           TutorialObject::Of<ActiveScreenSprite>(sprite));
}

void ScreenSprites::UpdateHover(int32_t x, int32_t y) {
    ActiveScreenSprite* candidate = nullptr;
    if (!level_.Windows().HoveredWindow() && level_.MouseInField()) {
        if (hovered_ && hovered_->HitTest(x, y) && Allows(hovered_)) {
            candidate = hovered_;
        } else {
            for (size_t i = active_.size(); i-- > 0;) {
                if (active_[i]->HitTest(x, y) && Allows(active_[i])) {
                    candidate = active_[i];
                    break;
                }
            }
        }
    }
    ++dispatching_;
    if (candidate != hovered_) {
        if (hovered_) hovered_->SetHovered(false);
        if (candidate) candidate->SetHovered(true);
    } else if (hovered_) {
        hovered_->RequestHint(); // it keeps the hint through this move
    }
    --dispatching_;
}

bool ScreenSprites::OnMouseDown(int32_t x, int32_t y, uint32_t buttons) {
    UpdateHover(x, y);
    ActiveScreenSprite* s = hovered_;
    if (!s) return false;
    const bool accepted = buttons != 0 && (buttons & ~s->acceptedButtons_) == 0;
    if (s->pressedButtons_ == 0 && s->pressLock_ == 0 && accepted) {
        s->pressedButtons_ = buttons;
        if (s->state_ == ActiveScreenSprite::kNormal) s->Highlight();
        if (s->state_ == ActiveScreenSprite::kHighlighted) s->SetPressed(true);
    }
    return true;
}

void ScreenSprites::OnMouseUp(int32_t, int32_t, uint32_t buttons) {
    ActiveScreenSprite* s = hovered_;
    if (!s || s->pressedButtons_ == 0 || s->pressedButtons_ != buttons) return;
    // The callback may end the sprite: it then stays until the next tick.
    ++dispatching_;
    const bool clicks =
        s->state_ == ActiveScreenSprite::kPressed || s->state_ == ActiveScreenSprite::kDisabled;
    if (clicks && !level_.Windows().IsLettingGo()) s->Click();
    s->SetPressed(false);
    s->pressedButtons_ = 0;
    --dispatching_;
}

void ScreenSprites::Update() {
    for (size_t i = 0; i < all_.size();) {
        ScreenSprite* sprite = all_[i].get();
        ++dispatching_;
        sprite->Update();
        --dispatching_;
        if (sprite->removeWhenHidden_ && !sprite->shown_ && dispatching_ == 0) {
            std::unique_ptr<ScreenSprite> owned = std::move(all_[i]);
            all_.erase(all_.begin() + ptrdiff_t(i));
            continue;
        }
        ++i;
    }
}

void ScreenSprites::Draw(DXLViewer& viewer) {
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    ++dispatching_;
    for (size_t i = 0; i < all_.size(); ++i)
        if (all_[i].get() != hovered_) all_[i]->Draw(viewer);
    if (hovered_) hovered_->Draw(viewer);
    --dispatching_;
    for (size_t i = 0; i < labels_.size();) {
        if (labels_[i]->Update(&viewer)) {
            labels_.erase(labels_.begin() + ptrdiff_t(i));
            continue;
        }
        labels_[i]->Draw(viewer);
        ++i;
    }
    viewer.SetTransform(&saved);
}

void ScreenSprites::RelayoutAll() {
    for (size_t i = active_.size(); i-- > 0;)
        active_[i]->Relayout();
}

void ScreenSprites::RefreshDisabled() {
    for (ActiveScreenSprite* sprite : active_)
        if (!sprite->removeWhenHidden_) sprite->RefreshDisabled();
}

void ScreenSprites::MoveBefore(ScreenSprite* sprite, ScreenSprite* other) {
    const int32_t from = IndexOf(sprite), to = IndexOf(other);
    if (from < 0 || to < 0 || from == to) return;
    std::unique_ptr<ScreenSprite> moving = std::move(all_[size_t(from)]);
    all_.erase(all_.begin() + from);
    all_.insert(all_.begin() + to, std::move(moving));
}

void ScreenSprites::MoveUnderButtons(ScreenSprite* sprite) {
    for (const auto& other : all_) {
        if (other.get() == sprite) return; // already under them all
        if (dynamic_cast<ActiveScreenSprite*>(other.get())) {
            MoveBefore(sprite, other.get());
            return;
        }
    }
}

// ---------------------------------------------------------------- flying labels

namespace {

constexpr int32_t kLabelFont = 7;
constexpr int32_t kLabelIconFrame = 3;
constexpr int32_t kLabelIconWidth = 22;

} // namespace

void ScreenSprites::ShowMoneyChange(int32_t amount, int32_t x, int32_t y, int32_t yOffset, uint32_t delay) {
    if (amount == 0) return;
    ScreenLabel* label = CreateLabel(float(x), float(y + yOffset));
    label->SetIcon(GetSprite(2, u"small_ico_coin"), kLabelIconFrame, false, kLabelIconWidth);
    label->SetNumber(GetFont(kLabelFont), amount, 3, 0xFFFFFF80);
    label->Animate(true, delay, 0);
}

void ScreenSprites::ShowProductChange(Sprite* icon, int32_t count, int32_t x, int32_t y, int32_t yOffset,
                                      uint32_t delay, int32_t animationOffset) {
    if (!icon || count == 0) return;
    ScreenLabel* label = CreateLabel(float(x), float(y + yOffset));
    label->SetIcon(icon, kLabelIconFrame, false, kLabelIconWidth);
    label->SetNumber(GetFont(kLabelFont), count, 1, count < 0 ? 0xFFFF8080 : 0xFFFFFFFF);
    label->Animate(count >= 1, delay, animationOffset);
}

void ScreenSprites::ShowAwardPickUp(int32_t x, int32_t y) {
    ScreenLabel* label = CreateLabel(float(x), float(y - 32));
    label->SetText(GetFont(4), level_.Windows().Text(u"level_interface", u"easter_egg"), 0xFFFFFFFF, 1.5f);
    label->Animate(true, 0, 0);
}
