#include "text/KGEBitmapFont.h"
#include "text/KGEWinFont.h"
#include "text/OutOfMemory.h"

#include "platform/GlyphFace.h"
#include "platform/SyntheticFace.h"
#include "tests/engine/ViewerTestSupport.h"
#include "tests/text/TextTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// Every glyph of the synthetic face: box 6 x 10 one pixel right of the pen,
// advance 8, cell 13 (ascent 10).
class SyntheticFonts : public texttest::SyntheticText {
  protected:
    std::unique_ptr<KGEWinFont> Make(const char16_t* chars, uint32_t flags = 0,
                                     const GlyphEffect* outline = nullptr,
                                     const GlyphShadow* shadow = nullptr, int32_t weight = 400,
                                     uint8_t style = 0, char16_t defaultChar = 0,
                                     const char16_t* face = u"Arial") {
        KGEWinFont* font = nullptr;
        result = KGECreateWinFont(nullptr, flags, 10, weight, 0, style, 0, 5, 0xFFFFFF, face, kSpaceFromFont,
                                  0xFFFFFFFF, chars, defaultChar, outline, shadow, 0, 0, 0xFFFFFFFF, &font);
        return std::unique_ptr<KGEWinFont>(font);
    }

    HResult result = 0;
};

TEST_F(SyntheticFonts, DescriptionIsStoredBoundedAndRounded) {
    struct {
        int32_t weight;
        int32_t stored;
    } weights[] = {{649, 600}, {650, 700}, {1200, 1000}, {-5, 0}, {0, 0}, {49, 0}, {50, 100}};
    for (const auto& w : weights) {
        auto font = Make(u"AB", 0, nullptr, nullptr, w.weight);
        ASSERT_TRUE(font) << w.weight;
        EXPECT_EQ(font->GetDesc().weight, w.stored) << w.weight;
    }

    // Bold asks the face for 700 whatever the weight; the pixel height is
    // -MulDiv(points, 96, 72).
    auto bold = Make(u"A", 0, nullptr, nullptr, 300, kFontStyleBold | kFontStyleItalic | 0xF0);
    ASSERT_TRUE(bold);
    EXPECT_EQ(bold->GetDesc().style, kFontStyleBold | kFontStyleItalic);
    EXPECT_EQ(requests.back().weight, 700);
    EXPECT_TRUE(requests.back().italic);
    EXPECT_EQ(requests.back().height, -13);
    EXPECT_EQ(requests.back().faceName, u"Arial");

    // A name that fills all 32 characters reaches the face terminated.
    std::u16string longName(40, u'N');
    auto named = Make(u"A", 0, nullptr, nullptr, 400, 0, 0, longName.c_str());
    ASSERT_TRUE(named);
    EXPECT_EQ(requests.back().faceName.size(), 31u);
    EXPECT_EQ(named->GetDesc().faceName[31], 0);
}

TEST_F(SyntheticFonts, GlyphsAndMetricsComeFromTheFace) {
    auto font = Make(u"A B\x01"
                     u"CA");
    ASSERT_TRUE(font);
    // Spaces and control characters are dropped; the later 'A' wins the map.
    ASSERT_EQ(font->GetGlyphCount(), 4u);
    EXPECT_EQ(font->FindGlyph(u'A')->index, 3);
    EXPECT_EQ(font->GetCellHeight(), 13);
    EXPECT_EQ(font->GetHeight(), 13);
    EXPECT_EQ(font->GetAscent(), 10);
    EXPECT_EQ(font->GetDescent(), 3);
    EXPECT_EQ(font->GetSpaceWidth(), 8);
    const KGEGlyph& a = *font->FindGlyph(u'A');
    EXPECT_EQ(a.advance, 8);
    EXPECT_EQ(a.offsetX, 0);                        // origin 1, less the pixel of padding
    EXPECT_EQ(font->GetImages()[a.image].width, 8); // max(6 + 2, advance 8)
    // The byte map of the ANSI charset leads from bytes to the same glyphs.
    EXPECT_EQ(font->FindGlyphA('A'), font->FindGlyph(u'A'));
    EXPECT_EQ(font->FindGlyphA('Z'), nullptr);
}

