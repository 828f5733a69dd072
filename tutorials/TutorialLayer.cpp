#include "tutorials/TutorialLayer.h"

#include "engine/Log.h"
#include "engine/Viewer.h"
#include "foundation/Helpers.h"
#include "gui/Controls.h"
#include "gui/ProgressLine.h"
#include "gui/Skin.h"
#include "sprites/Sprite.h"
#include "text/TextLayout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tut {

// ---------------------------------------------------------------- targets

void TutorialTarget::Place(float px, float py) {
    kis::Vector2 p = kis::MakeVector2(px, py);
    kis::MoveByAngleF(p, angle, distance, false);
    x = int32_t(std::lround(p.x));
    y = int32_t(std::lround(p.y));
    fx = float(x);
    fy = float(y);
    valid = true;
}

TutTargetButton::TutTargetButton(WindowManager& windows, uint32_t windowTag, uint32_t command, uintptr_t data,
                                 float angle, float distance)
    : TutorialTarget(kTargetButton, angle, distance), windows_(windows), windowTag_(windowTag),
      command_(command), data_(data) {}

std::unique_ptr<TutorialTarget> TutTargetButton::Clone(float newDistance) const {
    return std::make_unique<TutTargetButton>(windows_, windowTag_, command_, data_, angle, newDistance);
}

void TutTargetButton::GetPosition() {
    valid = false;
    hasObject = false;
    GameWindow* window = windows_.FindWindowByLayer(windowTag_);
    if (!window) return;
    GameButton* button = ::TutTargetButton::FindTarget(window, command_, data_);
    if (!button) return;
    kis::Point edge{0, 0};
    kis::RectEdgePointAtAngle(button->rect, angle, edge);
    window->LocalToScreen(&edge.x, &edge.y);
    object = button->rect;
    window->LocalToScreen(&object.left, &object.top);
    window->LocalToScreen(&object.right, &object.bottom);
    hasObject = true;
    Place(float(edge.x), float(edge.y));
}

TutTargetCustom::TutTargetCustom(Callback callback, uint32_t arg1, uint32_t arg2, float angle, float distance)
    : TutorialTarget(kTargetCustom, angle, distance), callback_(std::move(callback)), arg1_(arg1),
      arg2_(arg2) {}

std::unique_ptr<TutorialTarget> TutTargetCustom::Clone(float newDistance) const {
    return std::make_unique<TutTargetCustom>(callback_, arg1_, arg2_, angle, newDistance);
}

void TutTargetCustom::GetPosition() {
    valid = false;
    kis::Point p{0, 0};
    if (!callback_ || !callback_(p, angle, arg1_, arg2_)) return;
    Place(float(p.x), float(p.y));
}

TutTargetFieldPoint::TutTargetFieldPoint(uint32_t kind, const FieldView& view, uint32_t index, float angle,
                                         float distance)
    : TutorialTarget(kind, angle, kind == kTargetMapLevel ? kMapLevelDistance : distance), view_(view),
      index_(index) {}

std::unique_ptr<TutorialTarget> TutTargetFieldPoint::Clone(float newDistance) const {
    return std::make_unique<TutTargetFieldPoint>(kind, view_, index_, angle, newDistance);
}

void TutTargetFieldPoint::GetPosition() {
    valid = false;
    hasObject = false;
    kis::Vector2 field{0, 0};
    if (!view_.Locate(index_, field)) return;
    float reach = distance;
    kis::Rect drawn{};
    if (view_.Extent(index_, drawn)) {
        // Sites, beds and buildings are drawn in many sizes about their
        // positions: counted from the position, an arrow stands off a small
        // bed on the grass and inside a large building. It starts at the
        // edge of the point's pictures instead, and only the distance beyond
        // the usual reach moves it further out. (A map level's house keeps
        // the usual reach; its extent only keeps the boxes off it.)
        if (kind == kTargetLevelPoint) {
            kis::RectEdgePointAtAngleF(drawn, angle, field);
            reach = std::max(0.0f, distance - kLevelPointReach) + kLevelPointEdgeGap;
        }
        const kis::Point topLeft = view_.ToScreen(kis::MakeVector2(float(drawn.left), float(drawn.top)));
        const kis::Point bottomRight =
            view_.ToScreen(kis::MakeVector2(float(drawn.right), float(drawn.bottom)));
        object = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
        hasObject = true;
    }
    kis::MoveByAngleF(field, angle, reach, false);
    kis::Point screen = view_.ToScreen(field);
    x = screen.x;
    y = screen.y;
    fx = float(x);
    fy = float(y);
    valid = true;
}

// ---------------------------------------------------------------- arrow

