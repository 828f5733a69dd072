#include "gui/Window.h"

#include "engine/Log.h"
#include "engine/Viewer.h"
#include "gui/Hint.h"
#include "gui/Notices.h"
#include "gui/Scrollbar.h"
#include "gui/SpritesWindow.h"
#include "sprites/SpriteHost.h"
#include "text/DigitalText.h"
#include "text/Language.h"

#include <algorithm>
#include <climits>

namespace {

WindowManager* g_manager = nullptr;

// A point no control contains: offered to a window the mouse has left so that
// its controls drop their hover look.
constexpr int32_t kOutside = INT32_MIN / 4;
constexpr int32_t kWheelNotch = 120;

} // namespace

void SetWindowManager(WindowManager* manager) {
    g_manager = manager;
}

WindowManager* GetWindowManager() {
    return g_manager;
}

uint32_t WindowsCursor() {
    uint32_t cursor = kDefaultCursor;
    if (g_manager) g_manager->GetCursor(&cursor);
    return cursor;
}

// ---------------------------------------------------------------- window

GameWindow::GameWindow(WindowManager& manager, uint32_t tag, bool modal)
    : tag(tag), modal(modal), manager_(manager), controls_(this) {
    groups_.push_back(&controls_);
}

GameWindow::~GameWindow() {
    // Controls go first, while the window is still whole for their destructors.
    controls_.Clear();
}

template <class Fn> GameButton* GameWindow::OfferToControls(int32_t x, int32_t y, Fn fn) {
    (void)x;
    (void)y;
    for (auto g = groups_.rbegin(); g != groups_.rend(); ++g) {
        GameControls& group = **g;
        for (int32_t i = group.Count() - 1; i >= 0; --i) {
            GameButton* button = group.Get(i);
            if (!button->HasState() || !ControlAllowed(button)) continue;
            if (fn(button)) return button;
        }
    }
    return nullptr;
}

bool GameWindow::ControlAllowed(GameButton* button) const {
    return manager_.TutorialAllows(TutorialAction::Control, tag, TutorialObject(button));
}

bool GameWindow::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (OfferToControls(x, y, [&](GameButton* b) { return b->OnMouseDown(x, y, button); })) return true;
    return kis::PtInRect(x, y, kis::MakeRectWH(0, 0, rect.right - rect.left, rect.bottom - rect.top)) ||
           modal;
}

bool GameWindow::OnMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    // A pressed control follows the mouse wherever it goes.
    if (GameButton* captured = manager_.CapturedControl(); captured && captured->GetWindow() == this) {
        captured->OnMouseMove(x, y, buttons);
        return true;
    }
    // Every control hears the move, so that the ones the mouse left lose their hover look.
    bool taken = false;
    OfferToControls(x, y, [&](GameButton* b) {
        taken = b->OnMouseMove(taken ? kOutside : x, taken ? kOutside : y, buttons) || taken;
        return false;
    });
    return taken ||
           kis::PtInRect(x, y, kis::MakeRectWH(0, 0, rect.right - rect.left, rect.bottom - rect.top));
}

bool GameWindow::OnMouseUp(int32_t x, int32_t y, uint32_t button) {
    if (GameButton* captured = manager_.CapturedControl(); captured && captured->GetWindow() == this)
        return captured->OnMouseUp(x, y, button);
    if (OfferToControls(x, y, [&](GameButton* b) { return b->OnMouseUp(x, y, button); })) return true;
    return kis::PtInRect(x, y, kis::MakeRectWH(0, 0, rect.right - rect.left, rect.bottom - rect.top));
}

bool GameWindow::OnMouseDblClick(int32_t x, int32_t y) {
    if (OfferToControls(x, y, [&](GameButton* b) { return b->OnMouseDblClick(x, y); })) return true;
    return kis::PtInRect(x, y, kis::MakeRectWH(0, 0, rect.right - rect.left, rect.bottom - rect.top));
}

bool GameWindow::OnMouseWheel(int32_t x, int32_t y, int32_t delta) {
    (void)x;
    (void)y;
    if (!scrollbar) return false;
    // A notch is 120; a turn towards the player scrolls down.
    const int32_t notches = delta / kWheelNotch != 0 ? delta / kWheelNotch : (delta > 0) - (delta < 0);
    scrollbar->Scroll(-notches);
    return true;
}

bool GameWindow::OnKeyDown(uint32_t, uint32_t) {
    return modal;
}
bool GameWindow::OnKeyUp(uint32_t, uint32_t) {
    return modal;
}
bool GameWindow::OnKeyPress(char16_t) {
    return modal;
}

