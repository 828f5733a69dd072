#include "text/KGEText.h"

#include "text/OutOfMemory.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Arrays grow to the needed count the first time, then in steps.
template <class T> void GrowTo(std::vector<T>& array, size_t needed, size_t step) {
    if (array.capacity() >= needed) return;
    array.reserve(array.capacity() == 0 ? needed : (needed + step - 1) / step * step);
}

// Runs: 1, then 4, then by 8 while below 21, then by half.
void PushRun(std::vector<KGEBaseText::Run>& runs, const KGEBaseText::Run& run) {
    if (runs.size() == runs.capacity()) {
        const size_t c = runs.capacity();
        runs.reserve(c == 0 ? 1 : c == 1 ? 4 : c < 21 ? c + 8 : c + c / 2);
    }
    runs.push_back(run);
}

uint32_t ChannelScale(uint32_t value, uint32_t colour, int shift) {
    const uint32_t c = (colour >> shift) & 0xFF;
    const uint32_t v = (value >> shift) & 0xFF;
    return (c ? v * c / 255 : 0) << shift;
}

// The source texel in the text colour: each channel scaled by the colour's
// unless the colour is white.
uint32_t Tint(uint32_t texel, uint32_t colour) {
    if ((colour & 0x00FFFFFFu) == 0x00FFFFFFu) return texel;
    return (texel & 0xFF000000u) | ChannelScale(texel, colour, 16) | ChannelScale(texel, colour, 8) |
           ChannelScale(texel, colour, 0);
}

// Composes a glyph texel over a sprite texel, weighting a partly transparent
// destination through the coverage table.
void Compose(uint32_t& destination, uint32_t source) {
    const int32_t a = int32_t(source >> 24);
    const int32_t da = int32_t(destination >> 24);
    if (a == 0) {
        if (da == 0) destination = source;
        return;
    }
    if (a == 255) {
        destination = source;
        return;
    }
    const int32_t p = kGlyphCoverage[da];
    const int32_t w = a < p ? (255 - p) * a / p : (255 - p) + p * (a - p) / (255 - p);
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int32_t d = int32_t((destination >> shift) & 0xFF);
        const int32_t s = int32_t((source >> shift) & 0xFF);
        out |= uint32_t(d + (s - d) * w / 255) << shift;
    }
    out |= uint32_t(da + a * (255 - da) / 255) << 24;
    destination = out;
}

// A locked A8R8G8B8 source texture, or nothing.
struct LockedSource {
    DXLTexture* texture;
    const uint32_t* pixels;
    int32_t pitch; // in pixels
};

class SourceLocks {
  public:
    ~SourceLocks() {
        for (const LockedSource& s : locks_)
            if (s.pixels) s.texture->Unlock();
    }
    const LockedSource& Get(DXLTexture* texture) {
        for (const LockedSource& s : locks_)
            if (s.texture == texture) return s;
        LockedSource s{texture, nullptr, 0};
        if (texture && texture->IsLive() && texture->GetTextureFormat() == kFormatA8R8G8B8) {
            s.pixels = static_cast<const uint32_t*>(texture->Lock(platform::kLockNoSysLock));
            s.pitch = texture->GetLockedPitch() / 4;
        }
        locks_.push_back(s);
        return locks_.back();
    }

  private:
    std::vector<LockedSource> locks_;
};

// The locked pixels of a sprite texture and the part of the layout it shows:
// layout point (x, y) lands on texel (x - left, y - top).
struct SpriteArea {
    uint32_t* pixels;
    int32_t pitch; // in pixels
    int32_t left, top, width, height;
};

// Copies a source area into the sprite at (x, y), both clipped, tinted with
// the colour.
void CompositeArea(SourceLocks& locks, const SpriteArea& sprite, DXLTexture* source, kis::Rect area,
                   int32_t x, int32_t y, uint32_t colour) {
    const LockedSource& s = locks.Get(source);
    if (!s.pixels) return;
    kis::IntersectRect(area, kis::Rect{0, 0, source->GetTextureWidth(), source->GetTextureHeight()});
    for (int32_t sy = area.top; sy < area.bottom; ++sy) {
        const int32_t dy = y + (sy - area.top);
        if (dy < 0 || dy >= sprite.height) continue;
        for (int32_t sx = area.left; sx < area.right; ++sx) {
            const int32_t dx = x + (sx - area.left);
            if (dx < 0 || dx >= sprite.width) continue;
            Compose(sprite.pixels[size_t(dy) * size_t(sprite.pitch) + size_t(dx)],
                    Tint(s.pixels[size_t(sy) * size_t(s.pitch) + size_t(sx)], colour));
        }
    }
}

