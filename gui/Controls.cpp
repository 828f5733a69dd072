#include "gui/Controls.h"

#include "engine/SoundManager.h"
#include "engine/Viewer.h"
#include "gui/Hint.h"
#include "gui/Window.h"
#include "sprites/SpriteHost.h"

#include <algorithm>

namespace {

uint32_t GameNow() {
    return GetSpriteHost().GameClock();
}

} // namespace

bool PastBoundsNote::FirstTime(const kis::Rect& r, const kis::Rect& bounds) {
    if (told_ || bounds.right <= bounds.left || bounds.bottom <= bounds.top) return false;
    if (r.left >= bounds.left && r.top >= bounds.top && r.right <= bounds.right && r.bottom <= bounds.bottom)
        return false;
    told_ = true;
    return true;
}

// ---------------------------------------------------------------- state

void ControlState::SetState(uint32_t state, bool atOnce, int32_t duration) {
    if (state == state_) return;
    previous_ = state_;
    state_ = state;
    start_ = GameNow();
    duration_ = atOnce ? 0 : duration < 0 ? kDefaultFadeTime : uint32_t(duration);
}

void ControlState::SetVisible(bool visible, bool animated, int32_t duration) {
    const uint32_t bank = state_ & kSecondBank;
    SetState(visible ? (bank | kNormal) : (bank | kHidden), !animated, duration);
}

void ControlState::SetBank(bool second, bool animated, int32_t duration) {
    SetState((state_ & 3) | (second ? kSecondBank : 0), !animated, duration);
}

float ControlState::Progress() const {
    if (duration_ == 0) return 1.0f;
    const uint32_t elapsed = GameNow() - start_;
    return elapsed >= duration_ ? 1.0f : float(elapsed) / float(duration_);
}

// ---------------------------------------------------------------- hint

GameHint::GameHint(GameWindow* window) : window_(window), manager_(&window->Manager()) {}

GameHint::GameHint(WindowManager& manager) : window_(nullptr), manager_(&manager) {}

GameHint::~GameHint() = default;

void GameHint::RequestHint() {
    WindowManager& manager = Manager();
    if (manager.OpenedUnderPointer(GetWindow())) return;
    manager.TouchHint(this);
    if (!HasHint() || manager.HintOwner() == this) return;
    manager.SetHintOwner(this);
}

BaseHintWindow* GameHint::GetHintWindow() {
    if (!HasHint()) return nullptr;
    // Anchored where the control is now: its window may have moved since.
    const kis::Rect anchor = hasHintRect_ ? hintRect_ : ScreenRect();
    if (!hint_) {
        hint_ = std::make_unique<CaptionHintWindow>(Manager(), this, hintCaption_.c_str(), hintBody_.c_str(),
                                                    &anchor, kHintWidth);
        hint_->SetBeside(hintBeside_);
    } else if (!hint_->IsShown()) {
        hint_->SetAnchor(anchor);
    }
    return hint_.get();
}

void GameHint::HideHint() {
    WindowManager& manager = Manager();
    if (manager.HintOwner() == this) manager.SetHintOwner(nullptr);
}

void GameHint::SetHintRect(const kis::Rect* rect) {
    hasHintRect_ = rect != nullptr;
    if (rect) hintRect_ = *rect;
    if (hint_) hint_->SetRect(hasHintRect_ ? hintRect_ : ScreenRect());
}

void GameHint::SetHintEnabled(bool enabled) {
    hintEnabled_ = enabled;
    if (!enabled) HideHint();
}

void GameHint::SetHint(std::u16string caption, std::u16string body) {
    HideHint();
    hint_.reset();
    hintCaption_ = std::move(caption);
    hintBody_ = std::move(body);
}

// ---------------------------------------------------------------- button

GameButton::GameButton(GameWindow* window, GameControls* group, uint32_t command)
    : GameHint(window), group_(group), command_(command) {}

GameButton::~GameButton() {
    // The manager must not keep pointing at a control that is gone.
    Manager().Forget(this);
}

