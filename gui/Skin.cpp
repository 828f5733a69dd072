#include "gui/Skin.h"

#include "engine/Quad.h"
#include "engine/Texture.h"
#include "sprites/Sprite.h"
#include "text/FontSlots.h"
#include "text/KGEFont.h"
#include "text/KGEText.h"

#include <algorithm>

namespace {

// Borders of the nine-patch pieces, matching the art.
constexpr SkinBorders kBorders[kSkinPieceCount] = {
    {16, 16, 16, 16}, // frame
    {12, 12, 12, 12}, // caption
    {10, 10, 10, 10}, // button: normal
    {10, 10, 10, 10}, // hover
    {10, 10, 10, 10}, // pressed
    {10, 10, 10, 10}, // disabled
    {10, 10, 10, 10}, // list button
    {0, 0, 0, 0},     // check box
    {0, 0, 0, 0},     // ticked
    {12, 12, 12, 12}, // scroll track
    {12, 12, 12, 12}, // thumb
    {0, 0, 0, 0},     // up
    {0, 0, 0, 0},     // down
    {12, 12, 12, 12}, // hint box
    {6, 6, 6, 6},     // edit field
    {0, 0, 0, 0},     // separator
};

// Pieces whose art has an opaque middle: most of a window's area needs no blending.
constexpr bool kOpaqueMiddle[kSkinPieceCount] = {true,  true, true, true,  true,  true, true, false,
                                                 false, true, true, false, false, true, true, true};

// The colours a piece is drawn in when the skin art is missing.
constexpr uint32_t kFlatColours[kSkinPieceCount] = {
    0xFF6B4A2B, 0xFF8C5A2E, 0xFFB07A3A, 0xFFD09A4A, 0xFF8A5A2A, 0xFF7A7068, 0xFF9A7A50, 0xFFEEE0C0,
    0xFF50A040, 0xFF5A4030, 0xFFC09050, 0xFFC09050, 0xFFC09050, 0xFFFFF4D0, 0xFFFFFFFF, 0xFF806040};

} // namespace

SkinBorders GetSkinBorders(int32_t piece) {
    return piece >= 0 && piece < kSkinPieceCount ? kBorders[piece] : SkinBorders{0, 0, 0, 0};
}

Sprite* GetSkinSprite() {
    return GetSprite(1, u"dialogs");
}

bool GetSkinRect(int32_t piece, kis::Rect* out) {
    Sprite* skin = GetSkinSprite();
    return skin && skin->GetFrameRect(piece, out) && skin->Acquire();
}

uint32_t ModulateColour(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= (((a >> shift) & 0xFF) * ((b >> shift) & 0xFF) / 255) << shift;
    return out;
}

uint32_t ScaleAlpha(uint32_t colour, float alpha) {
    if (alpha >= 1.0f) return colour;
    const float a = float(colour >> 24) * std::max(alpha, 0.0f);
    return (uint32_t(a + 0.5f) << 24) | (colour & 0x00FFFFFF);
}

namespace {

void FillPart(TexturedQuad* quad, DXLTexture* texture, float x0, float y0, float x1, float y1, float sx0,
              float sy0, float sx1, float sy1, uint32_t colour) {
    if (texture && texture->IsLive()) {
        texture->MakeQuadRectToRect(quad, DXLRectF{x0, y0, x1, y1}, DXLRectF{sx0, sy0, sx1, sy1}, colour);
        return;
    }
    FillQuad(quad, x0, y0, x1, y1, 0, 0, 0, 0, colour, /*flipH=*/false, /*flipV=*/false);
}

DXLTexture* Resolve(DXLTexture* texture) {
    if (texture != kInterfaceTexture) return texture;
    Sprite* skin = GetSkinSprite();
    return skin && skin->Acquire() ? skin->GetTexture() : nullptr;
}

} // namespace

