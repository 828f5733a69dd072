#include "engine/GlyphEffects.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Image {
    int w, h;
    std::vector<uint32_t> px;
    Image(int w_, int h_, uint32_t fill = 0) : w(w_), h(h_), px(size_t(w_) * h_, fill) {}
    uint32_t& at(int x, int y) { return px[size_t(y) * w + x]; }
};

} // namespace

TEST(GlyphEffectRecord, ActiveOnlyWithModeAndSizeUpTo32) {
    GlyphEffect e;
    MakeGlyphEffect(&e, 1, 32.0f, 0xFF000000, 0, 0);
    EXPECT_TRUE(IsGlyphEffectActive(&e));
    e.size = 32.5f;
    EXPECT_FALSE(IsGlyphEffectActive(&e));
    e.size = -0.5f;
    EXPECT_FALSE(IsGlyphEffectActive(&e));
    MakeGlyphEffect(&e, 0, 2.0f, 0xFF000000, 0, 0);
    EXPECT_FALSE(IsGlyphEffectActive(&e));
    EXPECT_FALSE(IsGlyphEffectActive(nullptr));

    GlyphShadow s;
    SetInt4(&s, 1, -2, 3, 0x80000000);
    EXPECT_EQ(s.offsetX, -2);
    EXPECT_EQ(s.offsetY, 3);
    EXPECT_EQ(s.colour, 0x80000000u);
    EXPECT_TRUE(IsGlyphShadowActive(&s));
    SetInt4(&s, 0, 2, 2, 0x80000000);
    EXPECT_FALSE(IsGlyphShadowActive(&s));
    EXPECT_FALSE(IsGlyphShadowActive(nullptr));

    EXPECT_EQ(kGlyphCoverage[0], 0);
    EXPECT_EQ(kGlyphCoverage[10], 41);
    EXPECT_EQ(kGlyphCoverage[255], 127);
}

TEST(GlyphBlit, ComposesTintedAlphaByTheCoverageRule) {
    Image src(3, 1);
    src.at(0, 0) = 0xFF000000;
    src.at(1, 0) = 0x80000000;

    Image opaque(3, 1, 0xFF123456);
    BlitARGB(3, 1, -1, opaque.px.data(), src.px.data(), 0, 0, 0xFFFF0000);
    EXPECT_EQ(opaque.px, std::vector<uint32_t>(3, 0xFF123456));

    Image clear(3, 1, 0);
    BlitARGB(3, 1, -1, clear.px.data(), src.px.data(), 1, 0, 0xFFFF0000);
    EXPECT_EQ(clear.at(0, 0), 0u);
    EXPECT_EQ(clear.at(1, 0), 0xFFFF0000u);
    EXPECT_EQ(clear.at(2, 0), 0x80FF0000u);

    Image tinted(3, 1, 0);
    BlitARGB(3, 1, -1, tinted.px.data(), src.px.data(), 0, 0, 0x80FF0000); // colour alpha scales
    EXPECT_EQ(tinted.at(0, 0), 0x80FF0000u);
    EXPECT_EQ(tinted.at(1, 0), 0x40FF0000u);

    // Half-transparent blue under full red coverage: T = 127, U = 128, f = 128.
    Image half(1, 1, 0x800000FF);
    Image dot(1, 1, 0xFF000000);
    BlitARGB(1, 1, -1, half.px.data(), dot.px.data(), 0, 0, 0xFFFF0000);
    EXPECT_EQ(half.at(0, 0), 0xFF7F0080u);

    Image untouched(3, 1, 0);
    BlitARGB(3, 1, -1, untouched.px.data(), src.px.data(), 3, 0, 0xFFFF0000);
    BlitARGB(3, 1, -1, untouched.px.data(), nullptr, 0, 0, 0xFFFF0000);
    EXPECT_EQ(untouched.px, std::vector<uint32_t>(3, 0));
}

