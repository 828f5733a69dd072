#include "gui/ProgressLine.h"

#include "engine/Quad.h"
#include "engine/Texture.h"
#include "gui/Skin.h"
#include "sprites/Sprite.h"

#include <algorithm>
#include <cmath>

ProgressLine::ProgressLine() : sprite_(GetSprite(1, u"time_bar_indic")) {}

void ProgressLine::Init(int32_t regime, uint32_t bronze, uint32_t silver, uint32_t gold, int32_t z1,
                        int32_t z2, int32_t z3, int32_t x, int32_t y) {
    regime_ = regime;
    bronze_ = bronze;
    silver_ = silver;
    gold_ = gold;
    z1_ = z1;
    z2_ = z2;
    z3_ = z3;
    x_ = x;
    y_ = y;
    const ProgressPiece pieces[kPieceCount] = {{8, 0, 8},  {z1 - 10, 8, 4},  {2, 12, 2},
                                               {3, 14, 3}, {z2 - 6, 17, 4},  {3, 21, 3},
                                               {2, 24, 2}, {z3 - 10, 26, 4}, {8, 30, 8}};
    std::copy(std::begin(pieces), std::end(pieces), pieces_);
    valueSet_ = false;
    quadCount_ = 0;
    length_ = 0;
}

namespace {

// How full a zone is at t, from 1 at its start limit to 0 at its end limit;
// a zone whose limits are equal is full up to them and empty past them.
float ZoneFill(uint32_t t, uint32_t start, uint32_t end) {
    if (end <= start) return t <= start ? 1.0f : 0.0f;
    return 1.0f - float(t - start) / float(end - start);
}

int32_t RoundUp(float v) {
    return int32_t(std::ceil(v - 1e-4f));
}

} // namespace

int32_t ProgressLength(int32_t regime, uint32_t bronze, uint32_t silver, uint32_t gold, int32_t z1,
                       int32_t z2, int32_t z3, uint32_t t) {
    int32_t length;
    if (t <= gold)
        length = z1 + z2 + RoundUp(ZoneFill(t, 0, gold) * float(z3));
    else if (t <= silver)
        length = z1 + RoundUp(ZoneFill(t, gold, silver) * float(z2));
    else if (regime != kRegimeHard)
        length = z1; // the bronze zone stays full in the easy regime
    else if (t <= bronze)
        length = RoundUp(ZoneFill(t, silver, bronze) * float(z1));
    else
        length = 0;
    if (regime != kRegimeHard) length = std::max(length, z1);
    return length;
}

void ProgressLine::SetValue(uint32_t elapsed) {
    if (valueSet_ && elapsed == value_) return;
    valueSet_ = true;
    value_ = elapsed;
    length_ = ProgressLength(regime_, bronze_, silver_, gold_, z1_, z2_, z3_, elapsed);
    Build();
}

void ProgressLine::Build() {
    quadCount_ = 0;
    if (length_ <= 0) return;
    DXLTexture* texture = sprite_ && sprite_->Acquire() ? sprite_->GetTexture() : nullptr;
    kis::Rect frame{0, 0, 38, 28};
    if (sprite_) sprite_->GetFrameRect(0, &frame);
    const float top = float(y_), bottom = float(y_ + kRowHeight);
    const float row = float(frame.top + SourceRow());
    auto add = [&](float x0, float x1, float sx0, float sx1, uint32_t colour) {
        TexturedQuad& q = quads_[quadCount_++];
        const DXLRectF source{float(frame.left) + sx0, row, float(frame.left) + sx1, row + kRowHeight};
        if (texture && texture->IsLive())
            texture->MakeQuadRectToRect(&q, DXLRectF{x0, top, x1, bottom}, source, colour);
        else
            FillQuad(&q, x0, top, x1, bottom, 0, 0, 0, 0, colour == 0xFFFFFFFF ? 0xFFE0A030 : colour, false,
                     false);
    };
    int32_t x = 0;
    for (int32_t i = 0; i < kPieceCount; ++i) {
        const ProgressPiece& p = pieces_[i];
        const float sx0 = float(p.sourceX), sx1 = float(p.sourceX + p.sourceWidth);
        if (x + p.width <= length_ - 1 || (x + p.width == length_ && i == kPieceCount - 1)) {
            add(float(x_ + x), float(x_ + x + p.width), sx0, sx1, 0xFFFFFFFF);
            x += p.width;
            if (x == length_) return; // the line is full: the right cap is its end
            continue;
        }
        // The piece the length ends in: stretched over the rest but its last pixel.
        if (length_ - 1 > x) add(float(x_ + x), float(x_ + length_ - 1), sx0, sx1, 0xFFFFFFFF);
        add(float(x_ + length_ - 1), float(x_ + length_), sx1 - 1, sx1, kEndColour);
        return;
    }
}

void ProgressLine::Draw(DXLViewer& viewer) {
    if (quadCount_ == 0) return;
    DXLTexture* texture = sprite_ && sprite_->Acquire() ? sprite_->GetTexture() : nullptr;
    viewer.SetBlendMode(kBlendAlpha);
    if (texture)
        SetCurrentTexture(texture);
    else
        ClearCurrentTexture(&viewer);
    viewer.DrawTexturedQuads(uint32_t(quadCount_), quads_);
}

// ---------------------------------------------------------------- medals

std::unique_ptr<SpriteInstance> GetMedalSprite(int32_t grade, kis::Vector2* position) {
    const char16_t* name = grade < 3    ? u"level_uncompl"
                           : grade == 6 ? u"gold_medal"
                           : grade == 5 ? u"silver_medal"
                                        : u"bronze_medal";
    Sprite* sprite = GetSprite(1, name);
    std::unique_ptr<SpriteInstance> medal = sprite ? sprite->CreateInstance(0) : nullptr;
    if (!medal) return nullptr;
    if (grade < 3) {
        medal->scaleX = medal->scaleY = 0.5f;
        if (position) *position = {position->x + 43.0f, position->y + 42.0f};
    } else {
        kis::Rect r{0, 0, 0, 0};
        sprite->GetFrameRect(0, &r);
        if (r.right > r.left) medal->scaleX = 42.0f / float(r.right - r.left);
        if (r.bottom > r.top) medal->scaleY = 54.0f / float(r.bottom - r.top);
        if (position) *position = {position->x + 46.0f, position->y + 49.0f};
    }
    if (position) medal->position = *position;
    return medal;
}

Sprite* GetInfoSpriteGroup() {
    return GetSprite(1, u"info");
}

bool InitInfoPanel(SkinQuads* record, int32_t x, int32_t y, int32_t width, int32_t height) {
    constexpr kis::Rect kBorders{19, 19, 17, 22};
    Sprite* sheet = GetInfoSpriteGroup();
    kis::Rect source;
    if (!sheet || !sheet->Acquire() || !sheet->GetFrameRect(0, &source)) return false;
    InitNinePatch(record, x, y, width, height, kBorders.left, kBorders.top, kBorders.right, kBorders.bottom,
                  0xFFFFFFFF, 0, sheet->GetTexture(), source);
    return true;
}