TEST_F(SyntheticFonts, EffectsWidenTheImages) {
    GlyphEffect outline;
    MakeGlyphEffect(&outline, 1, 1.0f, 0xFF000000, 1, 0);
    GlyphShadow shadow;
    SetInt4(&shadow, 1, 2, -3, 0x80000000);
    auto font = Make(u"A", kFontEffectOutline | kFontEffectShadow, &outline, &shadow);
    ASSERT_TRUE(font);
    kis::Rect m = font->GetMargins();
    EXPECT_EQ(m.left, 1);
    EXPECT_EQ(m.right, 3);
    EXPECT_EQ(m.top, 4);
    EXPECT_EQ(m.bottom, 1);
    EXPECT_EQ(font->GetCellHeight(), 13 + 4 + 1);
    EXPECT_EQ(font->GetHeight(), 15); // extra advance 2 + 13
    EXPECT_EQ(font->GetAscent(), 12);
    const KGEGlyph& a = *font->FindGlyph(u'A');
    EXPECT_EQ(a.advance, 10);
    EXPECT_EQ(a.offsetY, -3);                             // the shadow's dy
    EXPECT_EQ(font->GetImages()[0].width, 6 + 1 + 3 + 2); // ink + margins + padding

    EXPECT_FALSE(Make(u"A", kFontEffectOutline));
    EXPECT_EQ(result, kKgeMissingOutline);
    EXPECT_FALSE(Make(u"A", kFontEffectShadow, &outline));
    EXPECT_EQ(result, kKgeMissingShadow);
    EXPECT_FALSE(Make(nullptr));
    EXPECT_EQ(result, kKgeMissingChars);
}

TEST_F(SyntheticFonts, MeasuringFollowsLinesSpacesAndTracking) {
    auto font = Make(u"ABC");
    ASSERT_TRUE(font);
    struct {
        const char16_t* text;
        int32_t width;
        int32_t height;
    } cases[] = {
        {u"", 0, 0},
        {u"AB", 16, 13},
        {u"A B", 24, 13},
        {u"AAA\nB", 24, 26},
        {u"A\r\nB", 8, 26}, // one break
        {u"A\n\rB", 8, 26}, // one break
        {u"A\r\rB", 8, 39}, // two breaks
        {u"A\n\nB", 8, 39}, // two breaks
        {u"A\r\n\r\nB", 8, 39},
        {u"\n", 0, 0},  // no width, no height
        {u"AZ", 8, 13}, // no glyph and no default: no room
    };
    for (const auto& c : cases) {
        KGESize size = font->MeasureText(c.text, kKgeToTerminator);
        EXPECT_EQ(size.width, c.width)
            << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
        EXPECT_EQ(size.height, c.height);
    }
    EXPECT_EQ(font->MeasureText(nullptr, 5).width, 0);
    EXPECT_EQ(font->MeasureText(u"ABC", 0).width, 0);
    EXPECT_EQ(font->MeasureText(u"ABC", 2).width, 16);

    font->SetLeading(3);
    font->SetTracking(2);
    // The tracking follows every glyph and space but the extent stops at the ink.
    EXPECT_EQ(font->MeasureText(u"AB", kKgeToTerminator).width, 18);
    EXPECT_EQ(font->MeasureText(u"A B", kKgeToTerminator).width, 28);
    EXPECT_EQ(font->MeasureText(u"A\nB", kKgeToTerminator).height, 16 + 13);
    font->SetTracking(0);

    std::u16string longText(9000, u'A');
    EXPECT_EQ(font->MeasureText(longText.c_str(), kKgeToTerminator).width, 8192 * 8);
    EXPECT_EQ(font->MeasureText(longText.c_str(), 9000).width, 8192 * 8);
}