bool GameWindow::IsInputBlocked() const {
    return effects_ != nullptr || closing;
}

bool GameWindow::IsAnimating(DXLViewer* viewer) {
    return UpdateSpriteEffects(&effects_, viewer);
}

void GameWindow::SetState(uint32_t newState) {
    state.SetState(newState, true);
}

void GameWindow::OnScreenResize(int32_t, int32_t) {}

bool GameWindow::Update() {
    for (GameControls* group : groups_)
        for (int32_t i = 0; i < group->Count(); ++i)
            group->Get(i)->StepEffect();
    return modal;
}

void GameWindow::Draw(DXLViewer& viewer) {
    DrawChildren(viewer);
}

bool GameWindow::HitTest(int32_t x, int32_t y) const {
    return kis::PtInRect(x, y, rect);
}

void GameWindow::LocalToScreen(int32_t* x, int32_t* y) const {
    *x += rect.left;
    *y += rect.top;
}

void GameWindow::ScreenToLocal(int32_t* x, int32_t* y) const {
    *x -= rect.left;
    *y -= rect.top;
}

bool GameWindow::OnScreenMouseDown(int32_t x, int32_t y, uint32_t button) {
    ScreenToLocal(&x, &y);
    return OnMouseDown(x, y, button);
}
bool GameWindow::OnScreenMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    ScreenToLocal(&x, &y);
    return OnMouseMove(x, y, buttons);
}
bool GameWindow::OnScreenMouseUp(int32_t x, int32_t y, uint32_t button) {
    ScreenToLocal(&x, &y);
    return OnMouseUp(x, y, button);
}
bool GameWindow::OnScreenMouseDblClick(int32_t x, int32_t y) {
    ScreenToLocal(&x, &y);
    return OnMouseDblClick(x, y);
}
bool GameWindow::OnScreenMouseWheel(int32_t x, int32_t y, int32_t delta) {
    ScreenToLocal(&x, &y);
    return OnMouseWheel(x, y, delta);
}

uint32_t GameWindow::OnButtonClick(GameButton*) {
    return 0;
}

void GameWindow::AddControls(GameControls* group) {
    if (group && std::find(groups_.begin(), groups_.end(), group) == groups_.end()) groups_.push_back(group);
}

void GameWindow::RemoveControls(GameControls* group) {
    if (group == &controls_) return;
    // A control that leaves the window takes its hint with it, even when
    // the mouse rests where it stood.
    for (int32_t i = 0; i < group->Count(); ++i)
        group->Get(i)->HideHint();
    groups_.erase(std::remove(groups_.begin(), groups_.end(), group), groups_.end());
}

void GameWindow::DrawChildren(DXLViewer& viewer) {
    const float alpha = EffectAlpha();
    for (GameControls* group : groups_)
        group->Draw(viewer, alpha);
}

void GameWindow::AddEffect(SpriteEffect* effect) {
    AddSpriteEffect(&effects_, effect);
}

float GameWindow::EffectAlpha() const {
    if (!effects_ || !(effects_->mask & kEffectColour)) return 1.0f;
    return float(effects_->colour >> 24) / 255.0f;
}

// ---------------------------------------------------------------- drag window

DragWindow::DragWindow(WindowManager& manager, uint32_t tag, bool modal) : GameWindow(manager, tag, modal) {
    if (WindowLevel* level = manager.Level()) {
        pauseReason_ = tag == kWarehouseWindowTag ? kPauseWarehouse : kPauseWindow;
        level->OnWindowOpened(tag, pauseReason_);
    }
}

DragWindow::~DragWindow() {
    // Lift exactly the pause this window set, whatever the game state is now,
    // and only while that level is still there.
    if (pauseReason_ != 0)
        if (WindowLevel* level = manager_.Level()) level->OnWindowClosed(tag, pauseReason_);
}

void DragWindow::GetCenteredPosition(int32_t* x, int32_t* y) const {
    *x = (manager_.ScreenWidth() - (rect.right - rect.left)) / 2;
    *y = (manager_.ScreenHeight() - (rect.bottom - rect.top)) / 2;
}

void DragWindow::Close() {
    if (closing) return;
    closing = true;
    dragging_ = false;
    AddEffect(new SEffect_Alpha(1.0f, 0.0f, kDefaultFadeTime, true, 0));
}

