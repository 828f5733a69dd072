#include "engine/GlyphEffects.h"

#include "foundation/Colour.h"
#include "foundation/Helpers.h"
#include "foundation/Vector2.h"

#include <algorithm>
#include <vector>

const uint8_t kGlyphCoverage[256] = {
    0,   15,  22,  26,  30,  30,  34,  36,  39,  42,  41,  44,  46,  48,  48,  50,  //
    51,  50,  53,  55,  56,  57,  58,  59,  60,  61,  62,  62,  63,  65,  65,  66,  //
    67,  67,  68,  67,  69,  70,  70,  71,  72,  73,  74,  73,  75,  76,  76,  76,  //
    76,  77,  78,  79,  79,  79,  80,  81,  81,  82,  82,  83,  83,  84,  83,  84,  //
    86,  86,  86,  86,  87,  87,  88,  88,  89,  89,  89,  90,  90,  90,  91,  92,  //
    91,  92,  92,  93,  93,  94,  93,  94,  93,  95,  95,  96,  95,  96,  97,  97,  //
    96,  97,  98,  98,  99,  98,  98,  99,  99,  100, 100, 100, 100, 101, 101, 102, //
    101, 102, 102, 103, 102, 103, 103, 103, 103, 104, 104, 105, 105, 105, 105, 106, //
    106, 106, 106, 106, 107, 107, 107, 108, 108, 108, 108, 109, 109, 109, 109, 109, //
    109, 109, 110, 110, 110, 110, 111, 111, 111, 111, 111, 112, 111, 111, 112, 113, //
    113, 112, 113, 113, 114, 114, 114, 114, 114, 115, 115, 115, 115, 115, 115, 116, //
    116, 115, 115, 116, 117, 117, 117, 117, 117, 118, 118, 118, 118, 118, 118, 118, //
    119, 119, 119, 119, 119, 120, 120, 120, 120, 120, 120, 120, 120, 121, 121, 121, //
    121, 121, 121, 121, 122, 122, 121, 122, 122, 123, 123, 123, 123, 123, 123, 123, //
    123, 124, 124, 124, 124, 124, 124, 124, 125, 125, 125, 125, 125, 125, 125, 125, //
    126, 126, 126, 126, 126, 126, 126, 126, 127, 127, 127, 127, 127, 127, 127, 127, //
};

namespace {

uint32_t AlphaOf(uint32_t argb) {
    return argb >> 24;
}

// Puts coverage a of colour rgb onto a destination pixel.
void Compose(uint32_t& pixel, uint32_t a, uint32_t rgb) {
    const uint32_t d = AlphaOf(pixel);
    if (d == 255) return;
    if (d == 0) {
        if (a != 0) pixel = (rgb & 0x00FFFFFF) | a << 24;
        return;
    }
    const int t = kGlyphCoverage[a & 0xFF];
    const int u = 255 - t;
    const int di = int(d);
    const int f = di >= t ? u + t * (di - t) / u : u * di / t;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int c = int((rgb >> shift) & 0xFF);
        const int dst = int((pixel >> shift) & 0xFF);
        out |= uint32_t(c + (dst - c) * f / 255) << shift;
    }
    const uint32_t alpha = a + (255 - a) * d / 255;
    pixel = out | alpha << 24;
}

int PitchOf(int pitch, int width) {
    return pitch == -1 ? width : pitch;
}

} // namespace

void MakeGlyphEffect(GlyphEffect* effect, uint32_t mode, float size, uint32_t colour, uint8_t threshold,
                     uint32_t soft) {
    if (!effect) return;
    effect->mode = mode;
    effect->size = size;
    effect->colour = colour;
    effect->threshold = threshold;
    effect->soft = soft;
}

bool IsGlyphEffectActive(const GlyphEffect* effect) {
    return effect && effect->mode != 0 && effect->size >= 0.0f && effect->size <= 32.0f;
}

bool IsGlyphShadowActive(const GlyphShadow* shadow) {
    return shadow && shadow->mode != 0;
}