// Draws every placed glyph and visible image of the layout into the sprite.
void CompositeLayout(const KGETextLayout& layout, const SpriteArea& sprite) {
    SourceLocks locks;
    for (const KGELayoutLine& line : layout.Lines()) {
        for (uint32_t i = 0; i < line.itemCount; ++i) {
            const KGELayoutItem& item = layout.Items()[line.firstItem + i];
            if (item.kind == kLayoutRun && item.font && item.font->GetImages()) {
                const KGEFont* font = item.font;
                for (uint32_t k = 0; k < item.charCount; ++k) {
                    const KGELayoutChar& c = layout.Chars()[item.firstChar + k];
                    if (!c.glyph->drawable || c.glyph->image >= font->GetImageCount()) continue;
                    const KGEImageRecord& r = font->GetImages()[c.glyph->image];
                    CompositeArea(locks, sprite, font->GetTexture(),
                                  kis::Rect{r.x, r.y, r.x + r.width, r.y + font->GetCellHeight()},
                                  item.x + c.x - sprite.left, line.y + item.y + c.y - sprite.top, c.colour);
                }
            } else if (item.kind == kLayoutImage) {
                const KGELayoutImage& image = layout.Images()[item.image];
                if (image.visible)
                    CompositeArea(locks, sprite, image.texture, image.source,
                                  item.x + image.offsetX - sprite.left,
                                  line.y + image.y + image.offsetY - sprite.top, image.colour);
            }
        }
    }
}

// Gives every vertex of the quads the colour.
void ColourQuads(TexturedQuad* quads, size_t count, uint32_t colour) {
    for (size_t i = 0; i < count; ++i)
        for (platform::TexturedVertex& v : quads[i].v)
            v.colour = colour;
}

// Gives every vertex of the quads the alpha of `alpha`, keeping its colour.
void AlphaQuads(TexturedQuad* quads, size_t count, uint32_t alpha) {
    for (size_t i = 0; i < count; ++i)
        for (platform::TexturedVertex& v : quads[i].v)
            v.colour = (v.colour & 0x00FFFFFFu) | alpha;
}

} // namespace

// ---------------------------------------------------------------- KGECustomText

KGECustomText::KGECustomText(DXLViewer* viewer)
    : viewer_(viewer), params_(KGEDefaultTextParams()),
      state_(MakeTextureStateUniform(1, 3, kBlendAlpha, 4)) {
    KGENormalizeTextParams(params_);
}

KGECustomText::~KGECustomText() = default;

void KGECustomText::Init(KGEFont* font, const KGETextParams* params) {
    font_ = font;
    params_ = params ? *params : KGEDefaultTextParams();
    KGENormalizeTextParams(params_);
}

void KGECustomText::Clear() {
    lineCount_ = 0;
    width_ = 0;
    height_ = 0;
}

HResult KGECustomText::Build(const char16_t* text, uint32_t length) {
    if (!(params_.flags & kTextKeepCopy)) {
        copyLength_ = 0;
        return 0;
    }
    if (text == copy_.get() && copy_) return 0;
    if (length + 1 > copyCapacity_) {
        const uint32_t capacity = copy_ ? (length / 128 + 1) * 128 : length + 1;
        copy_.reset(KGEAllocArray<char16_t>(capacity));
        copyCapacity_ = capacity;
    }
    if (length) std::memcpy(copy_.get(), text, length * sizeof(char16_t));
    copy_[length] = 0;
    copyLength_ = length;
    return 0;
}

const KGETextLayout& KGECustomText::LayOut(const char16_t* text, uint32_t length) {
    KGETextLayout& layout = KGESharedTextLayout();
    layout.Layout(font_, params_, text, length);
    lineCount_ = uint32_t(layout.Lines().size());
    width_ = layout.TextWidth();
    height_ = layout.TextHeight();
    return layout;
}

HResult KGECustomText::SetText(const char16_t* text, uint32_t length, TextTagCallback callback) {
    if (length == kKgeToTerminator || length == 0xFFFFFFFFu) {
        length = 0;
        while (text && length < kTextMaxChars && text[length])
            ++length;
    } else {
        length = std::min(length, kTextMaxChars);
        if (length != 0 && !text) {
            Clear();
            return kKgeNullText;
        }
    }
    uint32_t expandedLength = 0;
    const char16_t* expanded = KGEExpandTextTags(text, length, params_.maxChars, callback,
                                                 params_.tagContext1, params_.tagContext2, &expandedLength);
    const HResult hr = Build(expanded, expandedLength);
    if (hr != 0) Clear();
    return hr;
}

