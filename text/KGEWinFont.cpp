#include "text/KGEWinFont.h"

#include "platform/GlyphFace.h"
#include "text/OutOfMemory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The largest sheet the glyphs are drawn into before they become a texture.
constexpr int64_t kMaxSheetPixels = 4096 * 4096;

int32_t RoundWeight(int32_t weight) {
    weight = std::clamp(weight, 0, 1000);
    return (weight + 50) / 100 * 100;
}

int32_t NextPowerOfTwo(int32_t value) {
    int32_t p = 1;
    while (p < value && p < (1 << 30))
        p <<= 1;
    return p;
}

} // namespace

KGEWinFont::KGEWinFont(DXLViewer* viewer) : KGEFont(kWinFontMagic[0], kWinFontMagic[1], viewer) {}

KGEWinFont::~KGEWinFont() {
    Release(true);
    delete texture_;
    texture_ = nullptr;
}

HResult KGEWinFont::CreateGlyphFace() {
    face_.reset();
    platform::GlyphFaceRequest request;
    size_t nameLength = 0;
    while (nameLength < 31 && desc_.faceName[nameLength])
        ++nameLength;
    request.faceName.assign(desc_.faceName, nameLength);
    request.height = -((desc_.pointSize * platform::kGlyphDpi + 36) / 72);
    request.weight = (desc_.style & kFontStyleBold) ? platform::kGlyphWeightBold : desc_.weight;
    request.italic = desc_.style & kFontStyleItalic;
    request.underline = desc_.style & kFontStyleUnderline;
    request.strikeOut = desc_.style & kFontStyleStrikeOut;
    request.quality = desc_.quality;
    face_ = platform::OpenGlyphFace(request);
    return face_ ? 0 : kKgeFontNotCreated;
}

HResult KGEWinFont::Build(bool wide, uint32_t effectFlags, const KGEWinFontDesc* desc, uint32_t spaceSetting,
                          uint32_t defaultChar, uint32_t glyphCount, const void* chars,
                          const GlyphEffect* outline, const GlyphShadow* shadow) {
    margins_ = kis::Rect{0, 0, 0, 0};
    adjustX_ = adjustY_ = extraX_ = extraY_ = 0;
    outline_.reset();
    shadow_.reset();
    if (!desc) return kKgeFontNotCreated;

    if (effectFlags & kFontEffectOutline) {
        if (!outline) return kKgeMissingOutline;
        if (IsGlyphEffectActive(outline)) {
            outline_ = std::make_unique<GlyphEffect>(*outline);
            int32_t ceiling = kis::Ceil(outline->size);
            int32_t rounded = kis::Round(outline->size);
            margins_ = kis::Rect{ceiling, ceiling, ceiling, ceiling};
            adjustX_ = rounded - margins_.left;
            adjustY_ = rounded - margins_.top;
            extraX_ = extraY_ = 2 * rounded;
        }
    }
    if (effectFlags & kFontEffectShadow) {
        if (!shadow) return kKgeMissingShadow;
        if (IsGlyphShadowActive(shadow)) {
            shadow_ = std::make_unique<GlyphShadow>(*shadow);
            if (shadow->offsetX >= 0) {
                margins_.right += shadow->offsetX;
            } else {
                margins_.left -= shadow->offsetX;
                adjustX_ += shadow->offsetX;
            }
            if (shadow->offsetY >= 0) {
                margins_.bottom += shadow->offsetY;
            } else {
                margins_.top -= shadow->offsetY;
                adjustY_ += shadow->offsetY;
            }
        }
    }

    AllocGlyphs(desc->charset, glyphCount);
    if (wide)
        SetChars(static_cast<const char16_t*>(chars), glyphCount);
    else
        SetCharsA(static_cast<const char*>(chars), glyphCount);

    desc_ = *desc;
    desc_.pointSize = std::clamp(desc->pointSize, 0, kMaxPointSize);
    desc_.weight = RoundWeight(desc->weight);
    desc_.style = desc->style & 0x0F;
    desc_.colour = desc->colour & 0x00FFFFFF;
    // Names from streams may fill all 32 characters; the face gets at most 31.
    desc_.faceName[31] = 0;
    desc_.effectFlags = effectFlags;
    desc_.spaceSetting = spaceSetting;

    HResult hr = CreateGlyphFace();
    if (hr != 0) return hr;
    const platform::GlyphFaceMetrics metrics = face_->Metrics();
    SetCellHeight(metrics.height + margins_.top + margins_.bottom);
    AllocImages(glyphCount_);

    int32_t space = spaceSetting == kSpaceFromFont ? face_->Advance(u' ') : int32_t(spaceSetting);
    char16_t defaultCharacter = wide ? char16_t(defaultChar) : byteMap_[defaultChar & 0xFF];
    SetMetrics(extraY_ + metrics.height, extraY_ + metrics.ascent, space, defaultCharacter);

    for (uint32_t i = 0; i < glyphCount_; ++i) {
        KGEGlyph& glyph = glyphs_[i];
        const platform::GlyphBox box = face_->Box(glyph.character);
        glyph.advance = box.advance + extraX_;
        glyph.image = i;
        images_[i].width = std::max(box.width + margins_.left + margins_.right + 2, box.advance);
        glyph.offsetX = adjustX_ + box.originX - 1;
        glyph.offsetY = adjustY_;
    }

    BuildCharMap();
    if (effectFlags & kFontEffectKerning) LoadKerningPairs();
    PackImages();
    face_.reset();
    return 0;
}

