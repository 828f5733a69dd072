#include "gui/Notices.h"

#include "engine/Viewer.h"
#include "sprites/GameEffect.h"
#include "sprites/Sprite.h"
#include "text/TextLayout.h"

#include <algorithm>

namespace {

constexpr int32_t kContentMargin = 10; // the hint skin's border
constexpr int32_t kContentExtraY = 2;
constexpr int32_t kNoticeFont = 4;
// The text with its expanded tags' markup (prices, icons, colours).
constexpr uint32_t kNoticeTextFlags = 0x10000 | kTextMarkup;
constexpr uint32_t kNoticeTextColour = 0xFF3A2410;

} // namespace

// ---------------------------------------------------------------- content

void NoticeContent::Build(Sprite* icon, int32_t frame, const std::u16string& text) {
    icon_ = icon;
    iconFrame_ = frame;
    text_ = text;
    const int32_t iconW = icon ? icon->GetWidth() : 0, iconH = icon ? icon->GetHeight() : 0;
    const int32_t iconSpace = icon ? iconW + kNoticeIconGap : 0;
    const int32_t textWidth = kNoticeMaxWidth - 2 * kContentMargin - iconSpace;
    shown_.Set(kNoticeFont, text, kNoticeTextFlags, textWidth);
    const int32_t tw = text.empty() ? 0 : shown_.Width(), th = text.empty() ? 0 : shown_.Height();
    const int32_t inner = std::max(iconH, th);
    width_ = 2 * kContentMargin + iconSpace + tw;
    height_ = 2 * (kContentMargin + kContentExtraY) + inner;
    // The shorter of icon and text is centred against the other.
    iconX_ = kContentMargin;
    iconY_ = kContentMargin + kContentExtraY + (inner - iconH) / 2;
    textX_ = kContentMargin + iconSpace;
    textY_ = kContentMargin + kContentExtraY + (inner - th) / 2;
    frame_.ClearElements();
    frame_.AddFrame(kSkinHintBox, kis::MakeRectWH(0, 0, width_, height_));
}

void NoticeContent::Draw(DXLViewer& viewer, float alpha) {
    frame_.Draw(viewer, alpha);
    if (icon_ && icon_->GetLibrary()) {
        if (auto instance = icon_->GetLibrary()->CreateInstance(icon_, 0)) {
            instance->frame = std::clamp(iconFrame_, 0, std::max(icon_->GetFrameCount() - 1, 0));
            const DXLMatrix saved = viewer.CurrentTransform();
            viewer.Translate(float(iconX_), float(iconY_));
            viewer.ApplyTransform();
            instance->colour = ScaleAlpha(0xFFFFFFFF, alpha);
            instance->Draw(viewer);
            viewer.SetTransform(&saved);
            viewer.ApplyTransform();
        }
    }
    if (!text_.empty())
        shown_.Draw(viewer, float(textX_), float(textY_), ScaleAlpha(kNoticeTextColour, alpha));
}

// ---------------------------------------------------------------- notice window

NoticeWindow::NoticeWindow(WindowManager& manager, uint32_t tag, NoticeStack* owner)
    : GameWindow(manager, tag, false), stack(owner) {}

NoticeWindow::~NoticeWindow() {
    if (stack) stack->Remove(this);
}

float NoticeWindow::SlideOffset() const {
    if (slideStart == 0 || closing) return 0;
    const uint32_t t = manager_.Now() - slideStart;
    if (t >= kNoticeSlideMs) return 0;
    return slideFrom * (1.0f - float(t) / float(kNoticeSlideMs));
}

void NoticeWindow::Place() {
    Place(manager_.ScreenWidth(), manager_.ScreenHeight());
}

void NoticeWindow::Place(int32_t w, int32_t h) {
    posX = PlaceX(w);
    posY = float(h - stack->BottomOffset() - content.Height() + stackY - content.OffsetY());
    const float y = posY + SlideOffset();
    rect = kis::MakeRectWH(int32_t(posX) + content.OffsetX(), int32_t(y) + content.OffsetY(), content.Width(),
                           content.Height());
}

