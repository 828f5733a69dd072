#include "engine/Quad.h"
#include "TextureTestSupport.h"
#include "engine/Texture.h"

#include <gtest/gtest.h>

#include <memory>

using texturetest::TestViewer;

namespace {

struct Corner {
    float x, y, u, v;
};

void ExpectCorners(const TexturedQuad& q, const Corner (&expected)[4], uint32_t colour) {
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(q.v[i].x, expected[i].x);
        EXPECT_FLOAT_EQ(q.v[i].y, expected[i].y);
        EXPECT_FLOAT_EQ(q.v[i].z, 0.0f);
        EXPECT_FLOAT_EQ(q.v[i].u, expected[i].u);
        EXPECT_FLOAT_EQ(q.v[i].v, expected[i].v);
        EXPECT_EQ(q.v[i].colour, colour);
    }
}

class QuadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(viewer.Open());
        texture = std::make_unique<DXLTexture>(&viewer);
        texture->Create(64, 32, kFormatA8R8G8B8, false); // 64 x 32 texture, coordinates 0..1
        ASSERT_TRUE(texture->IsLive());
        padded = std::make_unique<DXLTexture>(&viewer);
        padded->Create(100, 30, kFormatA8R8G8B8, false); // 128 x 32 texture
        ASSERT_TRUE(padded->IsLive());
    }
    TestViewer viewer;
    std::unique_ptr<DXLTexture> texture, padded;
};

} // namespace

TEST_F(QuadTest, WholeImageQuadsSitHalfAPixelUpAndLeft) {
    TexturedQuad q;
    EXPECT_EQ(texture->MakeQuad(&q, 10, 20), &q);
    ExpectCorners(q, {{9.5f, 19.5f, 0, 0}, {73.5f, 19.5f, 1, 0}, {73.5f, 51.5f, 1, 1}, {9.5f, 51.5f, 0, 1}},
                  0xFFFFFFFF);

    // The padded picture uses only its part of the texture.
    padded->MakeQuadInt(&q, 0, 0, 0x80FF0000);
    ExpectCorners(q,
                  {{-0.5f, -0.5f, 0, 0},
                   {99.5f, -0.5f, 0.78125f, 0},
                   {99.5f, 29.5f, 0.78125f, 0.9375f},
                   {-0.5f, 29.5f, 0, 0.9375f}},
                  0x80FF0000);

    texture->MakeQuadSized(&q, 1, 2, 3, 4);
    ExpectCorners(q, {{0.5f, 1.5f, 0, 0}, {3.5f, 1.5f, 1, 0}, {3.5f, 5.5f, 1, 1}, {0.5f, 5.5f, 0, 1}},
                  0xFFFFFFFF);

    texture->MakeQuadIntoRect(&q, kis::Rect{5, 6, 15, 26});
    ExpectCorners(q, {{4.5f, 5.5f, 0, 0}, {14.5f, 5.5f, 1, 0}, {14.5f, 25.5f, 1, 1}, {4.5f, 25.5f, 0, 1}},
                  0xFFFFFFFF);
}

TEST_F(QuadTest, ColourZeroMeansTheTexturesColour) {
    TexturedQuad q;
    texture->SetColour(0x11223344);
    texture->MakeQuad(&q, 0, 0, 0);
    for (const auto& v : q.v)
        EXPECT_EQ(v.colour, 0x11223344u);
    texture->MakeQuad(&q, 0, 0, 0xFF00FF00);
    for (const auto& v : q.v)
        EXPECT_EQ(v.colour, 0xFF00FF00u);
}

TEST_F(QuadTest, FlipsSwapTextureCoordinatesNotPositions) {
    TexturedQuad q;
    texture->MakeQuad(&q, 0, 0, 0, true, false);
    ExpectCorners(q, {{-0.5f, -0.5f, 1, 0}, {63.5f, -0.5f, 0, 0}, {63.5f, 31.5f, 0, 1}, {-0.5f, 31.5f, 1, 1}},
                  0xFFFFFFFF);
    texture->MakeQuad(&q, 0, 0, 0, false, true);
    ExpectCorners(q, {{-0.5f, -0.5f, 0, 1}, {63.5f, -0.5f, 1, 1}, {63.5f, 31.5f, 1, 0}, {-0.5f, 31.5f, 0, 0}},
                  0xFFFFFFFF);
    texture->MakeQuad(&q, 0, 0, 0, true, true);
    ExpectCorners(q, {{-0.5f, -0.5f, 1, 1}, {63.5f, -0.5f, 0, 1}, {63.5f, 31.5f, 0, 0}, {-0.5f, 31.5f, 1, 0}},
                  0xFFFFFFFF);
}