void KGEWinFont::LoadKerningPairs() {
    std::vector<platform::KerningPair> facePairs = face_->KerningPairs();
    std::vector<KGECharKerning> pairs;
    pairs.reserve(facePairs.size());
    for (const platform::KerningPair& pair : facePairs)
        if (pair.amount != 0) pairs.push_back(KGECharKerning{pair.first, pair.second, pair.amount});
    // A table too large for the glyphs leaves the font without kerning.
    if (SetKerning(pairs.data(), uint32_t(pairs.size())) != 0) SetKerning(nullptr, 0);
}

void KGEWinFont::PackImages() {
    KGEGridRecord grid{kGridSkip | kGridRect, 1, 1, kis::Rect{0, 0, 0, 1024}, kis::Rect{0, 0, 0, 0}};
    int32_t bestWidth = 0, bestHeight = 0;
    int64_t bestArea = 0;
    int32_t lastTried = 0;
    for (int32_t width = 32; width <= 1024; width *= 2) {
        if (bestArea != 0 && int64_t(width) * 32 > bestArea) break;
        grid.rect.right = width;
        int32_t used = 0;
        lastTried = width;
        if (!LayoutImages(width != 1024, &grid, &used)) continue;
        int32_t height = NextPowerOfTwo(used);
        int64_t area = int64_t(width) * height;
        bool better = bestArea == 0 || area < bestArea ||
                      (area == bestArea && std::abs(width - height) < std::abs(bestWidth - bestHeight));
        if (better) {
            bestArea = area;
            bestWidth = width;
            bestHeight = height;
        }
    }
    if (lastTried != bestWidth) {
        grid.rect.right = bestWidth;
        LayoutImages(false, &grid, nullptr);
    }
    packedWidth_ = bestWidth;
    packedHeight_ = bestHeight;
}