ArrowBounce BounceAt(uint32_t elapsedMs, float amplitude, float squashX, float squashY, uint32_t periodMs) {
    ArrowBounce b;
    const double t = double(elapsedMs) / double(std::max<uint32_t>(periodMs, 1));
    const double s = (std::sin((t * 360.0 - 90.0) * 3.14159265358979 / 180.0) + 1.0) / 2.0;
    if (s >= 0.7) {
        const float f = float((s - 0.7) / 0.3);
        b.scaleX = 1 + (squashX - 1) * f;
        b.scaleY = 1 + (squashY - 1) * f;
    } else {
        b.offsetX = amplitude * float(1.0 - s / 0.7);
    }
    return b;
}

TutorialArrow::TutorialArrow(TutorialLayer& layer, uint32_t id) : layer_(layer), id_(id) {}

TutorialArrow::~TutorialArrow() = default;

void TutorialArrow::SetState(uint32_t state) {
    if (state <= state_) return;
    state_ = state;
    fade_ = 0;
    if (state == kLayerFadingIn) fade_ = 1;
    if (state == kLayerClosing) fade_ = -1;
    fadeStart_ = elapsed_;
}

void TutorialArrow::SetTarget(std::unique_ptr<TutorialTarget> target) {
    target_ = std::move(target);
    if (target_) target_->GetPosition();
}

void AddArrowSquares(const TutorialTarget& target, float reach, std::vector<kis::Rect>& rects) {
    // The arrow's length in the art (the drawing's 80 px when it is not
    // there) and its bounce.
    float length = reach;
    if (reach == kArrowWhole) {
        const Sprite* sprite = GetSprite(1, u"tutorial_arrow");
        length = float(sprite && sprite->GetWidth() > 0 ? sprite->GetWidth() : 80) + kArrowAmplitude;
    }
    // Squares as wide as the arrow's head, every few pixels from the tip.
    constexpr float kStep = 8;
    constexpr int32_t kHalf = 16;
    for (float along = 0; along < length + kStep; along += kStep) {
        kis::Vector2 p{target.fx, target.fy};
        kis::MoveByAngleF(p, target.angle, std::min(along, length), false);
        const int32_t x = int32_t(std::lround(p.x)), y = int32_t(std::lround(p.y));
        rects.push_back({x - kHalf, y - kHalf, x + kHalf, y + kHalf});
    }
}

void TutorialArrow::AddSightRects(std::vector<kis::Rect>& rects, float reach) const {
    if (!target_ || !target_->valid || state_ >= kLayerClosing) return;
    if (target_->hasObject) rects.push_back(target_->object);
    AddArrowSquares(*target_, reach, rects);
}

float TutorialArrow::Alpha() const {
    const uint32_t t = elapsed_ - fadeStart_;
    if (fade_ > 0) {
        if (t <= kArrowFadeInDelayMs) return 0;
        return std::min(1.0f, float(t - kArrowFadeInDelayMs) / float(kArrowFadeInMs));
    }
    if (fade_ < 0) return std::max(0.0f, 1.0f - float(t) / float(kArrowFadeOutMs));
    return state_ == kLayerShown ? 1.0f : 0.0f;
}

void TutorialArrow::EndFadeIfDone() {
    const uint32_t t = elapsed_ - fadeStart_;
    if (fade_ > 0 && t >= kArrowFadeInDelayMs + kArrowFadeInMs) {
        fade_ = 0;
        state_ = kLayerShown;
    } else if (fade_ < 0 && t >= kArrowFadeOutMs) {
        fade_ = 0;
        state_ = kLayerClosed;
    }
}

void TutorialArrow::Update(uint32_t dt) {
    elapsed_ += dt;
    EndFadeIfDone();
}