void DragWindow::MoveTo(int32_t x, int32_t y) {
    const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
    rect = kis::MakeRectWH(x, y, w, h);
}

void DragWindow::ClampToScreen() {
    const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
    const int32_t x = std::clamp(rect.left, 0, std::max(0, manager_.ScreenWidth() - w));
    const int32_t y = std::clamp(rect.top, 0, std::max(0, manager_.ScreenHeight() - h));
    MoveTo(x, y);
}

bool DragWindow::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (OfferToControls(x, y, [&](GameButton* b) { return b->OnMouseDown(x, y, button); })) return true;
    const bool inside =
        kis::PtInRect(x, y, kis::MakeRectWH(0, 0, rect.right - rect.left, rect.bottom - rect.top));
    if (inside && button == 1 && draggable &&
        manager_.TutorialAllows(TutorialAction::Drag, tag, TutorialObject::Of<GameWindow>(this))) {
        dragging_ = true;
        grabX_ = x;
        grabY_ = y;
        state.SetState(ControlState::kPressed, true);
    }
    return inside || modal;
}

bool DragWindow::OnMouseUp(int32_t x, int32_t y, uint32_t button) {
    if (dragging_ && button == 1) {
        dragging_ = false;
        state.SetState(ControlState::kNormal, true);
        return true;
    }
    return GameWindow::OnMouseUp(x, y, button);
}

bool DragWindow::OnMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    if (dragging_) {
        MoveTo(rect.left + x - grabX_, rect.top + y - grabY_);
        ClampToScreen();
        return true;
    }
    return GameWindow::OnMouseMove(x, y, buttons);
}

bool DragWindow::OnMouseDblClick(int32_t x, int32_t y) {
    return GameWindow::OnMouseDblClick(x, y);
}

// ---------------------------------------------------------------- manager

WindowManager::WindowManager(DXLViewer* viewer, const DXLLanguage* language)
    : viewer_(viewer), language_(language), messages_(std::make_unique<MessageWindowStack>(*this)),
      awards_(std::make_unique<NewAwardWindowStack>(*this)) {}

WindowManager::~WindowManager() {
    awards_->DeleteAll();
    messages_->DeleteAll();
    DeleteAllWindows();
    digitFonts_.DeleteAll();
}

void WindowManager::DeleteAllWindows() {
    hintOwner_ = nullptr;
    openedUnder_.clear();
    hintShown_ = false;
    captured_ = nullptr;
    // Top first: a window may still look at the ones below while it goes.
    while (!stack_.empty()) {
        std::unique_ptr<GameWindow> top = std::move(stack_.back());
        stack_.pop_back();
        if (top->modal) --modalCount_;
        ClearPointersTo(top.get());
        top.reset();
    }
}

void WindowManager::Push(std::unique_ptr<GameWindow> window) {
    if (window->modal) ++modalCount_;
    // A window that opens under the resting pointer gives no hint until the
    // pointer moves: a control it happens to hold was not pointed at.
    if (mouseX_ >= 0) {
        if (openedUnder_.empty()) openX_ = mouseX_, openY_ = mouseY_;
        openedUnder_.push_back(window.get());
    }
    // A window that opens while a dialog waits for its answer goes under the
    // dialog, which is answered first and so stands above it: a notice kept
    // from the screen before stays over the level panel opening beneath it.
    if (!window->modal) {
        const auto dialog = std::find_if(stack_.begin(), stack_.end(),
                                         [](const auto& w) { return w->tag == kDialogTag && !w->closing; });
        if (dialog != stack_.end()) {
            stack_.insert(dialog, std::move(window));
            return;
        }
    }
    stack_.push_back(std::move(window));
}

int32_t WindowManager::IndexOf(const GameWindow* window) const {
    for (size_t i = 0; i < stack_.size(); ++i)
        if (stack_[i].get() == window) return int32_t(i);
    return -1;
}

template <class Fn> bool WindowManager::Offer(Fn fn) {
    std::vector<GameWindow*> local;
    std::vector<GameWindow*>& windows = dispatchDepth_ == 0 ? offer_ : local;
    windows.clear();
    for (auto& w : stack_)
        windows.push_back(w.get());
    ++dispatchDepth_;
    bool answer = false;
    for (size_t i = windows.size(); i-- > 0;) {
        GameWindow* w = windows[i];
        if (IndexOf(w) < 0) continue; // went during this event
        if (w->IsInputBlocked()) {
            if (w->modal && !w->closing) {
                answer = true;
                break;
            }
            continue;
        }
        if (fn(w) || w->modal) {
            answer = true;
            break;
        }
    }
    --dispatchDepth_;
    DeleteClosedWindows();
    return answer;
}