TEST_F(SyntheticFonts, MissingCharactersTakeTheDefaultGlyph) {
    spec.glyphs = {{u'W', 12, 10}};
    auto font = Make(u"AW", 0, nullptr, nullptr, 400, 0, u'W');
    ASSERT_TRUE(font);
    ASSERT_NE(font->GetDefaultGlyph(), nullptr);
    EXPECT_EQ(font->MeasureText(u"A\x3A9", kKgeToTerminator).width, 8 + 12);

    // A character given twice maps to the later glyph.
    auto twice = Make(u"WAW");
    ASSERT_TRUE(twice);
    ASSERT_NE(twice->FindGlyph(u'W'), nullptr);
    EXPECT_EQ(twice->FindGlyph(u'W')->index, 2);
    EXPECT_EQ(twice->FindGlyph(u'A')->index, 1);
}

TEST_F(SyntheticFonts, KerningPullsButNeverPastThePreviousGlyph) {
    spec.kerning = {{u'A', u'V', -3}, {u'V', u'A', -20}, {u'A', u'A', 0}, {u'A', u'X', -1}};
    auto font = Make(u"AV", kFontEffectKerning);
    ASSERT_TRUE(font);
    // The zero pair and the pair of a missing character are dropped.
    EXPECT_EQ(font->GetKerningCount(), 2u);
    EXPECT_EQ(font->MeasureText(u"AV", kKgeToTerminator).width, 13);
    // V A: pen 8 - 20 lands left of V's x, so A shares V's x.
    EXPECT_EQ(font->MeasureText(u"VA", kKgeToTerminator).width, 8);
    EXPECT_EQ(font->MeasureText(u"VAV", kKgeToTerminator).width, 13);
    // Without the kerning flag the face's pairs are not read.
    auto plain = Make(u"AV");
    EXPECT_EQ(plain->GetKerningCount(), 0u);
    EXPECT_EQ(plain->MeasureText(u"AV", kKgeToTerminator).width, 16);
}

TEST_F(SyntheticFonts, KerningTablesAreGroupedByFirstGlyph) {
    auto font = Make(u"ABC");
    ASSERT_TRUE(font);
    KGECharKerning pairs[] = {
        {u'B', u'A', -1}, {u'A', u'C', -2}, {u'B', u'C', -3}, {u'Q', u'A', -4}, {u'A', u'B', -5}};
    ASSERT_EQ(font->SetKerning(pairs, 5), 0);
    ASSERT_EQ(font->GetKerningCount(), 4u);
    const KGEGlyph& a = *font->FindGlyph(u'A');
    const KGEGlyph& b = *font->FindGlyph(u'B');
    EXPECT_EQ(a.kerningFirst, 0u);
    EXPECT_EQ(a.kerningCount, 2u);
    EXPECT_EQ(b.kerningFirst, 2u);
    EXPECT_EQ(font->GetKerning()[0].amount, -2); // input order within the group
    EXPECT_EQ(font->GetKerning()[1].amount, -5);
    EXPECT_EQ(font->GetKerning()[3].amount, -3);

    // More pairs than glyph count squared are refused.
    std::vector<KGECharKerning> many(10, KGECharKerning{u'A', u'B', 1});
    EXPECT_EQ(font->SetKerning(many.data(), uint32_t(many.size())), kKgeTooManyKerningPairs);
}

