#include "levelui/PanelDisplays.h"

#include "engine/Viewer.h"
#include "foundation/NumberText.h"
#include "gui/Hint.h"
#include "levelui/InstanceDrawing.h"
#include "levelui/LevelPanel.h"
#include "levelui/LevelSheet.h"
#include "levelui/TextTags.h"
#include "sprites/Sprite.h"
#include "text/DigitalText.h"
#include "text/FontSlots.h"
#include "text/TextLayout.h"

#include <algorithm>

namespace {

void DrawShadowed(DXLViewer& viewer, SkinText& text, float x, float y, uint32_t colour, float alpha) {
    text.Draw(viewer, x + 1.0f, y + 1.0f, ScaleAlpha(0xA0000000, alpha));
    text.Draw(viewer, x, y, ScaleAlpha(colour, alpha));
}

} // namespace

// ---------------------------------------------------------------- time bar

namespace {
// The "time_bar" sheet: the trough (64 px) and, right of it, the easy regime's left end.
constexpr int32_t kTimeBarTroughWidth = 64;
constexpr int32_t kTimeBarEasyEndWidth = 46;
constexpr int32_t kTimeBarFrameHeight = 30;
constexpr int32_t kTimeBarCorner = 10;
} // namespace

TimeBar::TimeBar(LevelPanel& panel) : panel_(panel) {
    const char16_t* names[3] = {u"time_bar_bronze_icon", u"time_bar_silver_icon", u"time_bar_gold_icon"};
    for (int i = 0; i < 3; ++i)
        icons_[size_t(i)] = CentredInstance(GetSprite(1, names[i]), 0, 0.5f);
    if (Sprite* cross = GetSprite(1, u"red_cross")) {
        cross_ = CentredInstance(cross, 0, 1.0f);
        if (cross_ && cross->GetWidth() > 0 && cross->GetHeight() > 0) {
            cross_->scaleX = 13.0f / float(cross->GetWidth());
            cross_->scaleY = 16.0f / float(cross->GetHeight());
        }
    }
    Layout();
}

TimeBar::~TimeBar() {
    if (channel_) panel_.Context().StopSound(channel_);
}

void TimeBar::GetSize(int32_t* w, int32_t* h) const {
    *w = width_;
    *h = kHeight;
}

void TimeBar::Layout() {
    const PanelLayout& l = panel_.Layout();
    // The bar stands at the child area's left, which moves with the screen's
    // width also where the area keeps its width (a wider screen pads the panel).
    x_ = l.childLeft - 1;
    y_ = -5;
    const int32_t width = l.childWidth + 2;
    if (width == width_) return;
    width_ = width;
    frame_.clear();
    const RunningLevelView& level = panel_.Level();
    const uint32_t regime = level.Regime();
    const RegimeBlock& r = level.RegimeRecord();
    zones_ = TimeBarZones(regime, r.bronzeMs, r.silverMs, r.goldMs, l.childWidth);
    line_.Init(int32_t(regime), r.bronzeMs, r.silverMs, r.goldMs, zones_[0], zones_[1], zones_[2], 4, 13);
    // The frame from the "time_bar" sheet: a left end, then the trough along
    // the zones with a seam between two of them. The easy regime's left end is
    // its own 46 x 30 plate under the bronze zone, which has no time limit
    // there; the hard regime's is the trough's rounded cap.
    if (Sprite* bar = GetSprite(1, u"time_bar"); bar && bar->Acquire()) {
        kis::Rect whole;
        if (bar->GetFrameRect(0, &whole)) {
            DXLTexture* texture = bar->GetTexture();
            const kis::Rect trough{whole.left, whole.top, whole.left + kTimeBarTroughWidth, whole.bottom};
            const bool easy = regime == 0;
            SkinQuads q;
            if (easy) {
                const kis::Rect plate{trough.right, whole.top, trough.right + kTimeBarEasyEndWidth,
                                      whole.bottom};
                InitQuad(&q, 0, 0, kTimeBarEasyEndWidth, kTimeBarFrameHeight, 0xFFFFFFFF, texture, plate);
                frame_.push_back(q);
                // The trough goes on from the plate's seam with a straight left edge.
                const kis::Rect open{trough.left + kTimeBarCorner, trough.top, trough.right, trough.bottom};
                InitNinePatch(&q, kTimeBarEasyEndWidth, 0, width_ - kTimeBarEasyEndWidth, kTimeBarFrameHeight,
                              0, 8, kTimeBarCorner, 8, 0xFFFFFFFF, 0, texture, open);
            } else {
                // The cap is the trough's whole rounded corner: a narrower one
                // would stretch the seam column beside it over the bar's start.
                InitNinePatch(&q, 0, 0, width_, kTimeBarFrameHeight, kTimeBarCorner, 8, kTimeBarCorner, 8,
                              0xFFFFFFFF, 0, texture, trough);
            }
            frame_.push_back(q);
            int32_t x = 0;
            for (size_t i = 0; i < zones_.size(); ++i) {
                x += zones_[i];
                // The plate ends in its own seam.
                if ((easy && i == 0) || x >= width_ - 8) continue;
                SkinQuads seam;
                const kis::Rect src{trough.left + 4, trough.top, trough.left + 6, trough.bottom};
                InitQuad(&seam, 4 + x - 1, 4, 2, 22, 0xFFFFFFFF, texture, src);
                frame_.push_back(seam);
            }
        }
    }
    iconX_ = TimeBarIconX(zones_);
    Update(false);
}