void WindowManager::UpdateHover(int32_t x, int32_t y) {
    GameWindow* found = nullptr;
    for (size_t i = stack_.size(); i-- > 0;) {
        GameWindow* w = stack_[i].get();
        if (w->closing) continue;
        if (w->HitTest(x, y)) {
            found = w;
            break;
        }
        if (w->modal) break; // nothing below a modal window is under the mouse
    }
    if (hovered_ && hovered_ != found && !hovered_->closing) hovered_->OnMouseMove(kOutside, kOutside, 0);
    hovered_ = found;
}

bool WindowManager::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    mouseX_ = x;
    mouseY_ = y;
    const bool taken = Offer([&](GameWindow* w) { return w->OnScreenMouseDown(x, y, button); });
    // A window that let the press through may have stopped taking the mouse
    // there on the way (a tutorial's layer whose step the press completed):
    // what lies under the mouse is looked for again before the screen gets it.
    if (!taken) UpdateHover(x, y);
    return taken;
}

bool WindowManager::OnMouseUp(int32_t x, int32_t y, uint32_t button) {
    mouseX_ = x;
    mouseY_ = y;
    // The control that took the press hears its release first, wherever it is.
    if (captured_) {
        GameWindow* owner = captured_->GetWindow();
        ++dispatchDepth_;
        owner->OnScreenMouseUp(x, y, button);
        --dispatchDepth_;
        DeleteClosedWindows();
        return true;
    }
    return Offer([&](GameWindow* w) { return w->OnScreenMouseUp(x, y, button); });
}

bool WindowManager::OnMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    // In 64 bits: positions far apart must not overflow their difference.
    const bool moved =
        std::abs(int64_t(x) - restX_) >= kHintMoveSlack || std::abs(int64_t(y) - restY_) >= kHintMoveSlack;
    mouseX_ = x;
    mouseY_ = y;
    if (std::abs(int64_t(x) - openX_) >= kHintMoveSlack || std::abs(int64_t(y) - openY_) >= kHintMoveSlack)
        openedUnder_.clear();
    if (moved) {
        restX_ = x;
        restY_ = y;
        if (hintOwner_ && !hintShown_) hintStart_ = Now(); // the mouse has not come to rest yet
    }
    UpdateHover(x, y);
    hintTouched_ = nullptr;
    const bool over = Offer([&](GameWindow* w) { return w->OnScreenMouseMove(x, y, buttons); });
    // A control of a window keeps the hint only while its window touches it
    // in this move; one outside the windows (the level's screen sprites) is
    // touched by its own host after the windows, so it keeps the hint until
    // the mouse comes over a window or the host lets it go.
    const bool outside = hintOwner_ && !hintOwner_->GetWindow() && !hovered_;
    if (!hintTouched_ && hintOwner_ && !outside) SetHintOwner(nullptr);
    return over || hovered_ != nullptr;
}

bool WindowManager::OnMouseDblClick(int32_t x, int32_t y) {
    return Offer([&](GameWindow* w) { return w->OnScreenMouseDblClick(x, y); });
}

bool WindowManager::OnMouseWheel(int32_t x, int32_t y, int32_t delta) {
    return Offer([&](GameWindow* w) { return w->HitTest(x, y) && w->OnScreenMouseWheel(x, y, delta); });
}

bool WindowManager::OnKeyDown(uint32_t key, uint32_t flags) {
    return Offer([&](GameWindow* w) {
        return TutorialAllows(TutorialAction::Key, key, TutorialObject(w)) && w->OnKeyDown(key, flags);
    });
}

bool WindowManager::OnKeyUp(uint32_t key, uint32_t flags) {
    return Offer([&](GameWindow* w) { return w->OnKeyUp(key, flags); });
}

bool WindowManager::OnKeyPress(char16_t ch) {
    return Offer([&](GameWindow* w) { return w->OnKeyPress(ch); });
}

void WindowManager::Update() {
    messages_->Update();
    awards_->Update();
    ++dispatchDepth_;
    for (size_t i = 0; i < stack_.size(); ++i)
        stack_[i]->Update();
    --dispatchDepth_;
    // A modal window stands over the whole screen as far as input goes: the
    // field's hint (of a control outside the windows) gives way to it.
    if (hintOwner_ && !hintOwner_->GetWindow() && modalCount_ > 0) SetHintOwner(nullptr);
    if (hintOwner_ && !hintShown_ && Now() - hintStart_ >= kHintDelay) {
        if (BaseHintWindow* hint = hintOwner_->GetHintWindow()) {
            hintShown_ = true;
            hint->Show();
            hintOwner_->OnHintShown();
        }
    }
    DeleteClosedWindows();
}

