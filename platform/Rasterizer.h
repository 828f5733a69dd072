#pragma once
#include "platform/GraphicsDevice.h"

// The software device's pixel engine. Primitives arrive in screen space
// (pixels, y down, pixel centres at integer coordinates); positions are
// snapped to 1/256 pixel, coverage follows the top-left rule, and every pixel
// runs through stage buffers of a span: vertex colour, texel, stage-0
// combination, alpha test, blending. Modes are chosen once per primitive, never
// per pixel; the common case (texture selected or modulated by one colour, no
// alpha test) samples, modulates and blends in one pass, with the same values.
namespace platform::raster {

struct Surface {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0; // in pixels
};

struct ClipRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0; // right and bottom exclusive
};

// Everything that decides a pixel's value, resolved from the device states.
struct PixelState {
    const uint32_t* texels = nullptr;                // expanded A8R8G8B8 level, null when no texture is bound
    bool opaque = false;                             // every texel has alpha 255
    const TranslucentRun* translucentRuns = nullptr; // one a texture row, when known
    int textureWidth = 0;
    int textureHeight = 0;
    TextureOp colorOp = TextureOp::Modulate;
    TextureOp alphaOp = TextureOp::SelectArg1;
    TextureFilter minFilter = TextureFilter::Point;
    TextureFilter magFilter = TextureFilter::Point;
    TextureAddress addressU = TextureAddress::Wrap;
    TextureAddress addressV = TextureAddress::Wrap;
    uint32_t borderColour = 0;
    bool alphaTest = false;
    CompareFunc alphaFunc = CompareFunc::Always;
    uint32_t alphaRef = 0;
    bool blend = false;
    Blend srcBlend = Blend::One;
    Blend destBlend = Blend::Zero;
    CullMode cull = CullMode::CounterClockwise;
    bool lastPixel = true;
};

// A vertex after transformation: screen position, colour, texture coordinates.
struct ScreenVertex {
    float x, y;
    uint32_t colour;
    float u, v;
};

void DrawTriangle(const Surface& target, const ClipRect& clip, const PixelState& state, const ScreenVertex& a,
                  const ScreenVertex& b, const ScreenVertex& c);
// Draws a quad given as a fan (v0, v1, v2, v3). Returns false, drawing nothing,
// unless it is an axis-aligned rectangle whose attributes are affine over it;
// then it draws exactly the pixels of the two triangles in one pass per row.
bool DrawRectangle(const Surface& target, const ClipRect& clip, const PixelState& state,
                   const ScreenVertex v[4]);
// Whether DrawRectangle would draw this quad row by row with pixels that do not
// depend on what the target holds (no blend that reads it, no alpha test): then
// out is the rectangle of pixels it writes, every one of them. Draws nothing.
bool OverwrittenRectangle(const ClipRect& clip, const PixelState& state, const ScreenVertex v[4],
                          ClipRect* out);
// Draws the line from a to b without its end pixel, unless includeEnd.
void DrawLine(const Surface& target, const ClipRect& clip, const PixelState& state, const ScreenVertex& a,
              const ScreenVertex& b, bool includeEnd);
void Fill(const Surface& target, const ClipRect& rect, uint32_t colour);

// Whether the shortcuts are taken (the default): an opaque source that a
// blend or a white modulation would give back unchanged is copied, a point
// sampled row reads one texture row, an exact integer magnification repeats
// each texel, and a filtered run that is not a whole number of vector groups
// ends with a group moved back over pixels already filtered. They give the
// same pixels as the general path; tests turn them off to compare. Returns the
// previous setting.
bool UseShortcuts(bool use);

// The widest kernels used, in bits: 512 (AVX-512), 256 (AVX2) or 128 (SSE2),
// each only on processors that have it; by default the widest there is. They all
// give the same pixels; tests narrow them to compare. Returns the previous width.
int UseKernelWidth(int bits);

// 8-bit product with exact rounding: round(a * b / 255) for a, b in 0..255.
constexpr uint32_t MulDiv255(uint32_t a, uint32_t b) {
    uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

} // namespace platform::raster
