#include "platform/GlyphFace.h"

#include <algorithm>
#include <mutex>

namespace platform {
namespace {

struct ClipRect {
    int32_t left, top, right, bottom;
    bool Empty() const { return left >= right || top >= bottom; }
};

ClipRect ClipOf(const GlyphSurface& surface, const GlyphPaint& paint) {
    ClipRect clip{0, 0, surface.width, surface.height};
    if (paint.clipped) {
        clip.left = std::max(clip.left, paint.clipLeft);
        clip.top = std::max(clip.top, paint.clipTop);
        clip.right = std::min(clip.right, paint.clipRight);
        clip.bottom = std::min(clip.bottom, paint.clipBottom);
    }
    return clip;
}

// Each of the four channels moves from the destination towards the colour by
// coverage / 255, rounded.
uint32_t Blend(uint32_t dst, uint32_t colour, uint32_t coverage) {
    if (coverage >= 255) return colour;
    uint32_t keep = 255 - coverage;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t d = (dst >> shift) & 0xFF;
        uint32_t c = (colour >> shift) & 0xFF;
        out |= ((d * keep + c * coverage + 127) / 255) << shift;
    }
    return out;
}

void FillRect(GlyphSurface& surface, const ClipRect& clip, int32_t left, int32_t top, int32_t right,
              int32_t bottom, uint32_t colour) {
    left = std::max(left, clip.left);
    top = std::max(top, clip.top);
    right = std::min(right, clip.right);
    bottom = std::min(bottom, clip.bottom);
    for (int32_t y = top; y < bottom; ++y) {
        uint32_t* row = surface.pixels + size_t(y) * size_t(surface.pitch);
        std::fill(row + left, row + std::max(left, right), colour);
    }
}

std::mutex gOpenerLock;
GlyphFaceOpener gOpener;

} // namespace

TextExtent GlyphFace::MeasureText(std::u16string_view text) {
    TextExtent extent;
    for (char16_t ch : text)
        extent.width += Advance(ch);
    extent.height = Metrics().height;
    return extent;
}

int32_t GlyphFace::DrawChar(GlyphSurface& surface, int32_t x, int32_t y, char16_t ch,
                            const GlyphPaint& paint) {
    GlyphCoverage ink = Coverage(ch, GlyphLevels::k256);
    const GlyphBox& box = ink.box;
    ClipRect clip = ClipOf(surface, paint);
    if (!surface.pixels || clip.Empty()) return box.advance;

    GlyphFaceMetrics metrics = Metrics();
    if (paint.opaque) FillRect(surface, clip, x, y, x + box.advance, y + metrics.height, paint.background);

    int32_t inkLeft = x + box.originX;
    int32_t inkTop = y + metrics.ascent - box.originY;
    int32_t top = std::max(inkTop, clip.top);
    int32_t bottom = std::min(inkTop + box.height, clip.bottom);
    int32_t left = std::max(inkLeft, clip.left);
    int32_t right = std::min(inkLeft + box.width, clip.right);
    for (int32_t py = top; py < bottom; ++py) {
        uint32_t* row = surface.pixels + size_t(py) * size_t(surface.pitch);
        const uint8_t* coverage = ink.values.data() + size_t(py - inkTop) * size_t(box.width);
        for (int32_t px = left; px < right; ++px) {
            uint8_t c = coverage[px - inkLeft];
            if (c) row[px] = Blend(row[px], paint.foreground, c);
        }
    }

    // The lines run under the whole advance, as text drawing does for
    // underlined and struck-out fonts.
    int32_t baseline = y + metrics.ascent;
    if (Request().underline) {
        int32_t lineTop = baseline + metrics.underlineOffset;
        FillRect(surface, clip, x, lineTop, x + box.advance, lineTop + metrics.underlineThickness,
                 paint.foreground);
    }
    if (Request().strikeOut) {
        int32_t lineTop = baseline + metrics.strikeOutOffset;
        FillRect(surface, clip, x, lineTop, x + box.advance, lineTop + metrics.strikeOutThickness,
                 paint.foreground);
    }
    return box.advance;
}

std::unique_ptr<GlyphFace> OpenGlyphFace(const GlyphFaceRequest& request, std::string* error) {
    GlyphFaceOpener opener;
    {
        std::lock_guard<std::mutex> lock(gOpenerLock);
        opener = gOpener;
    }
    if (opener) return opener(request, error);
    return OpenFreeTypeFace(request, kDejaVuFolder, error);
}

GlyphFaceOpener SetGlyphFaceOpener(GlyphFaceOpener opener) {
    std::lock_guard<std::mutex> lock(gOpenerLock);
    std::swap(gOpener, opener);
    return opener;
}

} // namespace platform