void WindowManager::Draw() {
    ++dispatchDepth_;
    for (size_t i = 0; i < stack_.size(); ++i) {
        GameWindow* w = stack_[i].get();
        if (viewer_) {
            viewer_->ResetTransform();
            viewer_->Translate(float(w->rect.left), float(w->rect.top));
        }
        const bool moving = w->IsAnimating(viewer_);
        if (!moving && !w->closing) ReportOutsideScreen(*w);
        if (!viewer_) continue;
        viewer_->ApplyTransform();
        w->Draw(*viewer_);
    }
    if (viewer_) {
        viewer_->ResetTransform();
        viewer_->ApplyTransform();
        if (hintShown_ && hintOwner_)
            if (BaseHintWindow* hint = hintOwner_->GetHintWindow(); hint && !HintGivesWay(hint->Box()))
                hint->Draw(*viewer_);
    }
    --dispatchDepth_;
    DeleteClosedWindows();
}

bool WindowManager::HintGivesWay(const kis::Rect& box) const {
    return std::any_of(stack_.begin(), stack_.end(), [&](const std::unique_ptr<GameWindow>& w) {
        return !w->closing && w->KeepsHintsOff(box);
    });
}

// A window at rest that reaches past the screen's edges cannot be seen
// whole: the log tells it once per window, for the screen walks to find.
void WindowManager::ReportOutsideScreen(GameWindow& w) const {
    const int32_t width = ScreenWidth(), height = ScreenHeight();
    const kis::Rect& r = w.rect;
    if (!w.outside_.FirstTime(r, kis::MakeRect(0, 0, width, height))) return;
    const uint32_t t = w.tag;
    const char name[5] = {char(t >> 24), char(t >> 16), char(t >> 8), char(t), 0};
    LogLabelPrintf(kLogIndent, "Window outside the screen", "%s (%d, %d)-(%d, %d) on %d x %d", name,
                   int(r.left), int(r.top), int(r.right), int(r.bottom), int(width), int(height));
}

void WindowManager::OnScreenResize(int32_t width, int32_t height) {
    for (auto& w : stack_)
        w->OnScreenResize(width, height);
    messages_->OnScreenResize(width, height);
}

GameWindow* WindowManager::FindWindowByLayer(uint32_t tag) const {
    for (size_t i = stack_.size(); i-- > 0;)
        if (stack_[i]->tag == tag) return stack_[i].get();
    return nullptr;
}

void WindowManager::MoveAbove(GameWindow* window, GameWindow* other) {
    const int32_t from = IndexOf(window);
    if (from < 0 || window == other) return;
    std::unique_ptr<GameWindow> moving = std::move(stack_[size_t(from)]);
    stack_.erase(stack_.begin() + from);
    const int32_t at = other ? IndexOf(other) : -1;
    if (at < 0)
        stack_.push_back(std::move(moving));
    else
        stack_.insert(stack_.begin() + at + 1, std::move(moving));
}

void WindowManager::MoveToBottom(GameWindow* window) {
    const int32_t from = IndexOf(window);
    if (from <= 0) return;
    std::unique_ptr<GameWindow> moving = std::move(stack_[size_t(from)]);
    stack_.erase(stack_.begin() + from);
    stack_.insert(stack_.begin(), std::move(moving));
}

void WindowManager::SetWindowLayer(GameWindow* window, uint32_t anchor, uint32_t same) {
    const int32_t from = IndexOf(window);
    if (from < 0 || window->tag == anchor) return;
    std::unique_ptr<GameWindow> moving = std::move(stack_[size_t(from)]);
    stack_.erase(stack_.begin() + from);
    size_t at = stack_.size();
    for (size_t i = 0; i < stack_.size(); ++i) {
        if (stack_[i]->tag != anchor) continue;
        at = i + 1;
        while (at < stack_.size() && stack_[at]->tag == same)
            ++at;
        break;
    }
    stack_.insert(stack_.begin() + std::ptrdiff_t(at), std::move(moving));
}

void WindowManager::Destroy(GameWindow* window) {
    if (IndexOf(window) < 0) return;
    window->closing = true;
    window->DropEffects(); // no hide effect holds it back
    DeleteClosedWindows();
}