HResult KGEWinFont::Rasterize() {
    HResult hr = CreateGlyphFace();
    if (hr != 0) return hr;
    const int32_t width = packedWidth_;
    const int32_t height = packedHeight_;
    if (width < 1 || height < 1 || int64_t(width) * height > kMaxSheetPixels) return kKgeRasterizeFailed;

    // The glyphs are drawn red on black; the red intensity is the coverage.
    std::vector<uint32_t> sheet(size_t(width) * size_t(height), 0);
    platform::GlyphSurface surface{sheet.data(), width, height, width};
    for (uint32_t i = 0; i < glyphCount_; ++i) {
        const KGEGlyph& glyph = glyphs_[i];
        if (glyph.image >= imageCount_) continue;
        const KGEImageRecord& image = images_[glyph.image];
        platform::GlyphPaint paint;
        paint.foreground = 0x00FF0000;
        paint.background = 0;
        paint.opaque = true;
        paint.clipped = true;
        paint.clipLeft = image.x;
        paint.clipTop = image.y;
        paint.clipRight = image.x + image.width;
        paint.clipBottom = image.y + cellHeight_;
        face_->DrawChar(surface, image.x - glyph.offsetX + margins_.left + adjustX_, image.y + margins_.top,
                        glyph.character, paint);
    }
    face_.reset();

    texture_->Create(width, height, kFormatA8R8G8B8, false);
    if (!texture_->IsLive() || texture_->GetTextureWidth() != width || texture_->GetTextureHeight() != height)
        return kKgeRasterizeFailed;
    auto* bits = static_cast<uint8_t*>(texture_->Lock(0));
    if (!bits) return kKgeRasterizeFailed;
    const int32_t pitch = texture_->GetLockedPitch();
    const uint32_t glyphColour = desc_.colour & 0x00FFFFFF;
    const uint32_t emptyColour = outline_ ? outline_->colour & 0x00FFFFFF : glyphColour;
    for (int32_t y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(bits + size_t(y) * size_t(pitch));
        const uint32_t* source = sheet.data() + size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t coverage = (source[x] >> 16) & 0xFF;
            row[x] = coverage ? (coverage << 24) | glyphColour : emptyColour;
        }
    }
    auto* pixels = reinterpret_cast<uint32_t*>(bits);
    const int32_t pitchInPixels = pitch / 4;
    if (outline_) ApplyGlyphKernelOutline(width, height, pitchInPixels, pixels, outline_.get());
    if (shadow_ && pitchInPixels == width)
        ApplyGlyphShadow(pixels, width, height, shadow_->mode, shadow_->offsetX, shadow_->offsetY,
                         shadow_->colour, 0);
    texture_->Unlock();
    return 0;
}

HResult KGEWinFont::Restore() {
    if (!texture_) {
        texture_ = KGENew<DXLTexture>(viewer_);
        texture_->SetImageFilter(kImageFilterNone);
        texture_->SetState(MakeTextureStateUniform(1, 3, kBlendAlpha, 4));
    }
    if (!texture_->IsLive()) {
        HResult hr = Rasterize();
        face_.reset();
        if (hr != 0) return hr;
    }
    return KGEFont::Restore();
}

void KGEWinFont::Invalidate() {
    KGEFont::Invalidate();
    delete texture_;
    texture_ = nullptr;
}

HResult KGEWinFont::OnReset() {
    if (users_ == 0) return 0;
    return Rebuild();
}

HResult KGECreateWinFontIndirect(DXLViewer* viewer, uint32_t effectFlags, const KGEWinFontDesc* desc,
                                 uint32_t spaceSetting, uint32_t glyphCount, const char16_t* chars,
                                 char16_t defaultChar, const GlyphEffect* outline, const GlyphShadow* shadow,
                                 int32_t tracking, int32_t leading, uint32_t quadColour, KGEWinFont** out) {
    if (out) *out = nullptr;
    if (!chars) return kKgeMissingChars;
    if (glyphCount == 0x80000000u || glyphCount == 0xFFFFFFFFu) {
        glyphCount = 0;
        while (glyphCount < kKgeMaxGlyphs && chars[glyphCount])
            ++glyphCount;
    }
    auto* font = KGENew<KGEWinFont>(viewer);
    HResult hr =
        font->Build(true, effectFlags, desc, spaceSetting, defaultChar, glyphCount, chars, outline, shadow);
    if (hr != 0) {
        delete font;
        return hr;
    }
    font->SetTracking(tracking);
    font->SetLeading(leading);
    font->SetColour(quadColour);
    if (out)
        *out = font;
    else
        delete font;
    return 0;
}