void NoticeWindow::SlideTo(int32_t target) {
    if (target == stackY) return;
    // A slide still running is folded into the new one.
    const float remaining = SlideOffset();
    slideFrom = float(stackY - target) + remaining;
    stackY = target;
    slideStart = std::max<uint32_t>(manager_.Now(), 1);
    Place();
}

void NoticeWindow::OnScreenResize(int32_t width, int32_t height) {
    Place(width, height);
}

bool NoticeWindow::IsAnimating(DXLViewer* viewer) {
    const bool popping = pop;
    const bool running = GameWindow::IsAnimating(viewer);
    if (popping && !running) {
        pop = false;
        stack->MarkOrderDirty();
    }
    return running;
}

bool NoticeWindow::Covered() const {
    for (int32_t i = manager_.IndexOf(this) + 1; i > 0 && i < manager_.Count(); ++i)
        if (const GameWindow* above = manager_.Get(i); above->modal && !above->closing) {
            const kis::Rect& r = above->rect;
            if (r.left < rect.right && rect.left < r.right && r.top < rect.bottom && rect.top < r.bottom)
                return true;
        }
    // A shown tutorial box, above or below, stays readable: the notice
    // waits for it as it waits for a modal window.
    for (int32_t i = 0; i < manager_.Count(); ++i)
        if (const GameWindow* other = manager_.Get(i);
            other != this && !other->closing && other->KeepsNoticesOff(rect))
            return true;
    return false;
}

void NoticeWindow::Open() {
    AddEffect(new SEffect_Scale(0.75f, 1.0f, kNoticeEffectMs, true, 0));
    AddEffect(new SEffect_Alpha(0.0f, 1.0f, kNoticeEffectMs, true, 0));
}

bool NoticeWindow::Update() {
    GameWindow::Update();
    // A notice that a modal window would cut waits unseen, its time standing
    // still as under any modal window, and opens again when the window goes
    // (the goals of a win show after its result window on a small screen).
    const bool covered = !closing && Covered();
    if (waiting_ && !covered) {
        DropEffects();
        Open();
    }
    waiting_ = covered;
    if (!closing && !waiting_ && lifetime != kNoticeForever) {
        elapsed += stack->FrameTime();
        if (elapsed >= lifetime) Close();
    }
    if (!closing) Place();
    return false;
}

void NoticeWindow::Draw(DXLViewer& viewer) {
    if (waiting_ || (closing && !Effects())) return;
    content.Draw(viewer, EffectAlpha());
}

void NoticeWindow::Close() {
    if (closing) return;
    DropEffects();
    AddEffect(new SEffect_Scale(1.0f, 0.75f, kNoticeEffectMs, true, 0));
    AddEffect(new SEffect_Alpha(1.0f, 0.0f, kNoticeEffectMs, true, 0));
    MarkClosing();
    stack->Relayout();
}

void NoticeWindow::SetLifetime(uint32_t ms, bool popIt) {
    lifetime = ms;
    elapsed = 0;
    if (ms == 0) {
        Close();
        return;
    }
    if (popIt && !Effects()) {
        AddEffect(new SEffect_PPScale(1.0f, 1.2f, kNoticeEffectMs, true, 0));
        pop = true;
    }
    stack->PlaySound(soundId);
}

// ---------------------------------------------------------------- the two kinds

MessageWindow::MessageWindow(WindowManager& manager, NoticeStack* owner, uint32_t id)
    : NoticeWindow(manager, kMessageWindowTag, owner), messageId(id) {}

float MessageWindow::PlaceX(int32_t) const {
    return float(kNoticeMargin - content.OffsetX());
}

bool NoticeWindow::Inside(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < rect.right - rect.left && y < rect.bottom - rect.top;
}

bool MessageWindow::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (!Inside(x, y)) return false;
    GameWindow::OnMouseDown(x, y, button);
    if (closing ||
        !manager_.TutorialAllows(TutorialAction::Message, button, TutorialObject::Of<GameWindow>(this)))
        return true;
    if (!onClick || onClick(contextKind, contextObject, button)) Close();
    return true;
}

