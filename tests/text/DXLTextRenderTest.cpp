#include "text/DXLTextRender.h"

#include "tests/engine/TextureTestSupport.h"
#include "text/DXLBitmapFont.h"
#include "text/DXLRichText.h"

#include <gtest/gtest.h>

#include <string>

using texturetest::MakeBitmap;
using texturetest::TestViewer;
using texturetest::Texel;

namespace {

// Sheet columns of 8 pixels per letter, 10 rows: a white, b half-transparent
// white, c opaque grey, d faint white, e strong white.
uint32_t SheetPixel(int x, int y) {
    if (y >= 10) return 0;
    static const uint32_t kColumns[] = {0xFFFFFFFFu, 0x80FFFFFFu, 0xFF808080u, 0x40FFFFFFu, 0xC0FFFFFFu};
    return x / 8 < 5 ? kColumns[x / 8] : 0;
}

class TextRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(viewer.Open());
        auto bitmap = MakeBitmap(kFormatA8R8G8B8, 64, 16, SheetPixel);
        sheet.LoadFromBitmap(bitmap.get());
        ASSERT_TRUE(sheet.IsLive());
        font.BeginUpdate();
        font.SetImage(&sheet);
        font.SetHeight(10);
        font.SetDescent(2);
        font.AddGlyphs(u"abcde", 5, 0, true);
        font.SetAllCellWidths(8);
        font.SetSpaceWidth(4);
        font.EndUpdate();
        text.SetViewer(&viewer);
        text.SetFont(&font);
    }
    DXLTexture& Own() { return *text.GetOwnTexture(); }

    TestViewer viewer;
    DXLTexture sheet{&viewer};
    DXLBitmapFontW font;
    DXLTextW text;
};

} // namespace

TEST_F(TextRenderTest, GlyphsAreComposedIntoTheOwnTexture) {
    text.SetRenderToTexture(true);
    text.SetText(u"ab");
    DXLTexture& own = Own();
    ASSERT_TRUE(own.IsLive());
    EXPECT_EQ(own.GetWidth(), 16);
    EXPECT_EQ(own.GetHeight(), 16); // 10 rounded up to a power of two
    EXPECT_EQ(own.GetTextureFormat(), kFormatA8R8G8B8);
    EXPECT_EQ(Texel(own, 3, 4), 0xFFFFFFFFu); // white glyphs keep the sheet's pixels
    EXPECT_EQ(Texel(own, 12, 4), 0x80FFFFFFu);
    EXPECT_EQ(Texel(own, 3, 12), 0u);
    EXPECT_EQ(own.GetSourceKind(), kSourceObject);
    EXPECT_FALSE(own.IsRestorable());
    EXPECT_EQ(own.GetState().colorOp, 4u);
    EXPECT_EQ(own.GetState().minLinear, 0);

    const TexturedQuad& quad = text.GetTextQuad();
    EXPECT_FLOAT_EQ(quad.v[0].x, -0.5f);
    EXPECT_FLOAT_EQ(quad.v[1].x, 15.5f);
    EXPECT_EQ(quad.v[2].colour, 0xFFFFFFFFu);

    // Every change renders again.
    text.SetText(u"cc");
    EXPECT_EQ(Texel(own, 12, 4), 0xFF808080u);
}

TEST_F(TextRenderTest, ColoursTintThePixels) {
    text.SetRenderToTexture(true);
    // Half-transparent red halves the alpha and turns white red; grey is
    // multiplied channel by channel.
    text.SetText(u"<color=80ff0000>a</color><color=ff00ff00>c</color>");
    EXPECT_EQ(Texel(Own(), 2, 2), 0x80FF0000u);
    EXPECT_EQ(Texel(Own(), 10, 2), 0xFF008000u);

    // A gradient is followed across the glyph's columns.
    text.SetText(u"<grad color1=ffff0000 color2=ff0000ff>a</grad>");
    EXPECT_EQ(Texel(Own(), 0, 5), 0xFFFF0000u);
    EXPECT_EQ(Texel(Own(), 7, 5), 0xFF0000FFu);
}

TEST_F(TextRenderTest, OverlappingGlyphsKeepTheMoreOpaquePixel) {
    font.SetHSpacing(-4); // each glyph overlaps half of the one before
    text.SetRenderToTexture(true);
    text.SetText(u"de");
    EXPECT_EQ(Texel(Own(), 2, 2), 0x40FFFFFFu);
    EXPECT_EQ(Texel(Own(), 6, 2), 0xC0FFFFFFu); // e over d
    text.SetText(u"ed");
    EXPECT_EQ(Texel(Own(), 6, 2), 0xC0FFFFFFu); // d under e stays out
    EXPECT_EQ(Texel(Own(), 10, 2), 0x40FFFFFFu);
}

TEST_F(TextRenderTest, SizeFollowsTheWidthAndStopsAt1024) {
    text.SetRenderToTexture(true);
    text.SetText(std::u16string(200, u'a').c_str());
    EXPECT_EQ(Own().GetWidth(), 1024);
    EXPECT_EQ(Texel(Own(), 1023, 0), 0xFFFFFFFFu);

    // Centred wrapped text keeps the whole layout width.
    text.SetWordWrap(true);
    text.SetWidth(100);
    text.SetAlignment(kTextAlignCentre);
    text.SetText(u"a");
    EXPECT_EQ(Own().GetWidth(), 128);
    EXPECT_EQ(Texel(Own(), 46, 2), 0xFFFFFFFFu);
    EXPECT_EQ(Texel(Own(), 40, 2), 0u);

    // Nothing to show: the texture stays empty.
    text.SetText(u"");
    EXPECT_FALSE(Own().IsLive());
}

TEST_F(TextRenderTest, OwnTextureComesAndGoes) {
    DXLTextures textures(&viewer);
    text.SetTextureCollection(&textures);
    text.SetRenderToTexture(true);
    ASSERT_NE(text.GetOwnTexture(), nullptr);
    EXPECT_EQ(textures.Count(), 1);
    text.SetText(u"a");
    EXPECT_TRUE(Own().IsLive());

    // The collection deletes the texture: render-to-texture ends.
    textures.Clear();
    EXPECT_EQ(text.GetOwnTexture(), nullptr);
    EXPECT_FALSE(text.GetRenderToTexture());

    // Switching off deletes the texture; without a device nothing renders.
    text.SetTextureCollection(nullptr);
    text.SetRenderToTexture(true);
    text.SetRenderToTexture(false);
    EXPECT_EQ(text.GetOwnTexture(), nullptr);
    DXLViewer noDevice;
    DXLTextW idle;
    idle.SetViewer(&noDevice);
    idle.SetFont(&font);
    idle.SetRenderToTexture(true);
    idle.SetText(u"a");
    EXPECT_FALSE(idle.GetOwnTexture()->IsLive());
}
