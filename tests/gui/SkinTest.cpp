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
    struct Case {
        const char* name;
        int32_t x, y, w, h, left, top, right, bottom;
        uint32_t flags, colour;
        std::vector<kis::Rect> quads;
        int32_t opaque;
    };
    const Case cases[] = {
        {"whole",
         10,
         20,
         100,
         50,
         8,
         6,
         4,
         2,
         0,
         0xFFFFFFFF,
         {{10, 20, 18, 26},
          {18, 20, 106, 26},
          {106, 20, 110, 26},
          {10, 26, 18, 68},
          {18, 26, 106, 68},
          {106, 26, 110, 68},
          {10, 68, 18, 70},
          {18, 68, 106, 70},
          {106, 68, 110, 70}},
         -1},
        {"without its middle",
         0,
         0,
         40,
         40,
         10,
         10,
         10,
         10,
         1,
         0xFFFFFFFF,
         {{0, 0, 10, 10},
          {10, 0, 30, 10},
          {30, 0, 40, 10},
          {0, 10, 10, 30},
          {30, 10, 40, 30},
          {0, 30, 10, 40},
          {10, 30, 30, 40},
          {30, 30, 40, 40}},
         -1},
        {"borders wider than the target shrink in proportion",
         0,
         0,
         16,
         40,
         12,
         10,
         12,
         10,
         0,
         0xFFFFFFFF,
         {{0, 0, 8, 10}, {8, 0, 16, 10}, {0, 10, 8, 30}, {8, 10, 16, 30}, {0, 30, 8, 40}, {8, 30, 16, 40}},
         -1},
        {"an opaque middle is marked while the colour is opaque",
         0,
         0,
         30,
         30,
         10,
         10,
         10,
         10,
         2,
         0xFFFFFFFF,
         {{0, 0, 10, 10},
          {10, 0, 20, 10},
          {20, 0, 30, 10},
          {0, 10, 10, 20},
          {10, 10, 20, 20},
          {20, 10, 30, 20},
          {0, 20, 10, 30},
          {10, 20, 20, 30},
          {20, 20, 30, 30}},
         4},
        {"but not under a see-through colour",
         0,
         0,
         30,
         30,
         10,
         10,
         10,
         10,
         2,
         0x80FFFFFF,
         {{0, 0, 10, 10},
          {10, 0, 20, 10},
          {20, 0, 30, 10},
          {0, 10, 10, 20},
          {10, 10, 20, 20},
          {20, 10, 30, 20},
          {0, 20, 10, 30},
          {10, 20, 20, 30},
          {20, 20, 30, 30}},
         -1},
    };
    for (const Case& c : cases) {
        SkinQuads record;
        InitNinePatch(&record, c.x, c.y, c.w, c.h, c.left, c.top, c.right, c.bottom, c.colour, c.flags,
                      nullptr, kis::Rect{0, 0, 64, 64});
        ASSERT_EQ(record.count, int32_t(c.quads.size())) << c.name;
        for (int32_t i = 0; i < record.count; ++i) {
            EXPECT_TRUE(Screen(record.quads[i]) == c.quads[size_t(i)]) << c.name << " quad " << i;
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