NewAwardWindow::NewAwardWindow(WindowManager& manager, NoticeStack* owner, uint32_t kind_, uint32_t index_,
                               uint32_t tier_)
    : NoticeWindow(manager, kNewAwardWindowTag, owner), kind(kind_), index(index_), tier(tier_) {}

float NewAwardWindow::PlaceX(int32_t screenWidth) const {
    return float(screenWidth - content.Width() - kNoticeMargin - content.OffsetX());
}

bool NewAwardWindow::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (!Inside(x, y)) return false;
    if (closing) return true;
    auto* awards = static_cast<NewAwardWindowStack*>(stack);
    if (button == 1 && awards->openAwardsWindow) awards->openAwardsWindow();
    if (button == 4) Close();
    return true;
}

// ---------------------------------------------------------------- stacks

NoticeStack::~NoticeStack() {
    // The manager deletes the windows; they must not reach back into a stack that went.
    for (NoticeWindow* n : notices_)
        n->stack = nullptr;
}

void NoticeStack::Remove(NoticeWindow* notice) {
    notices_.erase(std::remove(notices_.begin(), notices_.end(), notice), notices_.end());
    if (anchor_ == notice) anchor_ = nullptr;
}

int32_t NoticeStack::OpenCount() const {
    return int32_t(
        std::count_if(notices_.begin(), notices_.end(), [](NoticeWindow* n) { return !n->closing; }));
}

void NoticeStack::Update() {
    const uint32_t now = manager_.Now();
    const uint32_t delta = clockStarted_ ? now - lastClock_ : 0;
    lastClock_ = now;
    clockStarted_ = true;
    // Lifetimes stand still under a modal window and while a full-screen
    // effect (a fade) runs.
    const bool still = manager_.ModalCount() > 0 || IsGameEffectRunning();
    frameTime_ = still ? 0 : delta;
    if (orderDirty_) FixOrder();
}

void NoticeStack::DeleteAll() {
    const std::vector<NoticeWindow*> going = notices_;
    for (NoticeWindow* n : going) {
        n->stack = nullptr;
        Remove(n);
        manager_.Destroy(n);
    }
}

void NoticeStack::CloseAll() {
    Hold();
    const std::vector<NoticeWindow*> all = notices_;
    for (NoticeWindow* n : all)
        n->Close();
    Release();
}

void NoticeStack::Release() {
    if (hold_ <= 0) return;
    if (--hold_ == 0) Relayout();
}

void NoticeStack::Relayout() {
    if (hold_ > 0) return;
    int32_t target = 0;
    for (size_t i = notices_.size(); i-- > 0;) {
        NoticeWindow* n = notices_[i];
        if (n->closing) continue;
        n->SlideTo(target);
        target -= n->content.Height();
    }
    FixOrder();
}

void NoticeStack::FixOrder() {
    orderDirty_ = false;
    if (manager_.IndexOf(anchor_) < 0) anchor_ = nullptr;
    GameWindow* below = anchor_;
    for (int pass = 0; pass < 2; ++pass)
        for (NoticeWindow* n : notices_) {
            if (n->closing != (pass == 1)) continue;
            manager_.MoveAbove(n, below);
            below = n;
        }
}

void NoticeStack::MakeRoom() {
    int32_t open = 0;
    const std::vector<NoticeWindow*> all = notices_;
    for (size_t i = all.size(); i-- > 0;) {
        if (all[i]->closing) continue;
        if (++open > 2) all[i]->Close();
    }
}

void NoticeStack::Add(NoticeWindow* notice) {
    GameWindow* below = anchor_;
    for (size_t i = notices_.size(); i-- > 0;)
        if (!notices_[i]->closing) {
            below = notices_[i];
            break;
        }
    manager_.MoveAbove(notice, below);
    notice->Open();
    notices_.push_back(notice);
    notice->Place();
    MarkOrderDirty();
    Relayout();
}