void InitNinePatch(SkinQuads* record, int32_t x, int32_t y, int32_t width, int32_t height, int32_t left,
                   int32_t top, int32_t right, int32_t bottom, uint32_t colour, uint32_t flags,
                   DXLTexture* texture, const kis::Rect& source) {
    record->texture = Resolve(texture);
    record->count = 0;
    record->opaque = -1;
    // Borders wider than the target shrink in proportion, so that nothing turns inside out.
    if (left + right > width && left + right > 0) {
        left = left * width / (left + right);
        right = width - left;
    }
    if (top + bottom > height && top + bottom > 0) {
        top = top * height / (top + bottom);
        bottom = height - top;
    }
    const float xs[4] = {float(x), float(x + left), float(x + width - right), float(x + width)};
    const float ys[4] = {float(y), float(y + top), float(y + height - bottom), float(y + height)};
    const float us[4] = {float(source.left), float(source.left + left), float(source.right - right),
                         float(source.right)};
    const float vs[4] = {float(source.top), float(source.top + top), float(source.bottom - bottom),
                         float(source.bottom)};
    for (int32_t row = 0; row < 3; ++row) {
        for (int32_t column = 0; column < 3; ++column) {
            if ((flags & 1) && row == 1 && column == 1) continue;
            if (xs[column + 1] <= xs[column] || ys[row + 1] <= ys[row]) continue;
            if (row == 1 && column == 1 && (flags & 2) && (colour >> 24) == 0xFF)
                record->opaque = record->count;
            FillPart(&record->quads[record->count++], record->texture, xs[column], ys[row], xs[column + 1],
                     ys[row + 1], us[column], vs[row], us[column + 1], vs[row + 1], colour);
        }
    }
}

void InitQuad(SkinQuads* record, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour,
              DXLTexture* texture, const kis::Rect& source) {
    record->texture = Resolve(texture);
    record->count = 1;
    record->opaque = -1;
    FillPart(&record->quads[0], record->texture, float(x), float(y), float(x + width), float(y + height),
             float(source.left), float(source.top), float(source.right), float(source.bottom), colour);
}

void InitSkinPiece(SkinQuads* record, int32_t piece, const kis::Rect& rect, uint32_t colour) {
    kis::Rect source{0, 0, 0, 0};
    const SkinBorders b = GetSkinBorders(piece);
    if (!GetSkinRect(piece, &source)) {
        // No art: a flat rectangle in the piece's colour, tinted by the colour given.
        const uint32_t flat = kFlatColours[piece >= 0 && piece < kSkinPieceCount ? piece : 0];
        InitQuad(record, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 ModulateColour(flat, colour), nullptr, source);
        return;
    }
    InitNinePatch(record, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, b.left, b.top,
                  b.right, b.bottom, colour, kOpaqueMiddle[piece] ? 2 : 0, kInterfaceTexture, source);
}

void DrawSkinQuads(DXLViewer& viewer, SkinQuads& record, float alpha) {
    if (record.count == 0) return;
    // The alpha goes into the vertices for this draw and comes back out after it.
    uint32_t saved[9][4];
    const bool fade = alpha < 1.0f;
    if (fade)
        for (int32_t i = 0; i < record.count; ++i)
            for (int32_t k = 0; k < 4; ++k) {
                saved[i][k] = record.quads[i].v[k].colour;
                record.quads[i].v[k].colour = ScaleAlpha(saved[i][k], alpha);
            }
    if (record.texture)
        SetCurrentTexture(record.texture);
    else
        ClearCurrentTexture(&viewer);
    viewer.SetBlendMode(kBlendAlpha);
    if (fade || record.opaque < 0) {
        viewer.DrawTexturedQuads(uint32_t(record.count), record.quads);
    } else {
        // Blending costs the most per pixel: the large opaque middle goes without it.
        const uint32_t at = uint32_t(record.opaque);
        viewer.DrawTexturedQuads(at, record.quads);
        viewer.DrawTexturedQuads(uint32_t(record.count) - at - 1, record.quads + at + 1);
        viewer.SetBlendMode(kBlendOpaque);
        viewer.DrawTexturedQuad(&record.quads[at]);
        viewer.SetBlendMode(kBlendAlpha);
    }
    if (fade)
        for (int32_t i = 0; i < record.count; ++i)
            for (int32_t k = 0; k < 4; ++k)
                record.quads[i].v[k].colour = saved[i][k];
}

// ---------------------------------------------------------------- text

SkinText::SkinText() = default;
SkinText::~SkinText() = default;
SkinText::SkinText(SkinText&&) noexcept = default;
SkinText& SkinText::operator=(SkinText&&) noexcept = default;

void SkinText::Set(int32_t fontSlot, std::u16string_view text, uint32_t flags, int32_t width) {
    if (fontSlot == slot_ && text == text_ && flags == flags_ && width == width_) return;
    slot_ = fontSlot;
    text_ = text;
    flags_ = flags;
    width_ = width;
    stale_ = true;
}

void SkinText::SetLinePitch(int32_t pitch) {
    if (pitch == linePitch_) return;
    linePitch_ = pitch;
    stale_ = true;
}

void SkinText::SetOutline(float width, uint32_t colour) {
    if (width == outline_ && colour == outlineColour_) return;
    outline_ = std::max(width, 0.0f);
    outlineColour_ = colour;
    stale_ = true;
}