void TimeBar::Update(bool animate) {
    RunningLevelView& level = panel_.Level();
    const uint32_t value = level.LevelTimeMs();
    line_.SetValue(value);
    const uint32_t regime = level.Regime();
    const RegimeBlock& r = level.RegimeRecord();
    const uint32_t g = level.Grade();
    int64_t left = 0;
    const bool hasLeft = TimeToNextLoss(regime, g, r.bronzeMs, r.silverMs, r.goldMs, value, &left);
    if (animate) {
        const uint32_t now = panel_.Manager().Now();
        if (g < 6 && previousGrade_ > 5) stamps_[2] = now;
        if (g < 5 && previousGrade_ > 4) stamps_[1] = now;
        if (regime == 1 && g < 4 && previousGrade_ > 3) stamps_[0] = now;
    }
    const bool over = level.IsOver();
    const bool on = TimeBarWarning(regime, g, hasLeft, left, animate, channel_ != 0, over);
    if (on && !channel_) {
        channel_ = panel_.Context().PlayEventSound(kEventSoundTimeWarning, kSoundCategoryWarning, true);
    } else if (!on && channel_) {
        panel_.Context().StopSound(channel_);
        channel_ = 0;
    }
    warning_ = on;
    previousGrade_ = g;
}

void TimeBar::Draw(DXLViewer& viewer) {
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(x_), float(y_));
    viewer.ApplyTransform();
    DrawLevelQuads(viewer, frame_, 1.0f);
    line_.Draw(viewer);
    const uint32_t now = panel_.Manager().Now();
    for (int i = 0; i < 3; ++i) {
        if (!icons_[size_t(i)]) continue;
        DrawInstanceAt(viewer, *icons_[size_t(i)], float(iconX_[size_t(i)]) + 13.0f, 14.0f, 0xFFFFFFFF);
    }
    // Medals no longer within reach are crossed out, stamped on as they go.
    for (uint32_t k = 6; k >= 4 && cross_; --k) {
        if (previousGrade_ >= k) continue;
        const uint32_t medal = k - 4;
        // The stamp runs from the frame it was set in: its first frame shows
        // the cross faint and large, not already settled on the medal.
        const CrossStampLook look =
            stamps_[medal] ? CrossStampAt(now - *stamps_[medal]) : CrossStampLook{1.0f, 1.0f};
        const float alpha = look.alpha, scale = look.scale;
        const float sx = cross_->scaleX, sy = cross_->scaleY;
        cross_->scaleX *= scale, cross_->scaleY *= scale;
        DrawInstanceAt(viewer, *cross_, float(iconX_[medal]) + 13.0f, 14.0f, ScaleAlpha(0xFFFFFFFF, alpha));
        cross_->scaleX = sx, cross_->scaleY = sy;
    }
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// ---------------------------------------------------------------- money strip