void WindowManager::DeleteClosedWindows() {
    if (dispatchDepth_ > 0) return;
    for (auto& w : stack_)
        for (GameControls* group : w->Groups())
            group->DeleteRemoved();
    for (;;) {
        auto it = std::find_if(stack_.begin(), stack_.end(),
                               [](const auto& w) { return w->closing && !w->Effects(); });
        if (it == stack_.end()) return;
        std::unique_ptr<GameWindow> going = std::move(*it);
        stack_.erase(it);
        if (going->modal) --modalCount_;
        ClearPointersTo(going.get());
        ++dispatchDepth_; // a destructor that closes more windows only marks them
        going.reset();
        --dispatchDepth_;
    }
}

void WindowManager::ClearPointersTo(GameWindow* window) {
    if (hovered_ == window) hovered_ = nullptr;
    std::erase(openedUnder_, window);
    if (captured_ && captured_->GetWindow() == window) captured_ = nullptr;
    if (hintOwner_ && hintOwner_->GetWindow() == window) {
        hintOwner_ = nullptr;
        hintShown_ = false;
    }
    if (hintTouched_ && hintTouched_->GetWindow() == window) hintTouched_ = nullptr;
    GameWindow** singles[] = {&menuWindow,        &infoWindow,   &warehouseWindow, &levelWindow,
                              &levelResultWindow, &awardsWindow, &optionsWindow,   &profilesWindow,
                              &mapInterface,      &mapWindow};
    for (GameWindow** p : singles)
        if (*p == window) *p = nullptr;
}

void WindowManager::SetHintOwner(GameHint* owner) {
    if (owner == hintOwner_) return;
    if (hintOwner_ && hintShown_)
        if (BaseHintWindow* hint = hintOwner_->GetHintWindow()) hint->Hide();
    hintOwner_ = owner;
    hintShown_ = false;
    hintStart_ = Now();
    restX_ = mouseX_;
    restY_ = mouseY_;
}

void WindowManager::Forget(GameHint* control) {
    if (hintOwner_ == control) {
        hintOwner_ = nullptr;
        hintShown_ = false;
    }
    if (hintTouched_ == control) hintTouched_ = nullptr;
    if (captured_ && static_cast<GameHint*>(captured_) == control) captured_ = nullptr;
}

bool WindowManager::GetCursor(uint32_t* cursor) {
    if (hintOwner_) {
        *cursor = hintOwner_->GetCursor();
        return true;
    }
    if (hovered_ && !hovered_->IsInputBlocked()) {
        *cursor = hovered_->GetCursor();
        return true;
    }
    return false;
}

const char16_t* WindowManager::Text(const char16_t* group, const char16_t* key) const {
    if (!key) return u"";
    if (language_)
        if (const char16_t* text = language_->GetText(group, key, true)) return text;
    return key;
}

bool WindowManager::TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) const {
    return !tutorial_ || tutorial_->Allows(action, tag, data);
}

void WindowManager::TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) const {
    if (tutorial_) tutorial_->Notify(event, a, b);
}

uint32_t WindowManager::Now() const {
    return GetSpriteHost().GameClock();
}

int32_t WindowManager::ScreenWidth() const {
    if (viewer_ && viewer_->GetClientRect().right > viewer_->GetClientRect().left)
        return viewer_->GetClientRect().right - viewer_->GetClientRect().left;
    return 1024;
}

int32_t WindowManager::ScreenHeight() const {
    if (viewer_ && viewer_->GetClientRect().bottom > viewer_->GetClientRect().top)
        return viewer_->GetClientRect().bottom - viewer_->GetClientRect().top;
    return 768;
}

DigitalFont* WindowManager::FindDigitalFont(uint32_t id) const {
    for (int32_t i = 0; i < digitFonts_.Count(); ++i)
        if (DigitalFont* font = digitFonts_.Get(i); font && font->GetId() == id) return font;
    return nullptr;
}

void WindowManager::AddSpritesWindow(SpritesWindow* window) {
    spriteWindows_.push_back(window);
}

void WindowManager::RemoveSpritesWindow(SpritesWindow* window) {
    spriteWindows_.erase(std::remove(spriteWindows_.begin(), spriteWindows_.end(), window),
                         spriteWindows_.end());
}

bool WindowManager::HasSpritesWindow(const SpritesWindow* window) const {
    return std::find(spriteWindows_.begin(), spriteWindows_.end(), window) != spriteWindows_.end();
}