TEST_F(SyntheticFonts, CharacterIndexCountsACharacterFromItsMiddle) {
    auto font = Make(u"ABCD");
    ASSERT_TRUE(font);
    struct {
        int32_t x;
        const char16_t* text;
        int32_t index;
    } cases[] = {
        {-1, u"ABC", 0},     {0, u"ABC", 0},        {3, u"ABC", 0},   {4, u"ABC", 1},
        {11, u"ABC", 1},     {12, u"ABC", 2},       {20, u"ABC", 3},  {500, u"ABC", 3},
        {500, u"AB\nCD", 2}, {500, u"AB\r\nCD", 2}, {12, u"A BC", 2}, {11, u"A BC", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(font->GetCharIndexAt(c.x, c.text, kKgeToTerminator), c.index) << c.x;
    EXPECT_EQ(font->GetCharIndexAt(10, nullptr, 3), 0);
    EXPECT_EQ(font->GetCharIndexAt(10, u"ABC", 0), 0);
}

TEST_F(SyntheticFonts, ImagesArePackedIntoTheSmallestSquarestTexture) {
    // Ten images 8 wide, cell 13, one pixel apart: 32 wide holds three a row
    // (four rows, 64 high), 64 wide seven (two rows, 32 high). The areas are
    // equal and neither is closer to square, so the first, 32 x 64, stays and
    // the images are laid out again at that width.
    auto font = Make(u"ABCDEFGHIJ");
    ASSERT_TRUE(font);
    EXPECT_EQ(font->GetPackedWidth(), 32);
    EXPECT_EQ(font->GetPackedHeight(), 64);
    const KGEImageRecord* images = font->GetImages();
    EXPECT_EQ(images[2].x, 18);
    EXPECT_EQ(images[3].x, 0);
    EXPECT_EQ(images[3].y, 14);
    EXPECT_EQ(images[9].y, 42);

    // One image wider than 1024: only the unlimited trial places it.
    spec.glyphs = {{u'W', 1100, 6}};
    auto wide = Make(u"AW");
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->GetPackedWidth(), 1024);
    EXPECT_EQ(wide->GetPackedHeight(), 16);
    EXPECT_EQ(wide->GetImages()[1].x, 9); // it stays on its row
    EXPECT_EQ(wide->GetImages()[1].y, 0);
}

TEST(BitmapFontImages, GridsFollowRectangleBordersAndSkips) {
    KGEBitmapFont font(nullptr);
    int32_t widths[] = {10, 30, -4, 10};
    KGEImageDescription desc{kGridOn | kGridWidthList | kGridSkip | kGridRect | kGridBorders,
                             4,
                             8,
                             widths,
                             2,
                             3,
                             kis::MakeRect(5, 5, 55, 45),
                             kis::MakeRect(1, 2, 1, 0)};
    ASSERT_EQ(font.SetImages(&desc), 0);
    EXPECT_EQ(font.GetImages()[2].width, 0); // negative widths become 0
    int32_t height = 0;
    // Inside (6, 7)-(54, 45): 10 + 2 + 30 fit a row; the zero-width image
    // stays; the last one starts a row 8 + 3 lower.
    EXPECT_TRUE(font.LayoutImages(true, font.GetGrid(), &height));
    const KGEImageRecord* images = font.GetImages();
    EXPECT_EQ(images[0].x, 6);
    EXPECT_EQ(images[0].y, 7);
    EXPECT_EQ(images[1].x, 18);
    EXPECT_EQ(images[2].x, 50);
    EXPECT_EQ(images[3].x, 6);
    EXPECT_EQ(images[3].y, 18);
    EXPECT_EQ(height, 26);

    // A rectangle too low for the second row stops a limited walk.
    KGEGridRecord low = *font.GetGrid();
    low.rect.bottom = 25;
    EXPECT_FALSE(font.LayoutImages(true, &low, nullptr));
    // An image wider than the rectangle stays on its row without the limit.
    KGEGridRecord narrow{kGridRect, 0, 0, kis::MakeRect(0, 0, 20, 100), {}};
    EXPECT_FALSE(font.LayoutImages(true, &narrow, nullptr));
    EXPECT_TRUE(font.LayoutImages(false, &narrow, nullptr));
    EXPECT_EQ(font.GetImages()[1].x, 10);
    EXPECT_EQ(font.GetImages()[1].y, 0);
    // No texture and no rectangle: the limit refuses, otherwise all at the corner.
    KGEGridRecord none{0, 0, 0, {}, {}};
    EXPECT_FALSE(font.LayoutImages(true, &none, nullptr));
    EXPECT_TRUE(font.LayoutImages(false, &none, nullptr));
    EXPECT_EQ(font.GetImages()[3].x, 0);

    EXPECT_EQ(font.SetImages(nullptr), kKgeMissingImages);
    KGEImageDescription noList{};
    EXPECT_EQ(font.SetImages(&noList), kKgeMissingImages);
}

// ---------------------------------------------------------------- drawing

using TestViewer = viewertest::WindowedViewer;

// Lit pixels (red above half) of the back buffer inside a rectangle.
int CountLit(const platform::FrameView& frame, int left, int top, int right, int bottom) {
    int lit = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, frame.height); ++y)
        for (int x = std::max(left, 0); x < std::min(right, frame.width); ++x)
            if (((frame.pixels[size_t(y) * size_t(frame.pitchInPixels) + size_t(x)] >> 16) & 0xFF) > 128)
                ++lit;
    return lit;
}