void NoticeStack::SetAnchor(GameWindow* anchor, int32_t bottomOffset) {
    anchor_ = anchor;
    const bool moved = bottomOffset != bottomOffset_;
    bottomOffset_ = bottomOffset;
    for (NoticeWindow* n : notices_) {
        if (moved) n->Place();
        if (!n->closing) n->elapsed = 0;
    }
    MarkOrderDirty();
    FixOrder();
}

const char16_t* NewAwardWindowStack::TextKey(uint32_t kind, uint32_t tier) {
    if (kind == 1) return u"big_award_message";
    if (kind == 2) return u"final_award_message";
    if (tier >= 3) return u"small_gold_message";
    if (tier == 2) return u"small_silver_message";
    return u"small_bronze_message";
}

NewAwardWindow* NewAwardWindowStack::Show(uint32_t kind, uint32_t index, uint32_t tier) {
    MakeRoom();
    const char16_t* key = TextKey(kind, tier);
    Content c;
    if (contentSource)
        c = contentSource(kind, index, tier, key);
    else
        c.text = manager_.Text(u"awards", key);
    NewAwardWindow* notice = manager_.Open<NewAwardWindow>(this, kind, index, tier);
    notice->content.Build(c.icon, int32_t(tier), c.text);
    notice->lifetime = kAwardNoticeLifetime;
    PlaySound(awardSound);
    Add(notice);
    return notice;
}

void NewAwardWindowStack::Relayout(GameWindow* anchor, int32_t bottomOffset) {
    SetAnchor(anchor, bottomOffset);
}

MessageWindow* MessageWindowStack::FindById(uint32_t id) const {
    for (size_t i = notices_.size(); i-- > 0;) {
        auto* m = static_cast<MessageWindow*>(notices_[i]);
        if (m->messageId == id && !m->closing) return m;
    }
    return nullptr;
}

MessageWindow* MessageWindowStack::Show(uint32_t id, Sprite* icon, int32_t frame, const std::u16string& text,
                                        uint32_t contextKind, const void* contextObject, uint32_t lifetime,
                                        MessageWindow::ClickCallback onClick, uint32_t soundId) {
    if (MessageWindow* open = FindById(id)) {
        open->SetLifetime(lifetime, true);
        return open;
    }
    MakeRoom();
    MessageWindow* notice = manager_.Open<MessageWindow>(this, id);
    notice->contextKind = contextKind;
    notice->contextObject = contextObject;
    notice->onClick = std::move(onClick);
    notice->soundId = soundId;
    // The text's custom tags are filled with the notice's context.
    uint32_t length = 0;
    const char16_t* expanded =
        KGEExpandTextTags(text.c_str(), uint32_t(text.size()), 1024, manager_.GetTextTagCallback(),
                          contextKind, reinterpret_cast<uintptr_t>(contextObject), &length);
    notice->content.Build(icon, frame, std::u16string(expanded, length));
    Add(notice);
    notice->SetLifetime(lifetime, false);
    return notice;
}

void MessageWindowStack::Relayout(GameWindow* anchor, int32_t bottomOffset, uint32_t keepMask) {
    DeleteExcept(keepMask);
    SetAnchor(anchor, bottomOffset);
}

void MessageWindowStack::CloseMatching(uint32_t mask) {
    Hold();
    const std::vector<NoticeWindow*> all = notices_;
    for (NoticeWindow* n : all)
        if ((static_cast<MessageWindow*>(n)->messageId & mask) == mask) n->Close();
    Release();
}

void MessageWindowStack::DeleteExcept(uint32_t mask) {
    const std::vector<NoticeWindow*> all = notices_;
    for (NoticeWindow* n : all) {
        if (mask != 0 && (static_cast<MessageWindow*>(n)->messageId & mask) == mask) continue;
        n->stack = nullptr;
        Remove(n);
        manager_.Destroy(n);
    }
}

void MessageWindowStack::OnScreenResize(int32_t width, int32_t height) {
    for (NoticeWindow* n : notices_)
        n->Place(width, height);
}