HResult KGECustomText::SetTextEx(const char16_t* text, uint32_t length, uintptr_t context1,
                                 uintptr_t context2, TextTagCallback callback) {
    params_.tagContext1 = context1;
    params_.tagContext2 = context2;
    return SetText(text, length, callback);
}

// ---------------------------------------------------------------- KGEBaseText

HResult KGEBaseText::Build(const char16_t* text, uint32_t length) {
    HResult hr = KGECustomText::Build(text, length);
    if (hr != 0) return hr;
    const KGETextLayout& layout = LayOut(text, length);
    colour_ = layout.Colour();

    const std::vector<KGELayoutLine>& lines = layout.Lines();
    GrowTo(lines_, lines.size(), 8);
    GrowTo(quads_, layout.DrawableCount() + layout.Images().size(), 64);
    lines_.clear();
    runs_.clear();
    quads_.clear();

    for (const KGELayoutLine& line : lines) {
        Line record{line.y, line.height, uint32_t(runs_.size()), 0, uint32_t(quads_.size())};
        DXLTexture* runTexture = nullptr;
        bool open = false;
        auto addQuad = [&](DXLTexture* texture, const TexturedQuad& quad) {
            if (open && texture != runTexture) PushRun(runs_, Run{runTexture, uint32_t(quads_.size())});
            open = true;
            runTexture = texture;
            quads_.push_back(quad);
        };
        for (uint32_t i = 0; i < line.itemCount; ++i) {
            const KGELayoutItem& item = layout.Items()[line.firstItem + i];
            if (item.kind == kLayoutRun) {
                const KGEFont* font = item.font;
                if (!font || !font->GetQuads()) continue; // a font that is not built adds nothing
                for (uint32_t k = 0; k < item.charCount; ++k) {
                    const KGELayoutChar& c = layout.Chars()[item.firstChar + k];
                    if (!c.glyph->drawable || c.glyph->image >= font->GetImageCount()) continue;
                    TexturedQuad quad = font->GetQuads()[c.glyph->image];
                    const float dx = float(item.x + c.x);
                    const float dy = float(line.y + item.y + c.y);
                    for (platform::TexturedVertex& v : quad.v) {
                        v.x += dx;
                        v.y += dy;
                        v.colour = c.colour;
                    }
                    addQuad(font->GetTexture(), quad);
                }
            } else if (item.kind == kLayoutImage) {
                const KGELayoutImage& image = layout.Images()[item.image];
                if (!image.visible) continue;
                TexturedQuad quad;
                image.texture->MakeQuadFromRect(&quad, float(item.x + image.offsetX),
                                                float(line.y + image.y + image.offsetY), image.source,
                                                image.colour);
                addQuad(image.texture, quad);
            }
        }
        if (open) PushRun(runs_, Run{runTexture, uint32_t(quads_.size())});
        record.runsAfter = uint32_t(runs_.size());
        lines_.push_back(record);
    }
    return 0;
}

void KGEBaseText::Clear() {
    KGECustomText::Clear();
    lines_.clear();
    runs_.clear();
    quads_.clear();
}

void KGEBaseText::Draw() {
    if (!viewer_ || !viewer_->HasDevice() || quads_.empty()) return;
    viewer_->ApplyTextureState(&state_);
    DXLTexture* bound = nullptr;
    uint32_t start = 0;
    for (const Run& run : runs_) {
        const uint32_t first = start;
        start = run.end;
        if (run.texture != bound) {
            if (bound) bound->Unbind(false);
            bound = nullptr;
            if (!run.texture || !run.texture->IsLive() || !run.texture->Bind(false)) continue;
            bound = run.texture;
        } else if (!bound) {
            continue; // no texture, as the run before: never drawn untextured
        }
        viewer_->DrawTexturedQuads(run.end - first, quads_.data() + first);
    }
    if (bound) bound->Unbind(true);
}

void KGEBaseText::SetColor(uint32_t colour) {
    if (colour == colour_) return;
    colour_ = colour;
    ColourQuads(quads_.data(), quads_.size(), colour);
}

void KGEBaseText::SetAlpha(uint32_t colour) {
    const uint32_t alpha = colour & 0xFF000000u;
    if (alpha == (colour_ & 0xFF000000u)) return;
    colour_ = (colour_ & 0x00FFFFFFu) | alpha;
    AlphaQuads(quads_.data(), quads_.size(), alpha);
}

// ---------------------------------------------------------------- KGEBaseTextSprite