MoneyWindow::MoneyWindow(WindowManager& manager, LevelPanel& panel)
    : GameWindow(manager, kMoneyWindowTag, false), panel_(&panel) {
    RunningLevelView& level = panel.Level();
    money_ = panel.Context().Money();
    const int32_t start = money_ ? money_->Get() : level.Money();
    counter_.SetTarget(start, 0, manager.Now(), 0);
    counter_.Update(manager.Now());
    if (DigitalFont* font = manager.FindDigitalFont(1)) {
        digits_ = std::make_unique<GameDigitalText>(font, 0, 5, false, 0);
        digits_->SetValue(start);
    }
    // The strip: left end 200 px, middle 170 px, right end 200 px from one piece.
    AddLevelPiece(&strip_, kPieceMoneyStrip, {0, 0, 200, kMoneyStripHeight});
    AddLevelPiece(&strip_, kPieceMoneyStrip, {200, 0, 370, kMoneyStripHeight}, 0xFFFFFFFF, 0, 0);
    AddLevelPiece(&strip_, kPieceMoneyStrip, {370, 0, kMoneyStripWidth, kMoneyStripHeight});
    title_.Set(3, panel.Context().LevelTitle(level.LevelIndex()));
    regime_.Set(3, manager.Text(u"regimes", level.Regime() ? u"Hard" : u"Easy"));
    if (money_) listener_ = money_->Listeners().Add([this] { OnMoneyChanged(); });
    OnScreenResize(manager.ScreenWidth(), manager.ScreenHeight());
}

MoneyWindow::~MoneyWindow() {
    if (panel_) panel_->ForgetMoneyWindow();
    if (money_ && listener_) money_->Listeners().Remove(listener_);
}

void MoneyWindow::OnScreenResize(int32_t width, int32_t) {
    rect = kis::MakeRectWH((width - kMoneyStripWidth) / 2, 0, kMoneyStripWidth, kMoneyStripHeight);
}

void MoneyWindow::SetMoney(int32_t value, bool atOnce) {
    const uint32_t now = manager_.Now();
    if (atOnce) {
        counter_.SetTarget(value, 0, now, 0);
        counter_.Update(now);
        if (digits_ && digits_->GetValue() != value) digits_->SetValue(value);
    } else {
        counter_.SetTarget(value, kRollMs, now, 0);
    }
}

void MoneyWindow::OnMoneyChanged() {
    if (!panel_) return;
    RunningLevelView& level = panel_->Level();
    const int32_t value = money_ ? money_->Get() : level.Money();
    SetMoney(value, !level.IsBegun());
}

int32_t MoneyWindow::Shown() {
    const int32_t v = counter_.Update(manager_.Now());
    if (digits_ && digits_->GetValue() != v) digits_->SetValue(v);
    return v;
}

