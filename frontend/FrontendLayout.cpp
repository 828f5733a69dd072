#include "frontend/FrontendLayout.h"

#include "foundation/Helpers.h"

#include <algorithm>
#include <cmath>

SceneLayout ComputeSceneLayout(int32_t width, int32_t height) {
    SceneLayout out;
    int32_t offsetY = 0;
    out.scale = float(height) / 800.0f;
    if (height == 768) { // the common 4:3 screen shows the scene at its own size, a little raised
        offsetY = -16;
        out.scale = 1.0f;
    }
    if (kis::Ceil(out.scale * 1280.0f) < width) out.scale = float(width) / 1280.0f;
    out.centreX = width / 2;
    out.centreY = height / 2 + offsetY;
    return out;
}

int32_t MenuAnchorX(int32_t width, int32_t height, float sceneScale) {
    return std::min(kis::Round(1.52f * float(height)), width) - kis::Round(256.0f * sceneScale) - 20;
}

TitleLayout ComputeTitleLayout(int32_t width, int32_t height, float sceneScale, int32_t menuHeight,
                               int32_t imageAdjustX) {
    TitleLayout out;
    int32_t limit = height - 16;
    float s = sceneScale;
    int32_t gap = 8;
    if (menuHeight + 264 > limit) { // a low screen: the image shrinks to leave the menu room
        limit = height - 8;
        s = limit - menuHeight < 256 ? float(limit - menuHeight) / 256.0f : 1.0f;
        gap = 0;
    }
    const float imageHeight = s * 256.0f;
    out.width = kis::Round(s * 512.0f);
    out.height = kis::Round(imageHeight);
    const int32_t total = out.height + gap + menuHeight;
    int32_t below = gap;
    if (total >= limit) {
        out.top = 8;
    } else {
        const int32_t free = limit - (total - gap);
        below = free / 5;
        out.top = (free - below) / 2;
    }
    out.left = MenuAnchorX(width, height, sceneScale) + imageAdjustX - out.height;
    out.menuTop = out.top + out.height + below;
    return out;
}

float SwingEase(float t) {
    return (std::cos(3.14159265f * (t + 1.0f)) + 1.0f) / 2.0f;
}

uint32_t SceneMotion::Update(uint32_t dt) {
    if (dt == 0) return 0;
    swayElapsed += dt;
    while (swayPeriod <= swayElapsed) {
        swayElapsed -= swayPeriod;
        swayPeriod = kSwayPeriod;
        swayStartX = swayTargetX;
        swayStartY = swayTargetY;
        swayTargetX = swayStartX < 0 ? kSwayReach : -kSwayReach;
        swayTargetY = 0;
    }
    const float sway = SwingEase(float(swayElapsed) / float(swayPeriod));
    swayX = swayStartX + (swayTargetX - swayStartX) * sway;
    swayY = swayStartY + (swayTargetY - swayStartY) * sway;

    zoomElapsed += dt;
    while (zoomPeriod <= zoomElapsed) {
        zoomElapsed -= zoomPeriod;
        zoomPeriod = kZoomPeriod;
        zoomStart = zoomTarget;
        zoomTarget = zoomStart < 0 ? kZoomReach : -kZoomReach;
    }
    zoom = zoomStart + (zoomTarget - zoomStart) * SwingEase(float(zoomElapsed) / float(zoomPeriod));

    carried = std::min(carried + dt, kMaxCarry); // a stalled frame never makes the scene jump
    const uint32_t step = carried / kTick * kTick;
    total += step;
    carried -= step;
    return step;
}

RowRange VisibleProfileRows(int32_t scroll, int32_t viewportHeight, int32_t rows) {
    RowRange out;
    out.first = std::max(0, (scroll - 70) / kProfileRowStep);
    out.last = std::min((scroll - 70 + viewportHeight + 7) / kProfileRowStep, rows - 1);
    return out;
}

int32_t ScrollToProfileRow(int32_t scroll, int32_t page, int32_t row) {
    if (row < 0) return scroll;
    if (kProfileRowStep * row + 67 < scroll) return kProfileRowStep * row + 67;
    if (kProfileRowStep * row + 115 > scroll + page) return kProfileRowStep * row + 115 - page;
    return scroll;
}

int32_t SoundBarFill(bool on, float effectiveVolume, int32_t barWidth) {
    return on ? kis::Round(effectiveVolume * float(barWidth) / 100.0f) : 0;
}

float SoundBarValueAt(int32_t x, int32_t left, int32_t barWidth) {
    if (barWidth < 2) return x > left ? 100.0f : 0.0f; // no span to divide
    return float(x - left) / float(barWidth - 1) * 100.0f;
}

CreditsScroll::CreditsScroll(int32_t total) : scrolling_(total > kScrollLimit), total_(total) {
    if (scrolling_) {
        total_ = total + kGap;
        offset_ = kView; // the list starts just below the view
    } else {
        offset_ = (kView - total) / 2;
    }
    exact_ = float(offset_);
}

int32_t CreditsScroll::Step(uint32_t frameMs, bool fast) {
    if (!scrolling_) return 0;
    const float step = float(frameMs) / 20.0f * (fast ? 4.0f : 1.0f);
    exact_ -= step;
    const int32_t now = int32_t(exact_);
    const int32_t delta = offset_ - now;
    if (now < -total_) { // the whole list has passed: it comes in again from below
        exact_ += float(total_ + kView + kGap);
        offset_ = int32_t(exact_);
    } else {
        offset_ = now;
    }
    return delta;
}
