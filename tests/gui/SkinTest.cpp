// Skin quads: nine-patches keep their borders and stretch their middle.
#include "gui/Skin.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The screen rectangle of a quad (its corners sit half a pixel up and left).
kis::Rect Screen(const TexturedQuad& q) {
    return {int32_t(q.v[0].x + 0.5f), int32_t(q.v[0].y + 0.5f), int32_t(q.v[2].x + 0.5f),
            int32_t(q.v[2].y + 0.5f)};
}

bool operator==(const kis::Rect& a, const kis::Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(NinePatch, BordersKeepTheirSizeAndTheMiddleStretches) {
    // The expected quads are the cells between the column and row edges, row
    // by row, leaving out empty cells and (with flag 1) the middle.
    struct Case {
        const char* name;
        kis::Rect target; // x, y, width, height
        SkinBorders borders;
        uint32_t flags, colour;
        int32_t xs[4], ys[4];
        int32_t opaque;
    };
    const Case cases[] = {
        {"whole", {10, 20, 100, 50}, {8, 6, 4, 2}, 0, 0xFFFFFFFF, {10, 18, 106, 110}, {20, 26, 68, 70}, -1},
        {"without its middle",
         {0, 0, 40, 40},
         {10, 10, 10, 10},
         1,
         0xFFFFFFFF,
         {0, 10, 30, 40},
         {0, 10, 30, 40},
         -1},
        {"borders wider than the target shrink in proportion",
         {0, 0, 16, 40},
         {12, 10, 12, 10},
         0,
         0xFFFFFFFF,
         {0, 8, 8, 16},
         {0, 10, 30, 40},
         -1},
        {"an opaque middle is marked",
         {0, 0, 30, 30},
         {10, 10, 10, 10},
         2,
         0xFFFFFFFF,
         {0, 10, 20, 30},
         {0, 10, 20, 30},
         4},
        {"but not under a see-through colour",
         {0, 0, 30, 30},
         {10, 10, 10, 10},
         2,
         0x80FFFFFF,
         {0, 10, 20, 30},
         {0, 10, 20, 30},
         -1},
    };
    for (const Case& c : cases) {
        std::vector<kis::Rect> expected;
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column) {
                if ((c.flags & 1) && row == 1 && column == 1) continue;
                if (c.xs[column + 1] > c.xs[column] && c.ys[row + 1] > c.ys[row])
                    expected.push_back({c.xs[column], c.ys[row], c.xs[column + 1], c.ys[row + 1]});
            }
        SkinQuads record;
        InitNinePatch(&record, c.target.left, c.target.top, c.target.right, c.target.bottom, c.borders.left,
                      c.borders.top, c.borders.right, c.borders.bottom, c.colour, c.flags, nullptr,
                      kis::Rect{0, 0, 64, 64});
        ASSERT_EQ(record.count, int32_t(expected.size())) << c.name;
        for (int32_t i = 0; i < record.count; ++i) {
            EXPECT_TRUE(Screen(record.quads[i]) == expected[size_t(i)]) << c.name << " quad " << i;
            EXPECT_EQ(record.quads[i].v[0].colour, c.colour) << c.name;
        }
        EXPECT_EQ(record.opaque, c.opaque) << c.name;
    }
}

TEST(SkinColours, AlphaScalesAndColoursMultiplyByChannel) {
    EXPECT_EQ(ScaleAlpha(0xFF123456, 1.0f), 0xFF123456u);
    EXPECT_EQ(ScaleAlpha(0xFF123456, 0.5f), 0x80123456u);
    EXPECT_EQ(ScaleAlpha(0x80123456, 0.0f), 0x00123456u);
    EXPECT_EQ(ScaleAlpha(0xFF123456, -1.0f), 0x00123456u);
    EXPECT_EQ(ModulateColour(0xFF804020, 0xFFFFFFFF), 0xFF804020u);
    EXPECT_EQ(ModulateColour(0xFF804020, 0x80FF0000), 0x80800000u);
}

TEST(SkinPieces, WithoutTheArtAPieceIsOneFlatQuadOverItsRectangle) {
    SkinQuads record;
    InitSkinPiece(&record, kSkinFrame, kis::MakeRectWH(5, 6, 70, 80), 0xFFFFFFFF);
    ASSERT_EQ(record.count, 1);
    EXPECT_EQ(record.texture, nullptr);
    EXPECT_TRUE(Screen(record.quads[0]) == kis::MakeRectWH(5, 6, 70, 80));
}

} // namespace
