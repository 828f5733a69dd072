#include "engine/Quad.h"
#include "engine/Texture.h"

#include <new>
#include <utility>

void FillQuad(TexturedQuad* quad, float x0, float y0, float x1, float y1, float u0, float v0, float u1,
              float v1, uint32_t colour, bool flipH, bool flipV) {
    if (flipH) std::swap(u0, u1);
    if (flipV) std::swap(v0, v1);
    x0 -= 0.5f;
    y0 -= 0.5f;
    x1 -= 0.5f;
    y1 -= 0.5f;
    quad->v[0] = {x0, y0, 0.0f, colour, u0, v0};
    quad->v[1] = {x1, y0, 0.0f, colour, u1, v0};
    quad->v[2] = {x1, y1, 0.0f, colour, u1, v1};
    quad->v[3] = {x0, y1, 0.0f, colour, u0, v1};
}

namespace {

// The caller's record, or a new one the caller frees.
TexturedQuad* Target(TexturedQuad* quad) {
    return quad ? quad : new (std::nothrow) TexturedQuad;
}

} // namespace

// Texel divisors: the device texture's size, or 1 for a texture under two
// texels wide (or not loaded), so that a division never goes by zero.
float DXLTexture::TexelWidth() const {
    return textureWidth_ >= 2 ? float(textureWidth_) : 1.0f;
}

float DXLTexture::TexelHeight() const {
    return textureHeight_ >= 2 ? float(textureHeight_) : 1.0f;
}

TexturedQuad* DXLTexture::MakeQuad(TexturedQuad* quad, float x, float y, uint32_t colour, bool flipH,
                                   bool flipV) const {
    return MakeQuadSized(quad, x, y, float(imageWidth_), float(imageHeight_), colour, flipH, flipV);
}

TexturedQuad* DXLTexture::MakeQuadInt(TexturedQuad* quad, int32_t x, int32_t y, uint32_t colour, bool flipH,
                                      bool flipV) const {
    return MakeQuad(quad, float(x), float(y), colour, flipH, flipV);
}

TexturedQuad* DXLTexture::MakeQuadSized(TexturedQuad* quad, float x, float y, float width, float height,
                                        uint32_t colour, bool flipH, bool flipV) const {
    TexturedQuad* q = Target(quad);
    if (q)
        FillQuad(q, x, y, x + width, y + height, uStart_, vStart_, uEnd_, vEnd_, QuadColour(colour), flipH,
                 flipV);
    return q;
}

TexturedQuad* DXLTexture::MakeQuadIntoRect(TexturedQuad* quad, const kis::Rect& destination, uint32_t colour,
                                           bool flipH, bool flipV) const {
    TexturedQuad* q = Target(quad);
    if (q)
        FillQuad(q, float(destination.left), float(destination.top), float(destination.right),
                 float(destination.bottom), uStart_, vStart_, uEnd_, vEnd_, QuadColour(colour), flipH, flipV);
    return q;
}

TexturedQuad* DXLTexture::MakeQuadUV(TexturedQuad* quad, const DXLRectF& destination, const DXLRectF& uv,
                                     uint32_t colour, bool flipH, bool flipV) const {
    TexturedQuad* q = Target(quad);
    if (q)
        FillQuad(q, destination.left, destination.top, destination.right, destination.bottom, uv.left, uv.top,
                 uv.right, uv.bottom, QuadColour(colour), flipH, flipV);
    return q;
}

TexturedQuad* DXLTexture::MakeQuadRectToRect(TexturedQuad* quad, const DXLRectF& destination,
                                             const DXLRectF& source, uint32_t colour, bool flipH,
                                             bool flipV) const {
    const float tw = TexelWidth(), th = TexelHeight();
    const DXLRectF uv{source.left / tw, source.top / th, source.right / tw, source.bottom / th};
    return MakeQuadUV(quad, destination, uv, colour, flipH, flipV);
}

TexturedQuad* DXLTexture::MakeQuadRectToRectI(TexturedQuad* quad, const kis::Rect& destination,
                                              const kis::Rect& source, uint32_t colour, bool flipH,
                                              bool flipV) const {
    const DXLRectF d{float(destination.left), float(destination.top), float(destination.right),
                     float(destination.bottom)};
    const DXLRectF s{float(source.left), float(source.top), float(source.right), float(source.bottom)};
    return MakeQuadRectToRect(quad, d, s, colour, flipH, flipV);
}

TexturedQuad* DXLTexture::MakeQuadFromRect(TexturedQuad* quad, float x, float y, const kis::Rect& source,
                                           uint32_t colour, bool flipH, bool flipV) const {
    const DXLRectF s{float(source.left), float(source.top), float(source.right), float(source.bottom)};
    return MakeQuadPartAt(quad, x, y, s, colour, flipH, flipV);
}

TexturedQuad* DXLTexture::MakeQuadPartAt(TexturedQuad* quad, float x, float y, const DXLRectF& source,
                                         uint32_t colour, bool flipH, bool flipV) const {
    const DXLRectF d{x, y, x + (source.right - source.left), y + (source.bottom - source.top)};
    return MakeQuadRectToRect(quad, d, source, colour, flipH, flipV);
}

TexturedQuad* DXLTexture::MakeQuadFromArea(TexturedQuad* quad, float x, float y, float sourceX, float sourceY,
                                           float width, float height, uint32_t colour, bool flipH,
                                           bool flipV) const {
    return MakeQuadStretched(quad, x, y, width, height, sourceX, sourceY, width, height, colour, flipH,
                             flipV);
}

TexturedQuad* DXLTexture::MakeQuadStretched(TexturedQuad* quad, float x, float y, float width, float height,
                                            float sourceX, float sourceY, float sourceWidth,
                                            float sourceHeight, uint32_t colour, bool flipH,
                                            bool flipV) const {
    const DXLRectF d{x, y, x + width, y + height};
    const DXLRectF s{sourceX, sourceY, sourceX + sourceWidth, sourceY + sourceHeight};
    return MakeQuadRectToRect(quad, d, s, colour, flipH, flipV);
}

TexturedQuad* DXLTexture::BuildQuadExInt(TexturedQuad* quad, int32_t x, int32_t y, int32_t width,
                                         int32_t height, int32_t sourceX, int32_t sourceY,
                                         int32_t sourceWidth, int32_t sourceHeight, uint32_t colour,
                                         bool flipH, bool flipV) const {
    return MakeQuadStretched(quad, float(x), float(y), float(width), float(height), float(sourceX),
                             float(sourceY), float(sourceWidth), float(sourceHeight), colour, flipH, flipV);
}

TexturedQuad* DXLTexture::BuildQuadScaledInt(TexturedQuad* quad, int32_t x, int32_t y, int32_t sourceX,
                                             int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                             uint32_t colour, bool flipH, bool flipV) const {
    return MakeQuadFromArea(quad, float(x), float(y), float(sourceX), float(sourceY), float(sourceWidth),
                            float(sourceHeight), colour, flipH, flipV);
}