TEST_F(QuadTest, TexelRectanglesAreDividedByTheTextureSize) {
    TexturedQuad q;
    // Source 16..48 x 8..24 of the 128 x 32 texture.
    const Corner part[4] = {{2.5f, 3.5f, 0.125f, 0.25f},
                            {34.5f, 3.5f, 0.375f, 0.25f},
                            {34.5f, 19.5f, 0.375f, 0.75f},
                            {2.5f, 19.5f, 0.125f, 0.75f}};
    padded->MakeQuadFromRect(&q, 3, 4, kis::Rect{16, 8, 48, 24});
    ExpectCorners(q, part, 0xFFFFFFFF);
    padded->MakeQuadPartAt(&q, 3, 4, DXLRectF{16, 8, 48, 24});
    ExpectCorners(q, part, 0xFFFFFFFF);
    padded->MakeQuadFromArea(&q, 3, 4, 16, 8, 32, 16);
    ExpectCorners(q, part, 0xFFFFFFFF);
    padded->BuildQuadScaledInt(&q, 3, 4, 16, 8, 32, 16);
    ExpectCorners(q, part, 0xFFFFFFFF);
    padded->MakeQuadRectToRectI(&q, kis::Rect{3, 4, 35, 20}, kis::Rect{16, 8, 48, 24});
    ExpectCorners(q, part, 0xFFFFFFFF);
    padded->MakeQuadRectToRect(&q, DXLRectF{3, 4, 35, 20}, DXLRectF{16, 8, 48, 24});
    ExpectCorners(q, part, 0xFFFFFFFF);

    // Stretched: the 32 x 16 source drawn 64 x 8.
    const Corner stretched[4] = {{2.5f, 3.5f, 0.125f, 0.25f},
                                 {66.5f, 3.5f, 0.375f, 0.25f},
                                 {66.5f, 11.5f, 0.375f, 0.75f},
                                 {2.5f, 11.5f, 0.125f, 0.75f}};
    padded->MakeQuadStretched(&q, 3, 4, 64, 8, 16, 8, 32, 16);
    ExpectCorners(q, stretched, 0xFFFFFFFF);
    padded->BuildQuadExInt(&q, 3, 4, 64, 8, 16, 8, 32, 16, 0, false, false);
    ExpectCorners(q, stretched, 0xFFFFFFFF);

    // Texture coordinates given directly get no offset.
    padded->MakeQuadUV(&q, DXLRectF{0, 0, 10, 10}, DXLRectF{0.5f, 0.25f, 0.75f, 1});
    ExpectCorners(q,
                  {{-0.5f, -0.5f, 0.5f, 0.25f},
                   {9.5f, -0.5f, 0.75f, 0.25f},
                   {9.5f, 9.5f, 0.75f, 1},
                   {-0.5f, 9.5f, 0.5f, 1}},
                  0xFFFFFFFF);
}

TEST_F(QuadTest, TexturesWithoutSizeDivideByOne) {
    DXLTexture unloaded(&viewer);
    TexturedQuad q;
    unloaded.MakeQuadFromArea(&q, 0, 0, 2, 3, 4, 5);
    ExpectCorners(q, {{-0.5f, -0.5f, 2, 3}, {3.5f, -0.5f, 6, 3}, {3.5f, 4.5f, 6, 8}, {-0.5f, 4.5f, 2, 8}},
                  0xFFFFFFFF);
    // A texture one texel high divides v by 1 as well.
    DXLTexture line(&viewer);
    line.Create(8, 1, kFormatA8R8G8B8, false);
    ASSERT_EQ(line.GetTextureHeight(), 1);
    line.MakeQuadFromArea(&q, 0, 0, 4, 1, 4, 1);
    EXPECT_FLOAT_EQ(q.v[0].u, 0.5f);
    EXPECT_FLOAT_EQ(q.v[2].v, 2.0f);
}

TEST_F(QuadTest, WithoutARecordANewQuadIsReturned) {
    std::unique_ptr<TexturedQuad> q(texture->MakeQuad(nullptr, 10, 20));
    ASSERT_NE(q, nullptr);
    EXPECT_FLOAT_EQ(q->v[2].x, 73.5f);
    EXPECT_FLOAT_EQ(q->v[2].y, 51.5f);
}