void SetInt4(GlyphShadow* shadow, uint32_t mode, int32_t offsetX, int32_t offsetY, uint32_t colour) {
    if (!shadow) return;
    shadow->mode = mode;
    shadow->offsetX = offsetX;
    shadow->offsetY = offsetY;
    shadow->colour = colour;
}

void BlitARGB(int width, int height, int pitch, uint32_t* destination, const uint32_t* source, int offsetX,
              int offsetY, uint32_t colour) {
    if (!source || !destination || width < 1 || height < 1) return;
    if (std::abs(offsetX) >= width || std::abs(offsetY) >= height) return;
    pitch = PitchOf(pitch, width);
    if (pitch < width) return;
    const uint32_t colourAlpha = AlphaOf(colour);
    for (int y = 0; y < height; ++y) {
        const int ty = y + offsetY;
        if (ty < 0 || ty >= height) continue;
        for (int x = 0; x < width; ++x) {
            const int tx = x + offsetX;
            const uint32_t s = AlphaOf(source[size_t(y) * pitch + x]);
            if (s == 0 || tx < 0 || tx >= width) continue;
            const uint32_t a = colourAlpha < 255 ? s * colourAlpha / 255 : s;
            Compose(destination[size_t(ty) * pitch + tx], a, colour);
        }
    }
}

void ApplyGlyphKernelOutline(int width, int height, int pitch, uint32_t* pixels, const GlyphEffect* effect) {
    if (!pixels || !IsGlyphEffectActive(effect)) return;
    if (width < 1 || width > 16384 || height < 1 || height > 16384 || int64_t(width) * height > 0x2000000)
        return;
    pitch = PitchOf(pitch, width);
    if (pitch < width) return;

    // The size rounded to thousandths, plus one.
    int32_t scaled = int32_t(effect->size * 100000.0f);
    if (scaled % 100 > 50) scaled += 100;
    const float size = float(scaled / 100) / 1000.0f + 1.0f;
    const uint32_t threshold = effect->threshold == 0 ? 1 : effect->threshold;
    const int A = int(AlphaOf(effect->colour));

    const int D = 2 * kis::Ceil(size) - 1;
    if (D >= 64 || D < 1) return;
    const int R = D / 2;
    // The soft weight can exceed the strength where the kernel is more than
    // one pixel inside the outline; it is limited when used.
    std::vector<int> hard(size_t(D) * D, 0), soft(size_t(D) * D, 0);
    for (int dy = 0; dy <= R; ++dy) {
        for (int dx = 0; dx <= R; ++dx) {
            const float t = size - kis::SqrtF(float(dx * dx + dy * dy));
            int h = 0, s = 0;
            if (t > 0) {
                h = t >= 1 ? A : int(float(A) * t);
                s = int(float(A) * t);
            }
            for (int sy : {-1, 1}) {
                for (int sx : {-1, 1}) {
                    const size_t k = size_t(R + sy * dy) * D + size_t(R + sx * dx);
                    hard[k] = h;
                    soft[k] = s;
                }
            }
        }
    }

    auto alphaAt = [&](int x, int y) { return AlphaOf(pixels[size_t(y) * pitch + x]); };
    std::vector<uint8_t> layer(size_t(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t g = alphaAt(x, y);
            if (g < threshold) continue;
            // The kernel spreads only towards neighbours of lower alpha.
            const int l = (x == 0 || alphaAt(x - 1, y) < g) ? std::min(x, R) : 0;
            const int r = (x == width - 1 || alphaAt(x + 1, y) < g) ? std::min(width - 1 - x, R) : 0;
            const int u = (y == 0 || alphaAt(x, y - 1) < g) ? std::min(y, R) : 0;
            const int d = (y == height - 1 || alphaAt(x, y + 1) < g) ? std::min(height - 1 - y, R) : 0;
            for (int ky = -u; ky <= d; ++ky) {
                uint8_t* row = &layer[size_t(y + ky) * width];
                const size_t kernelRow = size_t(R + ky) * D;
                for (int kx = -l; kx <= r; ++kx) {
                    const size_t k = kernelRow + size_t(R + kx);
                    int value;
                    if (g > 254)
                        value = hard[k];
                    else if (effect->soft)
                        value = std::min(soft[k] * int(g) / 255, A);
                    else
                        value = std::clamp(A * int(g) / 255 - 255 + hard[k], 0, A);
                    uint8_t& cell = row[x + kx];
                    cell = uint8_t(std::max(int(cell), value));
                }
            }
        }
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            Compose(pixels[size_t(y) * pitch + x], layer[size_t(y) * width + x], effect->colour);
}

void ApplyGlyphOutline(uint32_t* pixels, int width, int height, float size, uint32_t colour,
                       uint8_t threshold) {
    if (!pixels || width < 1 || height < 1) return;
    const size_t count = size_t(width) * height;
    std::vector<uint32_t> layer(count, 0);
    const uint32_t rgb = colour & 0x00FFFFFF;
    const float A = float(AlphaOf(colour));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t g = AlphaOf(pixels[size_t(y) * width + x]);
            if (g < threshold) continue;
            const float r = float(g) * size / 255.0f;
            if (kis::AbsF(r) < 0.00001f) continue;
            const int y0 = std::max(kis::Floor(float(y) - r), 0),
                      y1 = std::min(kis::Ceil(float(y) + r), height - 1);
            const int x0 = std::max(kis::Floor(float(x) - r), 0),
                      x1 = std::min(kis::Ceil(float(x) + r), width - 1);
            for (int ty = y0; ty <= y1; ++ty) {
                for (int tx = x0; tx <= x1; ++tx) {
                    const float t = std::clamp(r - kis::VectorLengthI(x - tx, y - ty) + 1.0f, 0.0f, 1.0f);
                    uint32_t& cell = layer[size_t(ty) * width + tx];
                    const uint32_t alpha = std::max(AlphaOf(cell), uint32_t(kis::Round(A * t)));
                    cell = rgb | alpha << 24;
                }
            }
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t l = layer[i];
        if (AlphaOf(l) < 1) continue;
        const uint32_t p = pixels[i];
        const uint32_t mixed = kis::LerpColorRGB(l, p, float(AlphaOf(p)) / 255.0f);
        pixels[i] = (mixed & 0x00FFFFFF) | std::max(AlphaOf(l), AlphaOf(p)) << 24;
    }
}