TEST_F(SyntheticFonts, DebugOverlayFontsAreMadeWithTheirOwnSettingsAndInUse) {
    TestViewer viewer;
    ASSERT_TRUE(viewer.Open(64, 64));
    KGEWinFont* fonts[kDebugFontCount] = {};
    ASSERT_EQ(KGECreateDebugFonts(&viewer, fonts), 0);
    const struct {
        int32_t points;
        int32_t pixelHeight;
        uint32_t effects;
        int32_t tracking;
        uint32_t quadColour;
        uint32_t glyphColour;
        bool outline;
        bool shadow;
    } expected[kDebugFontCount] = {
        {10, -13, kFontEffectKerning, 0, 0xFFFFFF00u, 0xFFFFFFu, false, false},
        {10, -13, kFontEffectKerning | kFontEffectOutline | kFontEffectShadow, -2, 0xFFFFFFFFu, 0xFFFFFFu,
         true, true},
        {8, -11, kFontEffectKerning | kFontEffectOutline, -2, 0xFFFFFFFFu, 0xFFFF00u, true, false},
    };
    for (int i = 0; i < kDebugFontCount; ++i) {
        std::unique_ptr<KGEWinFont> font(fonts[i]);
        ASSERT_TRUE(font) << i;
        const KGEWinFontDesc& desc = font->GetDesc();
        EXPECT_EQ(desc.pointSize, expected[i].points) << i;
        EXPECT_EQ(desc.weight, 0) << i;
        EXPECT_EQ(desc.charset, kCharsetDefault) << i;
        EXPECT_EQ(desc.style, kFontStyleBold) << i;
        EXPECT_EQ(desc.pitchAndFamily, 0) << i;
        EXPECT_EQ(desc.quality, 5) << i;
        EXPECT_EQ(std::u16string(desc.faceName), u"Arial") << i;
        EXPECT_EQ(desc.colour, expected[i].glyphColour) << i;
        EXPECT_EQ(desc.effectFlags, expected[i].effects) << i;
        EXPECT_EQ(font->GetTracking(), expected[i].tracking) << i;
        EXPECT_EQ(font->GetLeading(), 0) << i;
        EXPECT_EQ(font->GetColour(), expected[i].quadColour) << i;
        // Latin letters, digits, the 32 ASCII punctuation marks, 66 Russian letters.
        EXPECT_EQ(font->GetGlyphCount(), 52u + 10u + 32u + 66u) << i;
        EXPECT_NE(font->FindGlyph(u'~'), nullptr) << i;
        EXPECT_NE(font->FindGlyph(u'\u0451'), nullptr) << i;
        EXPECT_EQ(font->GetUserCount(), 1u) << i;
        EXPECT_TRUE(font->IsBuilt()) << i;
        ASSERT_EQ(font->GetOutline() != nullptr, expected[i].outline) << i;
        if (font->GetOutline()) {
            EXPECT_EQ(font->GetOutline()->mode, 1u);
            EXPECT_EQ(font->GetOutline()->size, 1.0f);
            EXPECT_EQ(font->GetOutline()->colour, 0xFF000000u);
            EXPECT_EQ(font->GetOutline()->threshold, 1);
            EXPECT_EQ(font->GetOutline()->soft, 0u);
        }
        ASSERT_EQ(font->GetShadow() != nullptr, expected[i].shadow) << i;
        if (font->GetShadow()) {
            EXPECT_EQ(font->GetShadow()->offsetX, 2);
            EXPECT_EQ(font->GetShadow()->offsetY, 2);
            EXPECT_EQ(font->GetShadow()->colour, 0x80000000u);
        }
    }
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().height, -11);
    EXPECT_EQ(requests.back().weight, 700);

    // When one font cannot be made, none is handed out.
    platform::SetGlyphFaceOpener([this](const platform::GlyphFaceRequest& request, std::string*) {
        return request.height == -11 ? nullptr : std::make_unique<platform::SyntheticFace>(spec, request);
    });
    KGEWinFont* failed[kDebugFontCount] = {};
    EXPECT_EQ(KGECreateDebugFonts(&viewer, failed), kKgeFontNotCreated);
    for (KGEWinFont* font : failed)
        EXPECT_EQ(font, nullptr);
}