KGEBaseTextSprite::KGEBaseTextSprite(DXLViewer* viewer) : KGECustomText(viewer) {
    SetBox(nullptr);
}

KGEBaseTextSprite::~KGEBaseTextSprite() = default;

void KGEBaseTextSprite::SetBox(const KGETextBox* box) {
    if (box)
        box_ = *box;
    else
        box_.flags = box_.width = box_.height = 0;
    const bool outline = (box_.flags & kBoxOutline) && IsGlyphEffectActive(&box_.outline);
    box_.outline.mode = outline ? 1 : 0;
    const GlyphShadow& s = box_.shadow;
    const bool shadow = (box_.flags & kBoxShadow) && s.mode != 0 && std::abs(s.offsetX) <= 32 &&
                        std::abs(s.offsetY) <= 32 && (s.colour >> 24) != 0;
    box_.shadow.mode = shadow ? 1 : 0;
}

int32_t KGEBaseTextSprite::BoxWidth() const {
    if (!(box_.flags & kBoxSizeGiven)) return kBoxDefaultSize;
    const int32_t w = (box_.flags & kBoxSizeOfRect) ? params_.rect.right - params_.rect.left : box_.width;
    return w > 0 ? w : kBoxDefaultSize;
}

int32_t KGEBaseTextSprite::BoxHeight() const {
    if (!(box_.flags & kBoxSizeGiven)) return kBoxDefaultSize;
    const int32_t h = (box_.flags & kBoxSizeOfRect) ? params_.rect.bottom - params_.rect.top : box_.height;
    return h > 0 ? h : kBoxDefaultSize;
}

HResult KGEBaseTextSprite::Build(const char16_t* text, uint32_t length) {
    HResult hr = KGECustomText::Build(text, length);
    if (hr != 0) return hr;
    const KGETextLayout& layout = LayOut(text, length);
    hr = Render(layout);
    // The text colour is in the pixels: the quad is white with the record's alpha.
    colour_ = 0x00FFFFFFu | params_.alpha;
    return hr;
}

kis::Rect KGEBaseTextSprite::ContentBounds(const std::vector<KGELayoutLine>& lines, bool* any) const {
    kis::Rect content{0, 0, 0, 0};
    *any = false;
    for (const KGELayoutLine& line : lines) {
        const kis::Rect& b = line.bounds;
        if (b.right <= b.left || b.bottom <= b.top) continue;
        if (*any)
            kis::UnionRect(content, content, b);
        else
            content = b;
        *any = true;
    }
    if (box_.outline.mode) {
        const int32_t grow = int32_t(std::ceil(box_.outline.size));
        content.left -= grow;
        content.top -= grow;
        content.right += grow;
        content.bottom += grow;
    }
    if (box_.shadow.mode) {
        (box_.shadow.offsetX >= 0 ? content.right : content.left) += box_.shadow.offsetX;
        (box_.shadow.offsetY >= 0 ? content.bottom : content.top) += box_.shadow.offsetY;
    }
    return content;
}

bool KGEBaseTextSprite::PrepareTexture(int32_t width, int32_t height) {
    if (texture_ && texture_->IsLive()) {
        const bool fits = spriteWidth_ <= texture_->GetWidth() && spriteHeight_ <= texture_->GetHeight();
        const bool same = texture_->GetWidth() == width && texture_->GetHeight() == height;
        if (!(KeepsTexture() && fits) && !same) texture_->Release();
    }
    if (!texture_) {
        texture_ = std::make_unique<DXLTexture>(viewer_);
        texture_->SetImageFilter(kImageFilterNone);
    }
    if (!texture_->IsLive()) texture_->Create(width, height, kFormatA8R8G8B8, false);
    return texture_->IsLive() && texture_->GetTextureFormat() == kFormatA8R8G8B8;
}