void MoneyWindow::Draw(DXLViewer& viewer) {
    Shown();
    if (closing && !effects_) return;
    // The manager has moved the viewer to the strip's corner.
    const DXLMatrix saved = viewer.CurrentTransform();
    DrawLevelQuads(viewer, strip_, 1.0f);
    const float ty = 14.0f - float(title_.Height()) / 2.0f;
    DrawShadowed(viewer, title_, float(((200 - title_.Width()) - 5) / 2 + 5), ty, 0xFFFFFFFF, 1.0f);
    const float ry = 14.0f - float(regime_.Height()) / 2.0f;
    DrawShadowed(viewer, regime_, float(kMoneyStripWidth - (194 + regime_.Width()) / 2 - 7), ry, 0xFFFFFFFF,
                 1.0f);
    if (digits_) {
        viewer.Translate(246.0f, 8.0f);
        viewer.ApplyTransform();
        digits_->Draw();
    }
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// ---------------------------------------------------------------- goal buttons

TaskButton::TaskButton(GameWindow* window, GameControls* group, LevelPanel* panel, uint32_t index,
                       const GoalRecord& goal, uint32_t mode, bool ingredients)
    : ActiveButton(window, group, kCommandGoal), panel_(panel), index_(index), goal_(goal), mode_(mode) {
    userData = reinterpret_cast<uintptr_t>(&goal_);
    entry_ = {goal.kind, goal.objectId, int32_t(goal.stage), int32_t(goal.target)};
    Sprite* icon = nullptr;
    switch (goal.kind) {
    case kGoalMoney:
        icon = GetSprite(1, u"ico_coin");
        captionKey_ = u"money";
        break;
    case kGoalProduct:
        if (panel) icon = panel->Context().GoalIcon(goal);
        if (panel) ingredients = panel->Context().GoalHasIngredients(goal);
        captionKey_ = ingredients ? u"produce" : u"collect";
        slash_ = true;
        break;
    case kGoalPlant:
        if (panel) icon = panel->Context().GoalIcon(goal);
        captionKey_ = u"plant";
        slash_ = true;
        marks_ = goal.stage > 0 ? goal.stage - 1 : 0;
        break;
    case kGoalBuilding:
        if (panel) icon = panel->Context().GoalIcon(goal);
        captionKey_ = u"build";
        slash_ = true;
        marks_ = goal.stage > 0 ? goal.stage - 1 : 0;
        break;
    default:
        icon = GetSprite(1, u"ico_garbage");
        captionKey_ = u"garbage";
        break;
    }
    marks_ = std::min(marks_, kMaxMarks);
    icon_ = CentredInstance(icon, icon && icon->GetFrameCount() > 1 ? 1 : 0, 0.5f);
    const bool moneyTarget = goal.kind == kGoalMoney && mode == kModePanel;
    iconY_ = marks_ || moneyTarget ? 42 : 49;
    caption_.Set(kGoalFont, Manager().Text(u"tasks", captionKey_.c_str()));
    // The progress: white, green through its markup once met, with a shadow,
    // and a dark outline that carries the light face on the pale frame (the
    // shadow alone leaves the digits unreadable on our parchment).
    progress_.SetOutline(kProgressRim, kProgressRimColour);
    progress_.SetShadow(1, 1, kProgressShadowColour);
    if (moneyTarget) {
        target_.Set(kGoalFont, kis::DecimalText(goal.target));
    }
    SetHint(Manager().Text(u"tasks", (captionKey_ + u"_hint").c_str()), u"");
    // The first progress always writes its text: no goal shows the start value.
    last_ = kNoGoalValue;
}

TaskButton::~TaskButton() = default;

void TaskButton::SetIcon(Sprite* icon) {
    if (!icon) return;
    icon_ = CentredInstance(icon, icon->GetFrameCount() > 1 ? 1 : 0, 0.5f);
}

BaseHintWindow* TaskButton::GetHintWindow() {
    if (!HasHint()) return nullptr;
    if (!hint_) {
        // The goal record goes with the hint so that its text may carry [TASK ...] tags.
        const kis::Rect anchor = ScreenRect();
        hint_ = std::make_unique<CaptionHintWindow>(Manager(), this, hintCaption_.c_str(), u"", &anchor,
                                                    kHintWidth, kTagContextTask,
                                                    reinterpret_cast<uintptr_t>(&goal_));
    } else if (!hint_->IsShown()) {
        hint_->SetAnchor(ScreenRect());
    }
    return hint_.get();
}

void TaskButton::SetRect(int32_t x, int32_t y, int32_t width) {
    rect = kis::MakeRectWH(x, y, width, kTaskButtonHeight);
    if (width == width_) return;
    width_ = width;
    for (auto& f : frames_)
        f.clear();
    AddLevelPiece(&frames_[0], kPieceGoalFrame, {0, 0, width, kTaskButtonHeight});
    AddLevelPiece(&frames_[1], kPieceGoalFrame, {0, 0, width, kTaskButtonHeight}, 0xFFFFFFFF, 54, 0);
    BuildLevelMarks(&markQuads_, marks_, marks_, width / 2, 70, 0xFFFFFFFF);
}

void TaskButton::SetProgress(int32_t value, bool animate) {
    if (mode_ == kModeLevelWindow) {
        progress_.Set(kGoalFont,
                      kis::DecimalText(slash_ || goal_.kind == kGoalMoney ? int64_t(goal_.target) : value));
        return;
    }
    if (!animate) fadeStart_ = -1;
    const GoalText text = GoalProgressText(goal_.kind, goal_.target, value, slash_);
    if (text.shown == last_) return;
    last_ = text.shown;
    progress_.Set(kGoalFont, text.text, kTextMarkup);
    if (text.met != met_) {
        met_ = text.met;
        if (animate) {
            if (met_ && panel_)
                panel_->Context().PlayEventSound(kEventSoundGoalMet, kSoundCategoryEvent, false);
            const uint32_t now = Manager().Now();
            if (fadeStart_ >= 0 && int64_t(now) - fadeStart_ < kFadeMs) {
                // Reversed: the fade goes back from where it stands.
                const int64_t elapsed = int64_t(now) - fadeStart_;
                fadeStart_ = int64_t(now) - (kFadeMs - elapsed);
            } else {
                fadeStart_ = now;
            }
        }
    }
}

void TaskButton::Draw(DXLViewer& viewer, float alpha) {
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(rect.left), float(rect.top));
    viewer.ApplyTransform();
    DrawLevelQuads(viewer, frames_[met_ ? 1 : 0], alpha);
    if (fadeStart_ >= 0) {
        const int64_t t = int64_t(Manager().Now()) - fadeStart_;
        if (t >= kFadeMs)
            fadeStart_ = -1;
        else
            DrawLevelQuads(viewer, frames_[met_ ? 0 : 1], alpha * (1.0f - float(t) / float(kFadeMs)));
    }
    const float cx = float(width_) / 2.0f;
    if (icon_) DrawInstanceAt(viewer, *icon_, cx, float(iconY_), ScaleAlpha(0xFFFFFFFF, alpha));
    // The caption keeps 4 px of the face between its letters and the frame's
    // 6-px border, as the icon and the progress below do: its middle stands
    // low enough for its tallest letters, and a caption wider than the room
    // between the side borders is scaled down to fit.
    constexpr float kCaptionY = 17.0f;
    constexpr int32_t kCaptionInset = 6 + 4;
    const float room = float(width_ - 2 * kCaptionInset), captionWidth = float(caption_.Width());
    const DXLMatrix button = viewer.CurrentTransform();
    viewer.Translate(cx, kCaptionY);
    viewer.ApplyTransform();
    if (captionWidth > room && room > 0.0f) {
        viewer.Scale(room / captionWidth);
        viewer.ApplyTransform();
    }
    caption_.Draw(viewer, -captionWidth / 2.0f, -float(caption_.Height()) / 2.0f,
                  ScaleAlpha(0xFF00357E, alpha));
    viewer.SetTransform(&button);
    viewer.ApplyTransform();
    if (!target_.Text().empty()) {
        // The money target stands at 70 unless the progress's larger digits
        // below it would reach it: then it keeps clear above them.
        const KGEFont* font = GetFont(kGoalFont);
        const float progressTop =
            kProgressY - kProgressScale * float(font ? font->GetHeight() : progress_.Height()) / 2.0f;
        const float targetY = std::min(70.0f, progressTop - float(target_.Height()) / 2.0f);
        target_.Draw(viewer, cx - float(target_.Width()) / 2.0f, targetY - float(target_.Height()) / 2.0f,
                     ScaleAlpha(0xFF00357E, alpha));
    }
    DrawLevelQuads(viewer, markQuads_, alpha);
    // The progress stands one and a half times larger, centred on (cx, kProgressY).
    viewer.Translate(cx, kProgressY);
    viewer.ApplyTransform();
    viewer.Scale(kProgressScale);
    viewer.ApplyTransform();
    const float px = -float(progress_.Width()) / 2.0f, py = -float(progress_.Height()) / 2.0f;
    progress_.Draw(viewer, px, py, ScaleAlpha(0xFFFFFFFF, alpha));
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}