void GameButton::SetState(uint32_t state, bool atOnce, int32_t duration) {
    state_.SetState(state, atOnce, duration);
    OnStateChanged();
}

void GameButton::SetDisabled(bool disabled, bool animated, int32_t duration) {
    SetState((state_.State() & 3) | (disabled ? ControlState::kSecondBank : 0), !animated, duration);
}

void GameButton::SetVisible(bool visible, bool animated, int32_t duration) {
    const uint32_t bank = state_.State() & ControlState::kSecondBank;
    if (!visible) {
        pressed_ = false;
        HideHint();
        if (Manager().CapturedControl() == this) Manager().SetCapture(nullptr);
    }
    SetState(bank | (visible ? ControlState::kNormal : ControlState::kHidden), !animated, duration);
}

bool GameButton::HitTest(int32_t x, int32_t y) const {
    return kis::PtInRect(x, y, rect) && (!group_ || group_->InView(x, y));
}

void GameButton::PlayClickSound() {
    SoundManager* sound = GetSpriteHost().Sound();
    if (clickSound && sound) sound->PlayById(clickSound, kSoundCategoryInterface, kLoopOnce);
}

uint32_t GameButton::InterfaceClick() {
    SoundManager* sound = GetSpriteHost().Sound();
    return sound ? sound->FindSample(u"click") : 0;
}

void GameButton::Draw(DXLViewer&, float) {}

bool GameButton::OnMouseDown(int32_t, int32_t, uint32_t) {
    return false;
}
bool GameButton::OnMouseMove(int32_t x, int32_t y, uint32_t) {
    if (!HitTest(x, y)) return false;
    RequestHint();
    return true;
}
bool GameButton::OnMouseUp(int32_t, int32_t, uint32_t) {
    return false;
}
bool GameButton::OnMouseDblClick(int32_t, int32_t) {
    return false;
}
void GameButton::OnClick() {}

kis::Rect GameButton::ScreenRect() const {
    kis::Rect r = rect;
    window_->LocalToScreen(&r.left, &r.top);
    window_->LocalToScreen(&r.right, &r.bottom);
    return r;
}

void GameButton::ShowWithEffect(uint32_t start, uint32_t ms) {
    fadeStart_ = start;
    fadeTime_ = ms;
    fadingOut_ = false;
    SetVisible(true, /*animated=*/false);
}

void GameButton::CloseWithEffect() {
    fadeStart_ = GameNow();
    fadeTime_ = kDefaultFadeTime;
    fadingOut_ = true;
    HideHint();
}

void GameButton::StepEffect() {
    if (fadingOut_ && HasState() && EffectAlpha() <= 0.0f) {
        fadingOut_ = false;
        fadeTime_ = 0;
        SetVisible(false);
    }
}

float GameButton::EffectAlpha() const {
    if (fadeTime_ == 0) return fadingOut_ ? 0.0f : 1.0f;
    const int32_t elapsed = int32_t(GameNow() - fadeStart_);
    const float p = elapsed <= 0                    ? 0.0f
                    : elapsed >= int32_t(fadeTime_) ? 1.0f
                                                    : float(elapsed) / float(fadeTime_);
    return fadingOut_ ? 1.0f - p : p;
}

int32_t GetState2Bits(const GameButton* control) {
    return control ? int32_t(control->State().TwoBits()) : 0;
}

// ---------------------------------------------------------------- active button

bool ActiveButton::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (!HasState() || !HitTest(x, y)) return false;
    HideHint();
    // A disabled button swallows the press; a ticked check box is not disabled.
    if (button != 1 || (IsDisabled() && !checkable)) return true;
    pressed_ = true;
    SetState((state_.State() & ControlState::kSecondBank) | ControlState::kPressed, true);
    Manager().SetCapture(this);
    window_->OnControlPressed(this);
    return true;
}