TEST(FreeTypeFont, PacksItsGlyphsAndDrawsAReadableWord) {
    TestViewer viewer;
    ASSERT_TRUE(viewer.Open(160, 64));
    KGEWinFont* raw = nullptr;
    ASSERT_EQ(KGECreateWinFont(&viewer, kFontEffectKerning, 20, 400, 0, 0, 0, 5, 0xFFFFFF, u"Arial",
                               kSpaceFromFont, 0xFFFFFFFF, u"abcdefghijklmnopqrstuvwxyz", 0, nullptr, nullptr,
                               0, 0, 0xFFFFFFFF, &raw),
              0);
    std::unique_ptr<KGEWinFont> font(raw);
    ASSERT_EQ(font->GetGlyphCount(), 26u);
    EXPECT_GT(font->GetCellHeight(), 20);

    // The texture is a power of two on each side; every image lies inside it
    // and images of one row keep a pixel between them.
    const int32_t w = font->GetPackedWidth(), h = font->GetPackedHeight();
    EXPECT_EQ(w & (w - 1), 0);
    EXPECT_EQ(h & (h - 1), 0);
    const KGEImageRecord* images = font->GetImages();
    for (uint32_t i = 0; i < font->GetImageCount(); ++i) {
        EXPECT_LE(images[i].x + images[i].width, w);
        EXPECT_LE(images[i].y + font->GetCellHeight(), h);
        if (i > 0 && images[i].y == images[i - 1].y) {
            EXPECT_GE(images[i].x, images[i - 1].x + images[i - 1].width + 1);
        }
    }

    ASSERT_EQ(font->AddRef(), 0);
    ASSERT_TRUE(font->IsBuilt());
    ASSERT_NE(font->GetTexture(), nullptr);
    EXPECT_EQ(font->GetTexture()->GetTextureWidth(), w);
    EXPECT_EQ(font->GetTexture()->GetTextureHeight(), h);

    ASSERT_EQ(viewer.BeginScene(), kResultOk);
    viewer.ClearTarget(0xFF000000);
    const char16_t* word = u"hello";
    font->DrawTextAt(10, 20, word);
    const platform::FrameView frame = viewer.GetDevice()->BackBuffer();
    ASSERT_NE(frame.pixels, nullptr);

    // Each letter leaves ink inside its own advance; nothing is drawn above
    // the line or right of the word.
    KGESize size = font->MeasureText(word, kKgeToTerminator);
    for (int i = 0; i < 5; ++i) {
        KGESize before = font->MeasureText(word, uint32_t(i));
        const KGEGlyph* glyph = font->FindGlyph(word[i]);
        ASSERT_NE(glyph, nullptr);
        int left = 10 + before.width, right = left + glyph->advance;
        EXPECT_GE(CountLit(frame, left, 20, right, 20 + font->GetCellHeight()), 8) << i;
    }
    EXPECT_EQ(CountLit(frame, 0, 0, 160, 19), 0);
    EXPECT_EQ(CountLit(frame, 10 + size.width + 2, 0, 160, 64), 0);
    // 'l' is one tall stroke: a column of lit pixels at least half the ascent.
    int lLeft = 10 + font->MeasureText(word, 2).width;
    int tallest = 0;
    for (int x = lLeft; x < lLeft + font->FindGlyph(u'l')->advance; ++x)
        tallest = std::max(tallest, CountLit(frame, x, 20, x + 1, 20 + font->GetCellHeight()));
    EXPECT_GE(tallest, font->GetAscent() / 2);
    viewer.EndFrame();

    font->Release();
    EXPECT_FALSE(font->IsBuilt());
    EXPECT_EQ(font->GetTexture(), nullptr);
}

