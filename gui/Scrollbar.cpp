#include "gui/Scrollbar.h"

#include "gui/Window.h"

#include <algorithm>

void BaseScrollbar::SetRange(int32_t min, int32_t max, int32_t page) {
    min_ = min;
    max_ = std::max(min, max);
    page_ = std::max(0, page);
    largeStep = std::max(1, page_);
    const int32_t old = position_;
    position_ = std::clamp(position_, min_, MaxPosition());
    if (position_ != old) window_->OnButtonClick(this);
}

void BaseScrollbar::SetPosition(int32_t position) {
    position = std::clamp(position, min_, MaxPosition());
    if (position == position_) return;
    position_ = position;
    window_->OnButtonClick(this);
}

GameScrollbar::GameScrollbar(GameWindow* window, GameControls* group, int32_t x, int32_t y, int32_t height)
    : BaseScrollbar(window, group, 0) {
    rect = kis::MakeRectWH(x, y, kScrollbarWidth, std::max(height, 2 * kScrollArrowHeight + kScrollMinThumb));
    if (!window->scrollbar) window->scrollbar = this;
}

kis::Rect GameScrollbar::ThumbRect() const {
    const int32_t trackTop = rect.top + kScrollArrowHeight;
    const int32_t track = rect.bottom - rect.top - 2 * kScrollArrowHeight;
    const int32_t span = max_ - min_;
    int32_t length = span > 0 ? int32_t(int64_t(track) * std::min(page_, span) / span) : track;
    length = std::clamp(length, kScrollMinThumb, track);
    const int32_t travel = track - length;
    const int32_t range = MaxPosition() - min_;
    const int32_t offset = range > 0 ? int32_t(int64_t(travel) * (position_ - min_) / range) : 0;
    return kis::MakeRectWH(rect.left, trackTop + offset, kScrollbarWidth, length);
}

bool GameScrollbar::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (!HasState() || !HitTest(x, y) || button != 1) return HasState() && HitTest(x, y);
    const kis::Rect thumb = ThumbRect();
    if (y < rect.top + kScrollArrowHeight)
        SetPosition(position_ - smallStep);
    else if (y >= rect.bottom - kScrollArrowHeight)
        SetPosition(position_ + smallStep);
    else if (y < thumb.top)
        SetPosition(position_ - largeStep);
    else if (y >= thumb.bottom)
        SetPosition(position_ + largeStep);
    else {
        dragging_ = true;
        grabOffset_ = y - thumb.top;
        Manager().SetCapture(this);
    }
    return true;
}

bool GameScrollbar::OnMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    if (!dragging_) return GameButton::OnMouseMove(x, y, buttons);
    const kis::Rect thumb = ThumbRect();
    const int32_t track = rect.bottom - rect.top - 2 * kScrollArrowHeight;
    const int32_t travel = track - (thumb.bottom - thumb.top);
    const int32_t range = MaxPosition() - min_;
    const int32_t top = y - grabOffset_ - (rect.top + kScrollArrowHeight);
    if (travel > 0) SetPosition(min_ + int32_t((int64_t(top) * range + travel / 2) / travel));
    return true;
}

bool GameScrollbar::OnMouseUp(int32_t, int32_t, uint32_t) {
    if (!dragging_) return false;
    dragging_ = false;
    if (Manager().CapturedControl() == this) Manager().SetCapture(nullptr);
    return true;
}

void GameScrollbar::Draw(DXLViewer& viewer, float alpha) {
    SkinQuads quads;
    InitSkinPiece(&quads, kSkinScrollTrack, rect, 0xFFFFFFFF);
    DrawSkinQuads(viewer, quads, alpha);
    InitSkinPiece(&quads, kSkinScrollUp,
                  kis::MakeRectWH(rect.left, rect.top, kScrollbarWidth, kScrollArrowHeight), 0xFFFFFFFF);
    DrawSkinQuads(viewer, quads, alpha);
    InitSkinPiece(
        &quads, kSkinScrollDown,
        kis::MakeRectWH(rect.left, rect.bottom - kScrollArrowHeight, kScrollbarWidth, kScrollArrowHeight),
        0xFFFFFFFF);
    DrawSkinQuads(viewer, quads, alpha);
    InitSkinPiece(&quads, kSkinScrollThumb, ThumbRect(), dragging_ ? 0xFFFFE8C0 : 0xFFFFFFFF);
    DrawSkinQuads(viewer, quads, alpha);
}
