#include "levelui/LevelSheet.h"

#include "sprites/Sprite.h"

namespace {

constexpr kis::Rect R(int32_t x, int32_t y, int32_t w, int32_t h) {
    return {x, y, x + w, y + h};
}

// The sheet's layout (content/art/level/level.svg draws the same rectangles).
const LevelPieceInfo kPieces[kLevelPieceCount] = {
    {R(0, 0, 16, 115), {0, 8, 0, 8}},       // edge
    {R(16, 0, 64, 115), {12, 12, 12, 12}},  // goals frame
    {R(80, 0, 64, 115), {12, 12, 12, 12}},  // child frame
    {R(144, 0, 101, 115), {0, 0, 0, 0}},    // warehouse block
    {R(245, 0, 8, 115), {0, 12, 0, 12}},    // seam
    {R(256, 0, 48, 31), {10, 0, 0, 10}},    // menu corner
    {R(304, 0, 48, 28), {6, 8, 6, 8}},      // menu button
    {R(256, 32, 32, 91), {0, 0, 0, 0}},     // child background
    {R(288, 32, 48, 91), {10, 10, 10, 10}}, // child strip
    {R(0, 128, 32, 76), {8, 8, 8, 8}},      // choice button, kHidden first
    {R(32, 128, 32, 76), {8, 8, 8, 8}},
    {R(64, 128, 32, 76), {8, 8, 8, 8}},
    {R(96, 128, 32, 76), {8, 8, 8, 8}},
    {R(128, 128, 32, 76), {8, 8, 8, 8}}, // icon button, kHidden first
    {R(160, 128, 32, 76), {8, 8, 8, 8}},
    {R(192, 128, 32, 76), {8, 8, 8, 8}},
    {R(224, 128, 32, 76), {8, 8, 8, 8}},
    {R(256, 128, 4, 76), {0, 8, 0, 8}},   // joint
    {R(264, 128, 100, 77), {0, 0, 0, 0}}, // level block
    {R(0, 208, 143, 36), {0, 0, 0, 0}},   // marks background
    {R(144, 208, 21, 20), {0, 0, 0, 0}},  // mark off
    {R(166, 208, 21, 20), {0, 0, 0, 0}},  // mark on
    {R(188, 208, 18, 17), {0, 0, 0, 0}},  // small mark
    {R(0, 248, 46, 21), {0, 0, 0, 0}},    // level pictures 1-3, 22 px apart
    {R(0, 270, 46, 21), {0, 0, 0, 0}},
    {R(0, 292, 46, 21), {0, 0, 0, 0}},
    {R(208, 208, 48, 108), {12, 12, 12, 12}}, // goal frame (met at x + 54)
    {R(368, 0, 54, 48), {0, 0, 0, 0}},        // bonus frames, 50 px apart
    {R(368, 50, 54, 48), {0, 0, 0, 0}},
    {R(368, 100, 54, 48), {0, 0, 0, 0}},
    {R(368, 150, 54, 48), {0, 0, 0, 0}},
    {R(368, 200, 54, 48), {0, 0, 0, 0}},
    {R(368, 250, 54, 48), {0, 0, 0, 0}},
    {R(0, 320, 79, 94), {0, 0, 0, 0}},     // warehouse button: three looks 80 px apart
    {R(240, 320, 93, 47), {31, 0, 31, 0}}, // money strip piece
};

} // namespace

const LevelPieceInfo& GetLevelPiece(int32_t piece) {
    static const LevelPieceInfo none{{0, 0, 0, 0}, {0, 0, 0, 0}};
    return piece >= 0 && piece < kLevelPieceCount ? kPieces[piece] : none;
}

Sprite* GetLevelSpriteGroup() {
    // Looked up by name each time: the libraries may be loaded again during a run.
    return GetSprite(1, u"level");
}

void AddLevelPiece(std::vector<SkinQuads>* list, int32_t piece, const kis::Rect& rect, uint32_t colour,
                   int32_t dx, int32_t dy, uint32_t flags) {
    Sprite* sheet = GetLevelSpriteGroup();
    if (!sheet || !sheet->Acquire() || rect.right <= rect.left || rect.bottom <= rect.top) return;
    const LevelPieceInfo& info = GetLevelPiece(piece);
    kis::Rect source = info.source;
    source.left += dx, source.right += dx, source.top += dy, source.bottom += dy;
    SkinQuads q;
    const SkinBorders& b = info.borders;
    InitNinePatch(&q, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, b.left, b.top,
                  b.right, b.bottom, colour, flags, sheet->GetTexture(), source);
    list->push_back(q);
}

void DrawLevelQuads(DXLViewer& viewer, std::vector<SkinQuads>& list, float alpha) {
    for (SkinQuads& q : list)
        DrawSkinQuads(viewer, q, alpha);
}

std::vector<kis::Rect> LevelMarkRects(uint32_t level, uint32_t count, int32_t x, int32_t y) {
    std::vector<kis::Rect> rects;
    if (count == 0) return rects;
    if (count == 3) {
        rects.push_back(R(x - 23, y - 9, 46, 21));
        return rects;
    }
    const int32_t left = x - int32_t(level) * 18 / 2;
    for (uint32_t i = 0; i < level; ++i)
        rects.push_back(R(left + int32_t(i) * 18, y - 8, 18, 17));
    return rects;
}

void BuildLevelMarks(std::vector<SkinQuads>* list, uint32_t level, uint32_t count, int32_t x, int32_t y,
                     uint32_t colour) {
    list->clear();
    const std::vector<kis::Rect> rects = LevelMarkRects(level, count, x, y);
    for (const kis::Rect& r : rects) {
        if (count == 3) {
            // One picture per level of a three-level type (level 0 shows the first).
            const uint32_t picture = level == 0 ? 0 : (level < 3 ? level : 3) - 1;
            AddLevelPiece(list, kPieceLevelPicture + int32_t(picture), r, colour);
        } else {
            AddLevelPiece(list, kPieceSmallMark, r, colour);
        }
    }
}