TEST(BitmapFontBuild, ImagesOffTheTextureAreNotDrawn) {
    TestViewer viewer;
    ASSERT_TRUE(viewer.Open(64, 64));
    DXLTexture texture(&viewer);
    texture.Create(32, 32, kFormatA8R8G8B8, false);
    ASSERT_TRUE(texture.IsLive());

    KGEBitmapFont font(&viewer);
    EXPECT_EQ(font.AddRef(), 0); // nothing to build yet: no images
    font.Release();
    int32_t areas[] = {0, 0, 8, 28, 20, 8, 40, 0, 8};
    KGEImageDescription desc{0, 3, 16, areas, 0, 0, {}, {}};
    ASSERT_EQ(font.SetImages(&desc), 0);
    font.AllocGlyphs(kCharsetAnsi, 4);
    font.SetChars(u"ABCD", 4);
    for (uint32_t i = 0; i < 4; ++i) {
        font.GetGlyphs()[i].image = i == 3 ? 7 : i;
        font.GetGlyphs()[i].advance = 8;
    }
    font.SetMetrics(kKgeDefault, kKgeDefault, 4, 0);
    font.BuildCharMap();
    EXPECT_EQ(font.AddRef(), kKgeNoTexture);
    EXPECT_FALSE(font.IsBuilt());

    font.SetTexture(&texture, false);
    ASSERT_EQ(font.AddRef(), 0);
    EXPECT_TRUE(font.IsBuilt());
    // Partly on the texture counts; wholly off it does not; an image index
    // out of range is simply not drawn.
    EXPECT_TRUE(font.GetImages()[1].visible);
    EXPECT_FALSE(font.GetImages()[2].visible);
    const KGEGlyph* glyphs = font.GetGlyphs();
    EXPECT_EQ(glyphs[0].drawable, 1u);
    EXPECT_EQ(glyphs[1].drawable, 1u);
    EXPECT_EQ(glyphs[2].drawable, 0u);
    EXPECT_EQ(glyphs[3].drawable, 0u);
    // The partly visible quad keeps the visible part at its place in the cell.
    const TexturedQuad& quad = font.GetQuads()[1];
    EXPECT_FLOAT_EQ(quad.v[2].x - quad.v[0].x, 4.0f);
    EXPECT_FLOAT_EQ(quad.v[2].y - quad.v[0].y, 12.0f);
    EXPECT_EQ(font.GetHeight(), 16);

    font.Release();
    EXPECT_FALSE(font.IsBuilt());
    EXPECT_EQ(font.GetQuads(), nullptr);
    EXPECT_EQ(glyphs[0].drawable, 0u);
}

TEST(OutOfMemory, ThrowsForTheProgramToTell) {
    EXPECT_THROW(KGEOutOfMemory(), std::bad_alloc);
}

} // namespace