void SkinText::SetShadow(int32_t dx, int32_t dy, uint32_t colour) {
    if (dx == shadowDx_ && dy == shadowDy_ && colour == shadowColour_) return;
    shadowDx_ = dx, shadowDy_ = dy, shadowColour_ = colour;
    stale_ = true;
}

bool SkinText::Baked() const {
    return (flags_ & kTextMarkup) != 0 || outline_ > 0.0f || shadowColour_ != 0;
}

bool SkinText::Ready() {
    if (!stale_) return laidOut_ != nullptr;
    laidOut_.reset();
    KGEFont* font = GetFont(slot_);
    if (!font || !font->GetViewer()) return false; // tried again at the next use
    stale_ = false;
    if (text_.empty()) return false;
    KGETextParams params = KGEDefaultTextParams();
    params.flags = flags_ | kTextColour;
    params.wrapWidth = width_;
    if (linePitch_ > 0) {
        params.flags |= kTextFixedPitch;
        params.linePitch = linePitch_;
    }
    if (Baked()) params.colour = ink_;
    if (outline_ <= 0.0f && shadowColour_ == 0) {
        KGETextW* made = nullptr;
        if (Failed(KGECreateText(font->GetViewer(), font, &params, text_.c_str(), kKgeToTerminator, nullptr,
                                 &made)))
            return false;
        laidOut_.reset(made);
        return true;
    }
    // The glyph effects are drawn into the text's own picture.
    KGETextBox box = {};
    if (outline_ > 0.0f) {
        box.flags |= kBoxOutline;
        MakeGlyphEffect(&box.outline, 1, outline_, outlineColour_, 0, 0);
    }
    if (shadowColour_ != 0) {
        box.flags |= kBoxShadow;
        SetInt4(&box.shadow, 1, shadowDx_, shadowDy_, shadowColour_);
    }
    KGETextSpriteW* made = nullptr;
    const HResult result = KGECreateTextSprite(font->GetViewer(), font, &params, &box, text_.c_str(),
                                               kKgeToTerminator, nullptr, &made);
    laidOut_.reset(made);
    if (Failed(result)) {
        laidOut_.reset();
        return false;
    }
    return true;
}

void SkinText::Draw(DXLViewer& viewer, float x, float y, uint32_t colour) {
    const bool baked = Baked();
    if (baked && ((colour ^ ink_) & 0xFFFFFF) != 0) {
        ink_ = 0xFF000000 | colour; // laid out again in the new ink
        stale_ = true;
    }
    if (!Ready() || (colour >> 24) == 0) return;
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(x, y);
    viewer.ApplyTransform();
    if (baked)
        laidOut_->SetAlpha(colour);
    else
        laidOut_->SetColor(colour);
    laidOut_->Draw();
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

int32_t SkinText::Width() {
    return Ready() ? laidOut_->GetWidth() : 0;
}

int32_t SkinText::Height() {
    return Ready() ? laidOut_->GetHeight() : 0;
}

kis::Rect MeasureSkinText(int32_t fontSlot, const char16_t* text) {
    KGEFont* font = GetFont(fontSlot);
    if (!font || !text) return {0, 0, 0, 0};
    const KGESize size = font->MeasureText(text, kKgeToTerminator);
    return {0, 0, size.width, std::max(size.height, font->GetHeight())};
}

// ---------------------------------------------------------------- element list

WindowSprites::WindowSprites() = default;
WindowSprites::~WindowSprites() = default;

void WindowSprites::AddFrame(int32_t piece, const kis::Rect& rect, uint32_t colour) {
    Element& e = elements_.emplace_back();
    InitSkinPiece(&e.quads, piece, rect, colour);
}

void WindowSprites::AddSkinFrame(const kis::Rect& source, const SkinBorders& b, const kis::Rect& rect,
                                 uint32_t colour) {
    Element& e = elements_.emplace_back();
    InitNinePatch(&e.quads, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, b.left,
                  b.top, b.right, b.bottom, colour, 0, kInterfaceTexture, source);
}

void WindowSprites::AddTextLines(int32_t fontSlot, const std::u16string& text, const kis::Rect& rect,
                                 uint32_t colour, bool centre) {
    Element& e = elements_.emplace_back();
    e.isText = true;
    e.text.Set(fontSlot, text, (centre ? 1u : 0u) | kTextWrap, rect.right - rect.left);
    e.rect = rect;
    e.colour = colour;
}

void WindowSprites::ClearElements() {
    elements_.clear();
}

void WindowSprites::Draw(DXLViewer& viewer, float alpha) {
    for (Element& e : elements_) {
        if (e.isText)
            e.text.Draw(viewer, float(e.rect.left), float(e.rect.top), ScaleAlpha(e.colour, alpha));
        else
            DrawSkinQuads(viewer, e.quads, alpha);
    }
}