TEST(GlyphKernelOutline, StampsTheKernelAroundGlyphPixels) {
    GlyphEffect e;
    MakeGlyphEffect(&e, 1, 1.0f, 0xFF00FF00, 0, 0); // size 1 becomes 2: diameter 3
    Image img(7, 7, 0);
    img.at(3, 3) = 0xFFFFFFFF;
    ApplyGlyphKernelOutline(7, 7, -1, img.px.data(), &e);
    EXPECT_EQ(img.at(3, 3), 0xFFFFFFFFu); // the glyph stays on top
    EXPECT_EQ(img.at(2, 3), 0xFF00FF00u);
    EXPECT_EQ(img.at(3, 4), 0xFF00FF00u);
    EXPECT_EQ(img.at(2, 2), 0x9500FF00u); // t = 2 - sqrt(2): 255 * 0.586 = 149
    EXPECT_EQ(img.at(1, 3), 0u);          // outside the radius

    // A half-covered glyph pixel: hard rule A * g / 255 - 255 + hard.
    Image half(7, 7, 0);
    half.at(3, 3) = 0x80FFFFFF;
    ApplyGlyphKernelOutline(7, 7, -1, half.px.data(), &e);
    EXPECT_EQ(half.at(2, 3) >> 24, 128u);
    EXPECT_EQ(half.at(2, 2) >> 24, 22u);

    // Soft rule: soft byte * g / 255, limited to the strength.
    e.soft = 1;
    Image soft(7, 7, 0);
    soft.at(3, 3) = 0x80FFFFFF;
    ApplyGlyphKernelOutline(7, 7, -1, soft.px.data(), &e);
    EXPECT_EQ(soft.at(2, 3) >> 24, 128u);
    EXPECT_EQ(soft.at(2, 2) >> 24, 74u);

    // A threshold above the glyph's alpha ignores it.
    e.threshold = 200;
    Image ignored(7, 7, 0);
    ignored.at(3, 3) = 0x80FFFFFF;
    ApplyGlyphKernelOutline(7, 7, -1, ignored.px.data(), &e);
    EXPECT_EQ(ignored.at(2, 3), 0u);
}

TEST(GlyphKernelOutline, TooLargeKernelDrawsNothing) {
    GlyphEffect e;
    MakeGlyphEffect(&e, 1, 31.6f, 0xFF00FF00, 0, 0); // 32.6: diameter 65
    Image img(5, 5, 0);
    img.at(2, 2) = 0xFFFFFFFF;
    const std::vector<uint32_t> before = img.px;
    ApplyGlyphKernelOutline(5, 5, -1, img.px.data(), &e);
    EXPECT_EQ(img.px, before);

    MakeGlyphEffect(&e, 1, 30.4f, 0xFF00FF00, 0, 0); // 31.4: diameter 63, drawn
    ApplyGlyphKernelOutline(5, 5, -1, img.px.data(), &e);
    EXPECT_EQ(img.at(0, 0), 0xFF00FF00u);
}

TEST(GlyphOutline, RadiusOutlineBlendsUnderTheGlyph) {
    Image img(7, 7, 0);
    img.at(3, 3) = 0xFFFFFFFF;
    ApplyGlyphOutline(img.px.data(), 7, 7, 1.0f, 0xFF00FF00, 1);
    EXPECT_EQ(img.at(3, 3), 0xFFFFFFFFu);
    EXPECT_EQ(img.at(2, 3), 0xFF00FF00u);
    EXPECT_EQ(img.at(2, 2), 0x9500FF00u);
    EXPECT_EQ(img.at(1, 3), 0u);
}

TEST(GlyphShadow, OffsetShadowStaysOffTheLastRowAndColumn) {
    Image img(10, 10, 0x80FFFFFF);
    ApplyGlyphShadow(img.px.data(), 10, 10, 0, 2, 2, 0xFF000000, 0);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool shadowed = x >= 2 && x <= 8 && y >= 2 && y <= 8;
            EXPECT_EQ(img.at(x, y), shadowed ? 0x80808080u : 0x80FFFFFFu) << x << "," << y;
        }
    }

    // A colour key compares colour bits only; those pixels cast no shadow.
    Image keyed(4, 4, 0xFF00FF00);
    keyed.at(0, 0) = 0x40FFFFFF;
    ApplyGlyphShadow(keyed.px.data(), 4, 4, 0, 1, 1, 0xFF0000FF, 0x0000FF00);
    EXPECT_EQ(keyed.at(1, 1), 0xFF00FF00u); // the glyph's alpha 0x40 over an opaque pixel: colour kept
    EXPECT_EQ(keyed.at(2, 2), 0xFF00FF00u);
    Image transparent(4, 4, 0);
    transparent.at(0, 0) = 0xFFFFFFFF;
    ApplyGlyphShadow(transparent.px.data(), 4, 4, 0, 1, 1, 0xFF0000FF, 0);
    EXPECT_EQ(transparent.at(1, 1), 0xFF0000FFu);
    EXPECT_EQ(transparent.at(2, 2), 0u);
}
