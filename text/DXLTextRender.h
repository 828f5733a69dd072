#pragma once
#include "foundation/Helpers.h"

#include <cstdint>
#include <vector>

// What a laid-out rich text (DXLRichText.h) gives besides its items: the
// records of its links, each with the screen rectangles its text covers, and
// in render-to-texture mode one A8R8G8B8 texture holding the whole text,
// composed from the glyph sheets of its fonts (where two glyphs overlap the
// more opaque pixel wins) and drawn through one white quad at (0, 0).
// Hit-testing a point against the rectangles is the caller's.

// One closed LINK tag that covers at least one item, with one rectangle per
// line piece of its text (right and bottom exclusive).
struct DXLTEXTLINK {
    int32_t firstItem = 0;
    int32_t lastItem = 0;
    uint32_t id = 0;
    uint32_t data = 0;
    std::vector<kis::Rect> rects;
};