void ApplyGlyphShadow(uint32_t* pixels, int width, int height, uint32_t unused, int32_t offsetX,
                      int32_t offsetY, uint32_t colour, uint32_t key) {
    (void)unused;
    if (!pixels || width < 1 || height < 1) return;
    const size_t count = size_t(width) * height;
    std::vector<uint32_t> layer(count, 0);
    const bool colourKey = key != 0 && key < 0x01000000;
    const uint32_t rgb = colour & 0x00FFFFFF;
    const uint32_t colourAlpha = AlphaOf(colour);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * width + x];
            const bool glyph = colourKey ? (p & 0x00FFFFFF) != key : p != key;
            if (!glyph) continue;
            const int64_t tx = int64_t(x) + offsetX, ty = int64_t(y) + offsetY;
            // The last row and column receive no shadow.
            if (tx < 0 || tx > width - 2 || ty < 0 || ty > height - 2) continue;
            const uint32_t alpha = uint32_t(kis::Round(float(AlphaOf(p)) * float(colourAlpha) / 255.0f));
            layer[size_t(ty) * width + size_t(tx)] = rgb | alpha << 24;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t l = layer[i];
        uint32_t p = pixels[i];
        if (AlphaOf(l) >= 1)
            p = (kis::LerpColorRGB(l, p, float(AlphaOf(p)) / 255.0f) & 0x00FFFFFF) | (p & 0xFF000000);
        pixels[i] = (p & 0x00FFFFFF) | std::max(AlphaOf(p), AlphaOf(l)) << 24;
    }
}