bool ActiveButton::OnMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    (void)buttons;
    if (!HasState()) return false;
    const uint32_t bank = state_.State() & ControlState::kSecondBank;
    const bool inside = HitTest(x, y);
    if (!IsDisabled() || checkable) {
        const uint32_t look = pressed_ ? (inside ? ControlState::kPressed : ControlState::kHover)
                              : inside ? ControlState::kHover
                                       : ControlState::kNormal;
        if ((state_.State() & 3) != look) SetState(bank | look, false);
    }
    if (!inside) return false;
    RequestHint();
    return true;
}

bool ActiveButton::OnMouseUp(int32_t x, int32_t y, uint32_t button) {
    if (!pressed_ || button != 1) return false;
    pressed_ = false;
    if (Manager().CapturedControl() == this) Manager().SetCapture(nullptr);
    const uint32_t bank = state_.State() & ControlState::kSecondBank;
    const bool inside = HitTest(x, y);
    SetState(bank | (inside ? ControlState::kHover : ControlState::kNormal), false);
    window_->OnControlReleased(this);
    // May close the window: closing is deferred to the manager.
    if (inside && !Manager().IsLettingGo()) OnClick();
    return true;
}

bool ActiveButton::OnMouseDblClick(int32_t x, int32_t y) {
    if (!HasState() || !HitTest(x, y)) return false;
    window_->OnButtonDblClick(this);
    return true;
}

void ActiveButton::OnClick() {
    // A check box without a radio id flips its tick before the window hears the click.
    if (checkable && radioId == 0) SetDisabled(!IsDisabled(), false);
    const uint32_t result = window_->OnButtonClick(this);
    if (!(result & kClickNoSound)) PlayClickSound();
    if ((result & kClickSelectRadio) && checkable && radioId != 0) {
        for (int32_t i = 0; i < group_->Count(); ++i) {
            GameButton* other = group_->Get(i);
            if (other != this && other->checkable && other->radioId == radioId) other->SetDisabled(false);
        }
        SetDisabled(true);
    }
    if (result & kClickResetLook)
        SetState((state_.State() & ControlState::kSecondBank) | ControlState::kNormal, true);
    Manager().TutorialNotify(TutorialEvent::Button, window_->tag, TutorialObject::Of<GameButton>(this));
}

// ---------------------------------------------------------------- group

GameControls::~GameControls() {
    Clear();
}

void GameControls::Clear() {
    // Deleting from the back keeps the earlier controls valid for their destructors.
    while (!buttons_.empty())
        buttons_.pop_back();
    removed_.clear();
}

void GameControls::Remove(GameButton* button) {
    auto it =
        std::find_if(buttons_.begin(), buttons_.end(), [&](const auto& b) { return b.get() == button; });
    if (it == buttons_.end()) return;
    std::unique_ptr<GameButton> going = std::move(*it);
    buttons_.erase(it);
    WindowManager& manager = going->Manager();
    manager.Forget(going.get());
    if (!manager.IsDispatching()) return; // deleted here
    going->SetVisible(false);
    removed_.push_back(std::move(going));
}

void GameControls::DeleteRemoved() {
    removed_.clear();
}

void GameControls::Draw(DXLViewer& viewer, float alpha) {
    if (hasView_) viewer.BeginClip(view_);
    for (auto& button : buttons_)
        if (button->HasState()) button->Draw(viewer, alpha);
    if (hasView_) viewer.EndClip();
}

// ---------------------------------------------------------------- tutorial targets

GameButton* TutTargetButton::FindTarget(GameWindow* window, uint32_t command, uintptr_t data) {
    if (!window) return nullptr;
    auto search = [&](GameControls& group) -> GameButton* {
        for (int32_t i = 0; i < group.Count(); ++i) {
            GameButton* b = group.Get(i);
            if (b->Command() == command && (data == 0 || b->userData == data)) return b;
        }
        return nullptr;
    };
    if (GameButton* own = search(window->Controls())) return own;
    const auto& groups = window->Groups();
    for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
        if (*it == &window->Controls()) continue;
        if (GameButton* found = search(**it)) return found;
    }
    return nullptr;
}
