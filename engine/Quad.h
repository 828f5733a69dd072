#pragma once
#include "engine/Viewer.h"

#include <cstdint>

// Filling the 96-byte textured quad record the viewer draws.

// A rectangle in float units: left, top, right, bottom (texels, pixels or
// texture coordinates, as the caller says).
struct DXLRectF {
    float left;
    float top;
    float right;
    float bottom;
};

// Fills the four corners (top-left, top-right, bottom-right, bottom-left) of
// the screen rectangle (x0, y0)-(x1, y1), each position shifted by -0.5 so
// that texel centres fall on pixel centres, with z 0, one colour and the
// texture rectangle (u0, v0)-(u1, v1). flipH swaps the u values of the left
// and right corners, flipV the v values of the top and bottom corners.
void FillQuad(TexturedQuad* quad, float x0, float y0, float x1, float y1, float u0, float v0, float u1,
              float v1, uint32_t colour, bool flipH, bool flipV);