void TutorialArrow::Draw(DXLViewer& viewer) {
    if (!target_ || !target_->valid || state_ == kLayerNew || state_ == kLayerClosed) return;
    if (!sprite_) {
        Sprite* sprite = GetSprite(1, u"tutorial_arrow");
        if (!sprite) return;
        sprite_ = sprite->CreateInstance(0);
        if (!sprite_) return;
    }
    const float alpha = fade_ != 0 ? Alpha() : 1.0f;
    if (alpha <= 0) return;
    const ArrowBounce bounce = BounceAt(elapsed_);
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.ResetTransform();
    viewer.Translate(target_->fx, target_->fy);
    viewer.RotateDegrees(target_->angle);
    viewer.Translate(bounce.offsetX, 0);
    viewer.Scale2(bounce.scaleX, bounce.scaleY);
    // The tip (left end, half height) lies on the point; the arrow lies outside.
    sprite_->originX = 0;
    sprite_->originY = 0.5f;
    sprite_->colour = ScaleAlpha(0xFFFFFFFF, alpha);
    sprite_->Draw(viewer);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

void LevelTutorialArrow::Update(uint32_t dt) {
    // Its bounce freezes with the level; its fade out does not.
    if (State() < kLayerClosing && paused_ && paused_(mask_)) return;
    TutorialArrow::Update(dt);
}

// ---------------------------------------------------------------- info box

kis::Point PlaceInfoBox(int32_t w, int32_t h, int32_t x, int32_t y, float angle, bool centred, float distance,
                        const kis::Rect& bounds) {
    kis::Point p{0, 0};
    if (centred) {
        p = {x - w / 2, y - h / 2};
    } else {
        kis::Point edge{0, 0};
        kis::RectEdgePointAtAngle(kis::Rect{0, 0, w, h}, angle - 180.0f, edge);
        p = {x - edge.x, y - edge.y};
    }
    const auto inside = [&](kis::Point q) {
        if (q.x < bounds.left + 1) q.x = bounds.left;
        if (q.y < bounds.top + 1) q.y = bounds.top;
        if (q.x + w > bounds.right) q.x = bounds.right - w;
        if (q.y + h > bounds.bottom) q.y = bounds.bottom - h;
        return q;
    };
    p = inside(p);
    kis::Vector2 moved = kis::MakeVector2FromInt(p.x, p.y);
    kis::MoveByAngleF(moved, angle, distance, false);
    // The distance may carry a box near an edge out again: whatever it
    // points at, a box the player cannot read is of no use.
    return inside({int32_t(std::lround(moved.x)), int32_t(std::lround(moved.y))});
}

namespace {

// A point is covered when it lies this far inside the box's edges: a box
// placed against its point touches it without hiding it.
constexpr int32_t kSightInset = 2;
// The room left between a moved box and the point it made way for.
constexpr int32_t kSightGap = 6;
// The search for a free place steps by this many pixels.
constexpr int32_t kSightStep = 4;

// Whether the box's inside (its edges less the inset) meets the rectangle;
// a point is a rectangle of one pixel.
bool Covers(kis::Point corner, int32_t w, int32_t h, const kis::Rect& r) {
    return r.right > corner.x + kSightInset + 1 && r.left < corner.x + w - kSightInset &&
           r.bottom > corner.y + kSightInset + 1 && r.top < corner.y + h - kSightInset;
}

bool CoversAny(kis::Point corner, int32_t w, int32_t h, const std::vector<kis::Rect>& keep) {
    return std::any_of(keep.begin(), keep.end(), [&](const kis::Rect& r) { return Covers(corner, w, h, r); });
}

} // namespace

namespace {

// How far a box stands from a point: 0 when the point lies inside it.
int64_t SquaredDistance(const kis::Rect& box, kis::Point p) {
    const int64_t dx = p.x < box.left ? box.left - p.x : p.x >= box.right ? p.x - box.right + 1 : 0;
    const int64_t dy = p.y < box.top ? box.top - p.y : p.y >= box.bottom ? p.y - box.bottom + 1 : 0;
    return dx * dx + dy * dy;
}

} // namespace

bool KeepInSight(kis::Point& corner, int32_t w, int32_t h, const std::vector<kis::Rect>& keep,
                 const kis::Rect& bounds, const std::function<bool(kis::Point corner)>& room,
                 const kis::Point* beside) {
    if (!CoversAny(corner, w, h, keep)) return true;
    // A moved box keeps a gap from what it made way for.
    std::vector<kis::Rect> clear;
    clear.reserve(keep.size());
    for (const kis::Rect& r : keep)
        clear.push_back({r.left - kSightGap, r.top - kSightGap, r.right + kSightGap, r.bottom + kSightGap});
    // Every place in steps of a few pixels from the box's own, and the
    // bounds' edges; the free one nearest the point it stands beside wins
    // (all those beside it alike), then the one nearest its own place (the first of equals, so that the
    // search gives the same place every time).
    const int32_t minX = bounds.left, minY = bounds.top;
    const int32_t maxX = std::max(minX, bounds.right - w), maxY = std::max(minY, bounds.bottom - h);
    const auto steps = [](int32_t from, int32_t first, int32_t last) {
        std::vector<int32_t> at{first, last};
        for (int32_t v = first + (from - first) % kSightStep; v <= last; v += kSightStep)
            at.push_back(v);
        return at;
    };
    const std::vector<int32_t> xs = steps(std::clamp(corner.x, minX, maxX), minX, maxX);
    const std::vector<int32_t> ys = steps(std::clamp(corner.y, minY, maxY), minY, maxY);
    kis::Point best = corner;
    int64_t bestAway = -1, bestMove = -1;
    for (int32_t y : ys)
        for (int32_t x : xs) {
            const int64_t dx = int64_t(x) - corner.x, dy = int64_t(y) - corner.y, move = dx * dx + dy * dy;
            const int64_t away = beside
                                     ? std::max<int64_t>(0, SquaredDistance({x, y, x + w, y + h}, *beside) -
                                                                int64_t(kInfoBesideReach) * kInfoBesideReach)
                                     : 0;
            if (bestMove >= 0 && (away > bestAway || (away == bestAway && move >= bestMove))) continue;
            const kis::Point q{x, y};
            if (CoversAny(q, w, h, clear) || (room && !room(q))) continue;
            best = q, bestAway = away, bestMove = move;
        }
    corner = best;
    return bestMove >= 0;
}

bool WindowFaceRoom(const WindowManager& windows, uint32_t tag, kis::Rect& room) {
    constexpr int32_t kFrame = 12;
    const GameWindow* window = windows.FindWindowByLayer(tag);
    if (!window) return false;
    const kis::Rect& w = window->rect;
    room = {w.left + kFrame, w.top + kFrame, w.right - kFrame, w.bottom - kFrame};
    return true;
}

namespace {

TextStyle InfoStyle(uint32_t colour, int32_t textWidth, uint32_t contextKind = 0,
                    uintptr_t contextObject = 0) {
    TextStyle style;
    style.InitDefault(textWidth, contextKind, contextObject);
    // The tags may write icons and coloured values: the text is laid out with its markup.
    style.flags = kTextWrap | kTextColour | kTextMarkup | 33;
    style.colour = colour;
    style.fontSlot = 3;
    style.shadowFlag = 1;
    style.shadowX = style.shadowY = 1;
    style.shadowColour = 0x80FFF7DD;
    return style;
}

} // namespace

TutorialInfo::TutorialInfo(TutorialLayer& layer, std::u16string text, bool clickLine, uint32_t contextKind,
                           uintptr_t contextObject)
    : layer_(layer), text_(std::move(text)), clickLine_(clickLine), contextKind_(contextKind),
      contextObject_(contextObject) {
    Layout(kInfoTextWidth);
    if (clickItem_) clickWidth_ = clickItem_->Width();
}

TutorialInfo::~TutorialInfo() = default;

void TutorialInfo::Layout(int32_t textWidth) {
    textWidth_ = textWidth;
    WindowManager& windows = layer_.Manager();
    textItem_ =
        std::make_unique<HIText>(windows, InfoStyle(kInfoTextColour, textWidth, contextKind_, contextObject_),
                                 text_, 0, windows.GetTextTagCallback());
    if (clickLine_)
        clickItem_ = std::make_unique<HIText>(windows, InfoStyle(kInfoClickColour, textWidth),
                                              std::u16string(windows.Text(u"tutorial", u"click_text")), 0,
                                              windows.GetTextTagCallback());
    // Without a viewer the texts are not laid out and the box keeps its
    // default size.
    if (textItem_->Width() > 0) {
        int32_t w = textItem_->Width(), h = textItem_->Height();
        if (clickItem_ && clickItem_->Width() > 0) {
            clickItem_->SetPosition((std::max(w, clickItem_->Width()) - clickItem_->Width()) / 2, h + 4);
            w = std::max(w, clickItem_->Width());
            h += 4 + clickItem_->Height();
        }
        textItem_->SetPosition((w - textItem_->Width()) / 2, 0);
        width = w + kInfoMarginLeft + kInfoMarginRight;
        height = h + kInfoMarginTop + kInfoMarginBottom;
    }
    // The parchment around the box, built once for its size.
    hasPanel_ =
        InitInfoPanel(&panel_, -kInfoFrameLeft, -kInfoFrameTop, width + kInfoFrameLeft + kInfoFrameRight,
                      height + kInfoFrameTop + kInfoFrameBottom);
}

float TutorialInfo::Alpha() const {
    if (state_ == kLayerFadingIn) return std::min(1.0f, float(effectMs_) / float(kInfoFadeInMs));
    if (state_ == kLayerClosing) return std::max(0.0f, 1.0f - float(effectMs_) / float(kInfoFadeOutMs));
    return state_ == kLayerShown ? 1.0f : 0.0f;
}

bool TutorialLayer::KeepsHintsOff(const kis::Rect& box) const {
    // The shown boxes, and the arrows with what they point at.
    std::vector<kis::Rect> kept;
    for (const auto& info : infos_)
        if (info->Target() && info->Target()->valid && info->Alpha() > 0)
            kept.push_back({int32_t(info->corner.x), int32_t(info->corner.y),
                            int32_t(info->corner.x + info->width), int32_t(info->corner.y + info->height)});
    for (const auto& arrow : arrows_)
        if (arrow->Alpha() > 0) arrow->AddSightRects(kept, kArrowWhole);
    return std::any_of(kept.begin(), kept.end(), [&](const kis::Rect& r) {
        return box.left < r.right && r.left < box.right && box.top < r.bottom && r.top < box.bottom;
    });
}

bool TutorialLayer::KeepsNoticesOff(const kis::Rect& notice) const {
    return std::any_of(infos_.begin(), infos_.end(), [&](const auto& info) {
        return info->Target() && info->Target()->valid && info->Alpha() > 0 &&
               notice.left < info->corner.x + info->width && info->corner.x < notice.right &&
               notice.top < info->corner.y + info->height && info->corner.y < notice.bottom;
    });
}

void TutorialInfo::Draw(DXLViewer& viewer) {
    if (!target_ || !target_->valid) return;
    const float alpha = Alpha();
    if (alpha <= 0) return;
    float dy = 0, scale = 1;
    if (state_ == kLayerFadingIn) dy = 5.0f * (1.0f - alpha);
    if (state_ == kLayerClosing) scale = 0.8f + 0.2f * alpha;
    // A box at rest that reaches past the screen's edges cannot be read
    // whole: the log tells it once per box, for the screen walks to find.
    // Its frame and shadow count: a cut shadow is a box pushed off the screen.
    const WindowManager& windows = layer_.Manager();
    const kis::Rect box{int32_t(corner.x) - kInfoFrameLeft, int32_t(corner.y) - kInfoFrameTop,
                        int32_t(corner.x + width) + kInfoFrameRight,
                        int32_t(corner.y + height) + kInfoFrameBottom};
    if (state_ == kLayerShown &&
        outside_.FirstTime(box, {0, 0, windows.ScreenWidth(), windows.ScreenHeight()})) {
        LogLabelPrintf(kLogIndent, "Tutorial box outside the screen", "(%d, %d) %d x %d on %d x %d",
                       int(box.left), int(box.top), int(box.right - box.left), int(box.bottom - box.top),
                       int(windows.ScreenWidth()), int(windows.ScreenHeight()));
    }
    if (state_ == kLayerShown && !toldCovering_) TellCovering();
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.ResetTransform();
    // The box's centre, then the draw offset back to its corner.
    viewer.Translate(float(corner.x + width / 2), float(corner.y + height / 2) + dy);
    viewer.Scale(scale);
    viewer.Translate(float(-width / 2), float(-height / 2));
    viewer.ApplyTransform();
    if (hasPanel_) DrawSkinQuads(viewer, panel_, alpha);
    viewer.Translate(float(kInfoMarginLeft), float(kInfoMarginTop));
    viewer.ApplyTransform();
    if (textItem_) textItem_->Draw(viewer, alpha);
    if (clickItem_) clickItem_->Draw(viewer, alpha);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

void TutorialInfo::TellCovering() {
    toldCovering_ = true;
    const TutorialStep* step = layer_.OwnerStep();
    if (!step) return;
    // What the box must leave in sight wherever it stands: the heads of its
    // step's arrows and what they point at, its own target, and what the
    // step never lets a box cover.
    std::vector<kis::Rect> must;
    for (const auto& arrow : layer_.Arrows())
        arrow->AddSightRects(must, kArrowHead);
    if (!centred_ && target_->hasObject) must.push_back(target_->object);
    step->AddNeverCoveredRects(must);
    for (const kis::Rect& r : must)
        if (Covers(corner, width, height, r)) {
            LogLabelPrintf(kLogIndent, "Tutorial box covers",
                           "step %08X: (%d, %d) %d x %d over (%d, %d, %d, %d)", unsigned(step->Id()),
                           int(corner.x), int(corner.y), int(width), int(height), int(r.left), int(r.top),
                           int(r.right), int(r.bottom));
            return;
        }
}

void TutorialInfo::SetState(uint32_t state) {
    if (state <= state_) return;
    state_ = state;
    effectMs_ = 0;
}

void TutorialInfo::Update(uint32_t dt) {
    effectMs_ += dt;
    if (state_ == kLayerFadingIn && effectMs_ >= kInfoFadeInMs) state_ = kLayerShown;
    if (state_ == kLayerClosing && effectMs_ >= kInfoFadeOutMs) state_ = kLayerClosed;
}

void TutorialInfo::Attach(std::unique_ptr<TutorialTarget> target, bool centred, float distance) {
    target_ = std::move(target);
    centred_ = centred;
    distance_ = distance;
    Place();
}

bool TutorialInfo::Place() {
    standsBeside_ = false;
    if (!target_) return false;
    target_->GetPosition();
    if (!target_->valid) return false;
    // The text at its usual width first; where no place leaves everything
    // in sight beside the box's point (a narrow screen or window), it wraps
    // narrower in steps, never so narrow that the click line breaks. Only
    // where no width leaves the whole arrows in sight may their tails go
    // under it.
    // The steps end on the least width itself, where a step would pass it.
    const int32_t least = std::max(leastTextWidth_, clickWidth_);
    std::vector<int32_t> widths;
    for (int32_t textWidth = kInfoTextWidth; textWidth > least; textWidth -= kInfoNarrowStep)
        widths.push_back(textWidth);
    widths.push_back(std::min(least, kInfoTextWidth));
    for (const float reach : {kArrowWhole, kArrowHead})
        for (const int32_t textWidth : widths) {
            if (textWidth != textWidth_) Layout(textWidth);
            if (PlaceAtSize(reach) && StandsBesidePoint()) {
                if (evenLines_) EvenLines(reach);
                standsBeside_ = true;
                return true;
            }
        }
    // Nowhere beside it: a box at an arrow's end takes the free place
    // nearest its point, at the widest width of those that come nearest (a
    // narrower box may find room nearer than the widest one, which may have
    // to stand across the screen); a box centred on its point the free place
    // nearest its own, at the widest width that has one.
    const kis::Point beside = BesidePoint();
    for (const float reach : {kArrowWhole, kArrowHead}) {
        int64_t nearest = -1;
        int32_t nearestWidth = 0;
        for (const int32_t textWidth : widths) {
            if (textWidth != textWidth_) Layout(textWidth);
            if (!PlaceAtSize(reach, !centred_)) continue;
            if (centred_) return false;
            const int64_t away =
                SquaredDistance({corner.x, corner.y, corner.x + width, corner.y + height}, beside);
            if (nearest < 0 || away < nearest) nearest = away, nearestWidth = textWidth;
        }
        if (nearest < 0) continue;
        if (textWidth_ != nearestWidth) Layout(nearestWidth);
        PlaceAtSize(reach, true);
        return false;
    }
    if (textWidth_ != kInfoTextWidth) Layout(kInfoTextWidth);
    PlaceAtSize(kArrowHead);
    return false;
}

kis::Point TutorialInfo::BesidePoint() const {
    if (centred_) return {target_->x, target_->y};
    kis::Vector2 p = kis::MakeVector2FromInt(target_->x, target_->y);
    kis::MoveByAngleF(p, target_->angle, distance_, false);
    return {int32_t(std::lround(p.x)), int32_t(std::lround(p.y))};
}

bool TutorialInfo::InWindow() const {
    kis::Rect room{};
    const TutorialStep* step = layer_.OwnerStep();
    return step && step->BoxRoom(room);
}

bool TutorialInfo::StandsBesidePoint() const {
    const int64_t away =
        SquaredDistance({corner.x, corner.y, corner.x + width, corner.y + height}, BesidePoint());
    return away <= int64_t(kInfoBesideReach) * kInfoBesideReach;
}

void TutorialInfo::EvenLines(float arrowReach) {
    constexpr int32_t kStep = 10;
    const int32_t lines = height;
    int32_t best = textWidth_;
    for (int32_t textWidth = best - kStep; textWidth >= std::max(leastTextWidth_, clickWidth_);
         textWidth -= kStep) {
        Layout(textWidth);
        if (height != lines || !PlaceAtSize(arrowReach) || !StandsBesidePoint()) break;
        best = textWidth;
    }
    if (textWidth_ != best) Layout(best);
    PlaceAtSize(arrowReach);
}

bool TutorialInfo::PlaceAtSize(float arrowReach, bool nearBeside) {
    WindowManager& windows = layer_.Manager();
    // The box stays inside the window its step is about where the step
    // says so (a dialog's box on the dialog), else on the screen.
    const TutorialStep* step = layer_.OwnerStep();
    kis::Rect bounds{kInfoFrameLeft + kInfoScreenMargin, kInfoFrameTop + kInfoScreenMargin,
                     windows.ScreenWidth() - kInfoFrameRight - kInfoScreenMargin,
                     windows.ScreenHeight() - kInfoFrameBottom - kInfoScreenMargin};
    if (kis::Rect room{}; step && step->BoxRoom(room)) bounds = room;
    corner = PlaceInfoBox(width, height, target_->x, target_->y, target_->angle, centred_, distance_, bounds);
    // The box is there to explain what its arrows point at: it leaves them
    // in sight, what they point at, the point it stands beside and the
    // step's buttons, even where an edge pushed it back over them.
    const auto sight = [&] {
        std::vector<kis::Rect> rects;
        for (const auto& arrow : layer_.Arrows())
            arrow->AddSightRects(rects, arrowReach);
        if (!centred_) {
            rects.push_back({target_->x, target_->y, target_->x + 1, target_->y + 1});
            if (target_->hasObject) rects.push_back(target_->object);
        }
        if (step) {
            step->AddSightRects(rects);
            step->AddNeverCoveredRects(rects);
        }
        return rects;
    };
    // A box placed where the step takes clicks (over the field, not its
    // panel) moves only to another such place.
    const int32_t w = width, h = height;
    const auto inClickArea = [step, w, h](kis::Point q) {
        return step->IsClickArea(q.x, q.y) && step->IsClickArea(q.x + w - 1, q.y) &&
               step->IsClickArea(q.x, q.y + h - 1) && step->IsClickArea(q.x + w - 1, q.y + h - 1);
    };
    std::function<bool(kis::Point)> room;
    if (step && inClickArea(corner)) room = inClickArea;
    const kis::Point beside = BesidePoint();
    return KeepInSight(corner, w, h, sight(), bounds, room, nearBeside || InWindow() ? &beside : nullptr);
}

// ---------------------------------------------------------------- layer

TutorialLayer::TutorialLayer(WindowManager& manager, TutorialStep& step)
    : GameWindow(manager, kLayerTag, false), step_(&step), tutorial_(&step.Owner()) {
    if (TutorialLayer* old = step.layer_) {
        old->step_ = nullptr;
        step.layer_ = nullptr;
        old->SetLayerState(kLayerClosed);
    }
    step.layer_ = this;
    tutorial_->layers_.push_back(this);
    rect = {0, 0, manager.ScreenWidth(), manager.ScreenHeight()};
}

TutorialLayer::~TutorialLayer() {
    if (step_ && step_->layer_ == this) step_->layer_ = nullptr;
    if (tutorial_) std::erase(tutorial_->layers_, this);
}

void TutorialLayer::SetLayerState(uint32_t state) {
    if (state <= layerState_) return;
    if (state >= kLayerClosing && layerState_ < kLayerClosing && step_) {
        if (step_->layer_ == this) step_->layer_ = nullptr;
        step_ = nullptr;
    }
    layerState_ = state;
    for (auto& arrow : arrows_)
        arrow->SetState(state);
    for (auto& info : infos_)
        info->SetState(state);
    if (state >= kLayerClosing) clickWaits_ = 0;
}

void TutorialLayer::Prune() {
    std::erase_if(arrows_, [](const auto& a) { return a->State() == kLayerClosed; });
    std::erase_if(infos_, [](const auto& i) { return i->State() == kLayerClosed; });
    if (layerState_ == kLayerClosing && arrows_.empty() && infos_.empty()) layerState_ = kLayerClosed;
}

void TutorialLayer::Step(uint32_t dt) {
    for (auto& arrow : arrows_)
        if (arrow->State() >= kLayerFadingIn && arrow->State() <= kLayerClosing) arrow->Update(dt);
    for (auto& info : infos_)
        if (info->State() >= kLayerFadingIn && info->State() <= kLayerClosing) info->Update(dt);
    Prune();
}

TutorialArrow* TutorialLayer::AddArrow(std::unique_ptr<TutorialArrow> arrow,
                                       std::unique_ptr<TutorialTarget> target) {
    if (!arrow) return nullptr;
    if (target) {
        target->GetPosition();
        arrow->asked = {target->x, target->y, target->angle};
    }
    arrow->SetTarget(TurnedOffKeptRects(std::move(target)));
    if (layerState_ > kLayerNew) arrow->SetState(layerState_);
    arrows_.push_back(std::move(arrow));
    // The boxes placed before it make way for its tip.
    for (auto& info : infos_)
        info->Place();
    return arrows_.back().get();
}

std::unique_ptr<TutorialTarget>
TutorialLayer::TurnedOffKeptRects(std::unique_ptr<TutorialTarget> target) const {
    std::vector<kis::Rect> keepOff;
    if (step_) step_->AddArrowKeepOffRects(keepOff);
    if (!target || keepOff.empty()) return target;
    // The arrow at rest (its bounce may graze what it keeps off), as long as in the art.
    const Sprite* sprite = GetSprite(1, u"tutorial_arrow");
    const float length = float(sprite && sprite->GetWidth() > 0 ? sprite->GetWidth() : 80);
    const auto clear = [&keepOff, length](TutorialTarget& t) {
        t.GetPosition();
        if (!t.valid) return true;
        // The squares are as wide as the head, which may graze it too.
        constexpr int32_t kGraze = 6;
        std::vector<kis::Rect> squares;
        AddArrowSquares(t, length, squares);
        for (const kis::Rect& r : keepOff) {
            // What the arrow points at (its tip on or at its edge) is no
            // place it keeps off.
            if (t.x > r.left - kGraze && t.x < r.right + kGraze && t.y > r.top - kGraze &&
                t.y < r.bottom + kGraze)
                continue;
            for (const kis::Rect& a : squares)
                if (a.left + kGraze < r.right && r.left < a.right - kGraze && a.top + kGraze < r.bottom &&
                    r.top < a.bottom - kGraze)
                    return false;
        }
        return true;
    };
    if (clear(*target)) return target;
    // The other side first, then across; where every side meets one, the
    // arrow stays as it was asked.
    for (const float turn : {180.0f, 90.0f, 270.0f}) {
        std::unique_ptr<TutorialTarget> turned = target->Clone(target->distance);
        turned->angle = std::fmod(target->angle + turn, 360.0f);
        if (clear(*turned)) return turned;
    }
    return target;
}

TutorialArrow* TutorialLayer::FindArrow(uint32_t id) const {
    for (auto it = arrows_.rbegin(); it != arrows_.rend(); ++it)
        if ((*it)->Id() == id && (*it)->State() < kLayerClosing) return it->get();
    return nullptr;
}

void TutorialLayer::CloseArrow(uint32_t id) {
    if (TutorialArrow* arrow = FindArrow(id)) arrow->SetState(kLayerClosing);
}

TutorialInfo* TutorialLayer::AddInfo(std::unique_ptr<TutorialInfo> info,
                                     std::unique_ptr<TutorialTarget> target, bool centred, float distance) {
    if (!info) return nullptr;
    // A box beside a turned arrow at the same thing turns with it.
    if (target && !centred) {
        target->GetPosition();
        for (const auto& arrow : arrows_) {
            const TutorialTarget* at = arrow->Target();
            const TutorialArrow::Asked& asked = arrow->asked;
            if (at && at->valid && target->valid && at->kind == target->kind && at->angle != asked.angle &&
                asked.angle == target->angle && asked.x == target->x && asked.y == target->y) {
                target->angle = at->angle;
                break;
            }
        }
    }
    info->Attach(std::move(target), centred, distance);
    if (layerState_ > kLayerNew) info->SetState(layerState_);
    infos_.push_back(std::move(info));
    return infos_.back().get();
}

TutorialInfo* TutorialLayer::AddInfoAtPoint(std::unique_ptr<TutorialInfo> info, const TutorialTarget& target,
                                            bool centred, float distance) {
    return AddInfo(std::move(info), target.Clone(target.distance), centred, distance);
}

void TutorialLayer::AddClickWait() {
    if (layerState_ < kLayerClosing && step_) ++clickWaits_;
}

void TutorialLayer::Relayout() {
    for (auto& arrow : arrows_)
        if (arrow->Target()) arrow->Target()->GetPosition();
    for (auto& info : infos_)
        info->Place();
}

void TutorialLayer::Draw(DXLViewer& viewer) {
    if (layerState_ < kLayerFadingIn || layerState_ > kLayerClosing) return;
    for (auto& arrow : arrows_)
        if (arrow->State() >= kLayerFadingIn && arrow->State() <= kLayerClosing) arrow->Draw(viewer);
    for (auto& info : infos_)
        if (info->State() >= kLayerFadingIn && info->State() <= kLayerClosing) info->Draw(viewer);
}

bool TutorialLayer::IsInputBlocked() const {
    if (clickWaits_ == 0 || GameWindow::IsInputBlocked()) return true;
    return layerState_ != kLayerFadingIn && layerState_ != kLayerShown;
}

bool TutorialLayer::HitTest(int32_t x, int32_t y) const {
    if (clickWaits_ == 0 || !step_) return false;
    return step_->IsClickArea(x, y);
}

bool TutorialLayer::OnScreenMouseDown(int32_t x, int32_t y, uint32_t button) {
    // Outside the step's click area the press goes to the windows below.
    if (!HitTest(x, y)) return false;
    // Such a step completes at the press, which then goes on below.
    if (button == 1 && step_ && step_->IsActive() && step_->PassesCompletingClick()) {
        step_->OnLayerClick();
        return false;
    }
    return GameWindow::OnScreenMouseDown(x, y, button);
}

bool TutorialLayer::OnScreenMouseUp(int32_t x, int32_t y, uint32_t button) {
    if (!pressed_ && !HitTest(x, y)) return false;
    return GameWindow::OnScreenMouseUp(x, y, button);
}

bool TutorialLayer::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    pressed_ = button == 1;
    GameWindow::OnMouseDown(x, y, button);
    return true;
}

bool TutorialLayer::OnMouseUp(int32_t x, int32_t y, uint32_t button) {
    const bool pressedHere = pressed_ && button == 1;
    if (button == 1) pressed_ = false;
    const bool taken = GameWindow::OnMouseUp(x, y, button);
    if (button == 1 && pressedHere && step_ && clickWaits_ > 0 && !manager_.IsLettingGo())
        step_->OnLayerClick();
    return taken || pressedHere;
}

} // namespace tut