HResult KGECreateWinFont(DXLViewer* viewer, uint32_t effectFlags, int32_t pointSize, int32_t weight,
                         uint32_t charset, uint8_t style, uint8_t pitchAndFamily, uint8_t quality,
                         uint32_t colour, const char16_t* faceName, uint32_t spaceSetting,
                         uint32_t glyphCount, const char16_t* chars, char16_t defaultChar,
                         const GlyphEffect* outline, const GlyphShadow* shadow, int32_t tracking,
                         int32_t leading, uint32_t quadColour, KGEWinFont** out) {
    KGEWinFontDesc desc{};
    desc.pointSize = pointSize;
    desc.weight = weight;
    desc.charset = charset;
    desc.style = style;
    desc.pitchAndFamily = pitchAndFamily;
    desc.quality = quality;
    desc.colour = colour;
    for (int i = 0; faceName && i < 32 && faceName[i]; ++i)
        desc.faceName[i] = faceName[i];
    desc.effectFlags = effectFlags;
    desc.spaceSetting = spaceSetting;
    return KGECreateWinFontIndirect(viewer, effectFlags, &desc, spaceSetting, glyphCount, chars, defaultChar,
                                    outline, shadow, tracking, leading, quadColour, out);
}

HResult KGECreateDebugFonts(DXLViewer* viewer, KGEWinFont* out[kDebugFontCount]) {
    static const char16_t kChars[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
                                     u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"
                                     u"\u0410\u0411\u0412\u0413\u0414\u0415\u0401\u0416\u0417\u0418\u0419"
                                     u"\u041A\u041B\u041C\u041D\u041E\u041F\u0420\u0421\u0422\u0423\u0424"
                                     u"\u0425\u0426\u0427\u0428\u0429\u042A\u042B\u042C\u042D\u042E\u042F"
                                     u"\u0430\u0431\u0432\u0433\u0434\u0435\u0451\u0436\u0437\u0438\u0439"
                                     u"\u043A\u043B\u043C\u043D\u043E\u043F\u0440\u0441\u0442\u0443\u0444"
                                     u"\u0445\u0446\u0447\u0448\u0449\u044A\u044B\u044C\u044D\u044E\u044F";
    struct Setting {
        int32_t points;
        uint32_t effects;
        int32_t tracking;
        uint32_t quadColour;
        uint32_t glyphColour;
    };
    static constexpr Setting kSettings[kDebugFontCount] = {
        {10, kFontEffectKerning, 0, 0xFFFFFF00u, 0xFFFFFFu},
        {10, kFontEffectKerning | kFontEffectOutline | kFontEffectShadow, -2, 0xFFFFFFFFu, 0xFFFFFFu},
        {8, kFontEffectKerning | kFontEffectOutline, -2, 0xFFFFFFFFu, 0xFFFFFF00u},
    };
    GlyphEffect outline;
    MakeGlyphEffect(&outline, 1, 1.0f, 0xFF000000u, 1, 0);
    GlyphShadow shadow;
    SetInt4(&shadow, 1, 2, 2, 0x80000000u);

    for (int i = 0; i < kDebugFontCount; ++i)
        out[i] = nullptr;
    for (int i = 0; i < kDebugFontCount; ++i) {
        const Setting& s = kSettings[i];
        HResult hr = KGECreateWinFont(viewer, s.effects, s.points, 0, kCharsetDefault, kFontStyleBold, 0, 5,
                                      s.glyphColour, u"Arial", kSpaceFromFont, 0xFFFFFFFFu, kChars, 0,
                                      &outline, &shadow, s.tracking, 0, s.quadColour, &out[i]);
        if (hr == 0) hr = out[i]->AddRef();
        if (hr != 0) {
            for (int k = 0; k <= i; ++k) {
                delete out[k];
                out[k] = nullptr;
            }
            return hr;
        }
    }
    return 0;
}
