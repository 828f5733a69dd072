#pragma once
#include <cstdint>

// Decorations of rendered glyph images (32-bit ARGB, blue in the lowest
// byte): a tinted blit of a glyph's alpha, kernel and radius outlines, and a
// drop shadow. The text layers decide when to call them.

// An outline or glow. The colour's alpha is the effect's strength; glyph
// pixels with an alpha below the threshold are ignored.
struct GlyphEffect {
    uint32_t mode; // 0 = off
    float size;    // outline width in pixels
    uint32_t colour;
    uint8_t threshold;
    uint32_t soft;
};
static_assert(sizeof(GlyphEffect) == 20);

void MakeGlyphEffect(GlyphEffect* effect, uint32_t mode, float size, uint32_t colour, uint8_t threshold,
                     uint32_t soft);
// The record exists, its mode is not 0 and its size lies in 0..32.
bool IsGlyphEffectActive(const GlyphEffect* effect);

struct GlyphShadow {
    uint32_t mode;
    int32_t offsetX;
    int32_t offsetY;
    uint32_t colour;
};
static_assert(sizeof(GlyphShadow) == 16);

void SetInt4(GlyphShadow* shadow, uint32_t mode, int32_t offsetX, int32_t offsetY, uint32_t colour);
// The record exists and its mode is not 0 (off).
bool IsGlyphShadowActive(const GlyphShadow* shadow);

// The weight with which a partly transparent destination pixel keeps its own
// colour when coverage of the given alpha is composed over it.
extern const uint8_t kGlyphCoverage[256];

// Draws the source's alpha, tinted with the colour, into the destination
// shifted by the offsets. Both images have the same size; pitch is in pixels
// (-1 for the width).
void BlitARGB(int width, int height, int pitch, uint32_t* destination, const uint32_t* source, int offsetX,
              int offsetY, uint32_t colour);
// The kernel outline or glow, drawn under the glyph.
void ApplyGlyphKernelOutline(int width, int height, int pitch, uint32_t* pixels, const GlyphEffect* effect);
// The radius-based outline.
void ApplyGlyphOutline(uint32_t* pixels, int width, int height, float size, uint32_t colour,
                       uint8_t threshold);
// The drop shadow. Pixels equal to the key are no glyph (compared on the
// colour bits when the key is a colour without alpha, else on all bits).
void ApplyGlyphShadow(uint32_t* pixels, int width, int height, uint32_t unused, int32_t offsetX,
                      int32_t offsetY, uint32_t colour, uint32_t key);