HResult KGEBaseTextSprite::Render(const KGETextLayout& layout) {
    const std::vector<KGELayoutLine>& lines = layout.Lines();
    GrowTo(lineTable_, lines.size(), 8);
    lineTable_.clear();
    for (const KGELayoutLine& line : lines)
        lineTable_.push_back(LineSpan{line.y, line.height});

    bool any = false;
    const kis::Rect content = ContentBounds(lines, &any);

    // The limit, and the part kept of a larger content by the alignment.
    int32_t limitW = BoxWidth();
    int32_t limitH = BoxHeight();
    if (viewer_ && viewer_->HasDevice()) {
        const platform::DeviceCaps& caps = viewer_->GetDevice()->GetCaps();
        if (caps.maxTextureWidth > 0) limitW = std::min<int64_t>(limitW, caps.maxTextureWidth);
        if (caps.maxTextureHeight > 0) limitH = std::min<int64_t>(limitH, caps.maxTextureHeight);
    }
    auto keep = [](int32_t start, int32_t size, int32_t limit, uint32_t align, int32_t* outStart) {
        if (size <= limit) {
            *outStart = start;
            return size;
        }
        const int32_t excess = size - limit;
        *outStart = start + (align == 1 ? excess / 2 : align == 2 ? excess : 0);
        return limit;
    };
    const int32_t contentW = any ? content.right - content.left : 0;
    const int32_t contentH = any ? content.bottom - content.top : 0;
    spriteWidth_ = keep(content.left, contentW, limitW, params_.flags & kTextAlignMask, &spriteX_);
    spriteHeight_ = keep(content.top, contentH, limitH, (params_.flags & kTextVAlignMask) >> 4, &spriteY_);

    const bool keepTexture = KeepsTexture();
    if (spriteWidth_ < 1 || spriteHeight_ < 1) {
        spriteWidth_ = spriteHeight_ = 0;
        if (texture_ && !keepTexture) texture_->Release();
        return 0;
    }
    const int32_t textureW = keepTexture ? std::max(spriteWidth_, BoxWidth()) : spriteWidth_;
    const int32_t textureH = keepTexture ? std::max(spriteHeight_, BoxHeight()) : spriteHeight_;
    if (!PrepareTexture(textureW, textureH)) return kKgeSpriteTexture;
    auto* pixels = static_cast<uint32_t*>(texture_->Lock(0));
    if (!pixels) return kKgeSpriteTexture;
    const int32_t pitch = texture_->GetLockedPitch() / 4;
    // Every texel starts as transparent white, in a new texture as in a reused one.
    const int32_t rows = texture_->GetTextureHeight();
    for (int32_t y = 0; y < rows; ++y)
        std::fill_n(pixels + size_t(y) * size_t(pitch), size_t(pitch), 0x00FFFFFFu);
    CompositeLayout(layout, SpriteArea{pixels, pitch, spriteX_, spriteY_, spriteWidth_, spriteHeight_});
    if (box_.outline.mode) ApplyGlyphKernelOutline(spriteWidth_, spriteHeight_, pitch, pixels, &box_.outline);
    if (box_.shadow.mode)
        ApplyGlyphShadow(pixels, pitch, spriteHeight_, 0, box_.shadow.offsetX, box_.shadow.offsetY,
                         box_.shadow.colour, 0);
    texture_->Unlock();

    texture_->MakeQuadFromRect(&quad_, float(spriteX_), float(spriteY_),
                               kis::Rect{0, 0, spriteWidth_, spriteHeight_}, 0x00FFFFFFu | params_.alpha);
    return 0;
}

void KGEBaseTextSprite::Draw() {
    if (lineCount_ == 0 || !texture_ || !texture_->IsLive() || spriteWidth_ < 1 || !viewer_ ||
        !viewer_->HasDevice())
        return;
    viewer_->ApplyTextureState(&state_);
    if (!texture_->Bind(false)) return;
    viewer_->DrawTexturedQuad(&quad_);
    texture_->Unbind(true);
}

void KGEBaseTextSprite::SetColor(uint32_t colour) {
    if (colour == colour_) return;
    colour_ = colour;
    ColourQuads(&quad_, 1, colour);
}

void KGEBaseTextSprite::SetAlpha(uint32_t colour) {
    const uint32_t alpha = colour & 0xFF000000u;
    if (alpha == (colour_ & 0xFF000000u)) return;
    colour_ = (colour_ & 0x00FFFFFFu) | alpha;
    AlphaQuads(&quad_, 1, alpha);
}

// ---------------------------------------------------------------- factories

HResult KGECreateTextSprite(DXLViewer* viewer, KGEFont* font, const KGETextParams* params,
                            const KGETextBox* box, const char16_t* text, uint32_t length,
                            TextTagCallback callback, KGETextSpriteW** out) {
    auto* sprite = KGENew<KGETextSpriteW>(viewer);
    sprite->Init(font, params);
    sprite->SetBox(box);
    *out = sprite;
    return sprite->SetText(text, length, callback);
}

HResult KGECreateText(DXLViewer* viewer, KGEFont* font, const KGETextParams* params, const char16_t* text,
                      uint32_t length, TextTagCallback callback, KGETextW** out) {
    auto* object = KGENew<KGETextW>(viewer);
    object->Init(font, params);
    *out = object;
    return object->SetText(text, length, callback);
}
