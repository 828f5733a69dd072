#include "text/DXLRichText.h"

#include "foundation/Colour.h"
#include "foundation/StrFunctions.h"
#include "tests/engine/TextureTestSupport.h"
#include "text/DXLBitmapFont.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

using texturetest::TestViewer;

namespace {

// Letters are 8 pixels wide and 10 high (ascent 8), a space is 4 wide.
void MakeFont(DXLBitmapFontW& font, DXLTexture& sheet) {
    font.BeginUpdate();
    font.SetImage(&sheet);
    font.SetHeight(10);
    font.SetDescent(2);
    const std::u16string letters = u"abcdefghijklmnopqrstuvwxyz";
    font.AddGlyphs(letters.data(), int32_t(letters.size()), 0, true);
    font.SetAllCellWidths(8);
    font.SetSpaceWidth(4);
    font.EndUpdate();
}

std::u16string Hex(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", value);
    return std::u16string(buffer, buffer + std::strlen(buffer));
}

std::string R(const kis::Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class RichTextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(viewer.Open());
        sheet.Create(256, 64, kFormatA8R8G8B8, false);
        MakeFont(font, sheet);
        text.SetFont(&font);
    }
    // The left edge of the glyph's quad in pixels.
    float GlyphX(int32_t item, int32_t glyph) const {
        return text.GetItem(item).quads[size_t(glyph)].v[0].x + 0.5f;
    }

    TestViewer viewer;
    DXLTexture sheet{&viewer};
    DXLBitmapFontW font;
    DXLTextW text;
};

bool Shout(DXLTextW*, const char16_t* segment, int32_t length, char16_t* output, int32_t capacity) {
    if (std::u16string(segment, size_t(length)) == u"name") {
        kis::StrCopy(output, uint32_t(capacity), u"bob");
        return true;
    }
    if (std::u16string(segment, size_t(length)) == u"long") {
        // 3000 letters: more than the first room offered.
        std::u16string many(3000, u'z');
        kis::StrCopy(output, uint32_t(capacity), many.c_str());
        return true;
    }
    return false;
}

} // namespace

TEST_F(RichTextTest, ItemsOfRunsSpacesAndBreaks) {
    text.SetText(u"ab cd\nef");
    ASSERT_EQ(text.GetItemCount(), 5);
    EXPECT_EQ(text.GetItem(0).kind, kTextItemRun);
    EXPECT_EQ(text.GetItem(0).glyphCount, 2);
    EXPECT_EQ(text.GetItem(0).width, 16);
    EXPECT_EQ(text.GetItem(1).kind, kTextItemSpace);
    EXPECT_EQ(text.GetItem(1).width, 4);
    EXPECT_EQ(text.GetItem(3).kind, kTextItemBreak);
    EXPECT_EQ(text.GetItem(3).height, 10);
    EXPECT_EQ(text.GetParagraphCount(), 2);
    EXPECT_EQ(text.GetContentWidth(), 36);
    // The break counts in its line: its ascent is its full height, so the
    // line's baseline sits at 10 and the line is 10 - 8 + 10 = 12 high.
    EXPECT_EQ(text.GetTotalHeight(), 22);
    EXPECT_FLOAT_EQ(GlyphX(2, 1), 28.0f);      // c at 20, d at 28
    EXPECT_FLOAT_EQ(text.GetItem(0).y, 2.0f);  // 10 - the run's ascent
    EXPECT_FLOAT_EQ(text.GetItem(4).y, 12.0f); // the second line

    // '<' before no tag name is a character; a run holds at most 255.
    text.SetText(u"a<b");
    ASSERT_EQ(text.GetItemCount(), 1);
    EXPECT_EQ(text.GetItem(0).glyphCount, 3);
    EXPECT_EQ(text.GetItem(0).width, 16); // '<' has no glyph and no width
    text.SetText(std::u16string(600, u'a').c_str());
    ASSERT_EQ(text.GetItemCount(), 3);
    EXPECT_EQ(text.GetItem(1).glyphCount, 255);
    EXPECT_EQ(text.GetItem(2).glyphCount, 90);
    EXPECT_EQ(text.GetContentWidth(), 4800);
}

TEST_F(RichTextTest, FontAndColourTags) {
    text.SetText(u"<color=ff0000>x</color>y");
    ASSERT_EQ(text.GetItemCount(), 2);
    EXPECT_EQ(text.GetItem(0).quads[0].v[0].colour, 0xFFFF0000u);
    EXPECT_EQ(text.GetItem(1).quads[0].v[2].colour, 0xFFFFFFFFu);

    DXLBitmapFontW other;
    MakeFont(other, sheet);
    other.SetSpaceWidth(9);
    const std::u16string handle = Hex(RegisterDXLFont(&other));
    text.SetText((u"a<FONT ADDR=" + handle + u" color=80000000>b c</font><font>d").c_str());
    ASSERT_EQ(text.GetItemCount(), 5);
    EXPECT_EQ(text.GetItem(1).font, &other);
    EXPECT_EQ(text.GetItem(1).quads[0].v[0].colour, 0x80000000u);
    EXPECT_EQ(text.GetItem(2).width, 9);
    EXPECT_EQ(text.GetItem(3).font, &other);
    EXPECT_EQ(text.GetItem(4).font, &font);   // the closing tag restored the font
    EXPECT_EQ(text.GetItem(4).glyphCount, 1); // "<font>" without '=' pushes nothing

    // A handle that names no font makes the tag text; 0 keeps the font.
    text.SetText(u"<font=7FFFFFF0>a");
    EXPECT_EQ(text.GetItem(0).glyphCount, 16);
    text.SetText(u"<font=0 color=$0000ff>a");
    EXPECT_EQ(text.GetItem(0).font, &font);
    EXPECT_EQ(text.GetItem(0).quads[0].v[0].colour, 0xFF0000FFu);

    // Once the font is gone its handle names nothing.
    const uint32_t gone = [&] {
        DXLBitmapFontW temporary;
        return RegisterDXLFont(&temporary);
    }();
    text.SetText((u"<font=" + Hex(gone) + u">a").c_str());
    EXPECT_GT(text.GetItem(0).glyphCount, 1);
}

TEST_F(RichTextTest, GradientsSpreadColoursOverTheCoveredItems) {
    text.SetText(u"<grad color1=0 color2=ff0000ff>ab</grad>c");
    ASSERT_EQ(text.GetItemCount(), 2);
    const DXLTextW::Item& run = text.GetItem(0);
    EXPECT_EQ(run.quads[0].v[0].colour, 0xFF000000u); // 0 is opaque black
    EXPECT_EQ(run.quads[0].v[1].colour, kis::LerpColor(0xFF000000u, 0xFF0000FFu, 0.5f));
    EXPECT_EQ(run.quads[1].v[0].colour, kis::LerpColor(0xFF000000u, 0xFF0000FFu, 7.5f / 16.0f));
    EXPECT_EQ(run.quads[1].v[2].colour, 0xFF0000FFu);
    EXPECT_EQ(text.GetItem(1).quads[0].v[0].colour, 0xFFFFFFFFu);

    // An absent colour is white; a gradient left open is dropped.
    text.SetText(u"<grad color2=ff00ff00>ab");
    EXPECT_EQ(text.GetItem(0).quads[1].v[1].colour, 0xFFFFFFFFu);
}

TEST_F(RichTextTest, LinksRecordTheirItemsAndLineRectangles) {
    text.SetText(u"a <link id=12 data=1234567890abcdef>bc d</link> </link>e<link id=3></link>");
    ASSERT_EQ(text.GetLinkCount(), 1);
    const DXLTEXTLINK* link = text.GetLink(0);
    EXPECT_EQ(link->id, 0x12u);
    EXPECT_EQ(link->data, 0x90ABCDEFu);
    EXPECT_EQ(link->firstItem, 2);
    EXPECT_EQ(link->lastItem, 4);
    ASSERT_EQ(link->rects.size(), 1u);
    EXPECT_EQ(R(link->rects[0]), "12,0,40,10");

    // Wrapped at 50: "aa bb" and "cc"; the link covers bb, the space and cc.
    text.SetWordWrap(true);
    text.SetWidth(50);
    text.SetText(u"aa <link id=7>bb cc</link>");
    ASSERT_EQ(text.GetLineCount(), 2);
    link = text.GetLink(0);
    ASSERT_EQ(link->rects.size(), 2u);
    EXPECT_EQ(R(link->rects[0]), "20,0,40,10");
    EXPECT_EQ(R(link->rects[1]), "0,10,16,20");
}

TEST_F(RichTextTest, AlignmentUsesTheLayoutWidthOrTheWidestParagraph) {
    text.SetText(u"aa\nbbbb");
    text.SetAlignment(kTextAlignCentre);
    EXPECT_FLOAT_EQ(GlyphX(0, 0), 8.0f); // centred on the 32-pixel paragraph
    text.SetWidth(100);                  // ignored while not wrapping
    EXPECT_FLOAT_EQ(GlyphX(0, 0), 8.0f);
    text.SetWordWrap(true);
    EXPECT_FLOAT_EQ(GlyphX(0, 0), 42.0f);
    EXPECT_FLOAT_EQ(GlyphX(2, 0), 34.0f);
    EXPECT_EQ(text.GetWidth(false), 100);
    EXPECT_EQ(text.GetWidth(true), 32);
    text.SetAlignment(kTextAlignRight);
    EXPECT_FLOAT_EQ(GlyphX(0, 0), 84.0f);

    // Line spacing goes between lines; the last line brings only its height.
    text.SetLineSpacing(5);
    EXPECT_EQ(text.GetTotalHeight(), 27);
    EXPECT_FLOAT_EQ(text.GetItem(2).y, 17.0f);

    // An empty line is as high as its break: the font's vertical spacing
    // counts once. A line of text ending in a break takes the break's
    // ascent (13) as its own: 13 - 8 + 10 + 3. The last line brings its
    // height without the spacing.
    font.SetVSpacing(3);
    text.SetLineSpacing(0);
    text.SetText(u"a\n\nb");
    EXPECT_EQ(text.GetLine(0).height, 18);
    EXPECT_EQ(text.GetLine(1).height, 13);
    EXPECT_FLOAT_EQ(text.GetItem(3).y, 31.0f);
    EXPECT_EQ(text.GetTotalHeight(), 18 + 13 + 10);
    font.SetVSpacing(0);

    // Only spaces: every line is empty once its trailing space is dropped.
    text.SetWidth(3);
    text.SetText(u"   ");
    EXPECT_EQ(text.GetWidth(true), 0);
}

TEST_F(RichTextTest, JustifiedLinesReachTheRightEdgeExceptTheLast) {
    text.SetWordWrap(true);
    text.SetWidth(50);
    text.SetAlignment(kTextAlignJustify);
    text.SetText(u"aa bb cc");
    ASSERT_EQ(text.GetLineCount(), 2);
    EXPECT_FLOAT_EQ(GlyphX(2, 1), 42.0f); // bb moved by the whole free 14
    EXPECT_FLOAT_EQ(GlyphX(4, 0), 0.0f);  // the last line is not stretched
    EXPECT_EQ(text.GetWidth(true), 50);

    // A line of one run spreads its glyphs.
    text.SetText(u"aaaa bbbbbb");
    ASSERT_EQ(text.GetLineCount(), 2);
    for (int g = 0; g < 4; ++g)
        EXPECT_FLOAT_EQ(GlyphX(0, g), float(8 * g + 6 * g));
    EXPECT_FLOAT_EQ(GlyphX(2, 5), 40.0f);

    // A line ending in a line break keeps its places.
    text.SetText(u"aa bb\ncc");
    EXPECT_FLOAT_EQ(GlyphX(2, 0), 20.0f);

    // The last line stays as it is also when a dropped space follows it.
    text.SetText(u"aa bb cc ");
    ASSERT_EQ(text.GetLineCount(), 2);
    EXPECT_FLOAT_EQ(GlyphX(4, 1), 8.0f);
    text.SetLineSpacing(5);
    text.SetText(u"aaaaaa  "); // the second line holds only a dropped space
    EXPECT_FLOAT_EQ(GlyphX(0, 5), 40.0f);
    EXPECT_EQ(text.GetTotalHeight(), 10);
}

TEST_F(RichTextTest, TextsBuildAgainWhenTheirFontsRebuild) {
    DXLBitmapFontW other;
    MakeFont(other, sheet);
    text.SetText((u"ab<font=" + Hex(RegisterDXLFont(&other)) + u">cd").c_str());
    ASSERT_EQ(text.GetItemCount(), 2);
    EXPECT_EQ(text.GetItem(0).width, 16);

    font.SetAllCellWidths(10); // the default font
    EXPECT_EQ(text.GetItem(0).width, 20);
    EXPECT_FLOAT_EQ(GlyphX(1, 0), 20.0f);
    EXPECT_FLOAT_EQ(text.GetItem(0).quads[1].v[1].x - text.GetItem(0).quads[1].v[0].x, 10.0f);
    other.SetAllCellWidths(6); // a font named by a tag
    EXPECT_EQ(text.GetItem(1).width, 12);
    EXPECT_EQ(text.GetContentWidth(), 32);

    // A font that loses its image leaves its runs without glyph quads.
    font.SetImage(nullptr);
    EXPECT_FALSE(text.GetItem(0).hasQuad[0]);
    EXPECT_TRUE(text.GetItem(1).hasQuad[0]);
}

TEST_F(RichTextTest, BracketCallbacksExpandFieldsAndTheBufferGrows) {
    text.AddBracketCallback(Shout);
    text.SetText(u"hi [name] [x] [a[b]c] [open");
    const std::u16string expanded = text.GetExpandedText();
    EXPECT_EQ(expanded, u"hi bob [x] [a[b]c] [open");
    text.SetText(u"[long]");
    EXPECT_EQ(std::u16string(text.GetExpandedText()).size(), 3000u);
    EXPECT_EQ(text.GetItemCount(), 12); // runs of 255
    EXPECT_EQ(text.GetContentWidth(), 3000 * 8);
    text.RemoveBracketCallback(Shout);
    text.SetText(u"[name]");
    EXPECT_EQ(std::u16string(text.GetExpandedText()), u"[name]");
}

TEST_F(RichTextTest, ImagesTakeTheirSizeFromTheTextureOrTheTag) {
    DXLTexture picture(&viewer);
    picture.Create(64, 32, kFormatA8R8G8B8, false);
    const std::u16string h = Hex(RegisterTexture(&picture));
    auto image = [&](const std::u16string& keys) -> const DXLTextW::Item* {
        text.SetText((u"<image=" + h + u" " + keys + u">").c_str());
        return text.GetItemCount() == 1 ? &text.GetItem(0) : nullptr;
    };
    const DXLTextW::Item* item = image(u"");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->kind, kTextItemImage);
    EXPECT_EQ(item->width, 64);
    EXPECT_EQ(item->height, 32);
    EXPECT_EQ(item->ascent, 32);
    item = image(u"WIDTH=50% height=2000 lt=25% al=-3 ofsy=50% color=00ff00");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->width, 32);
    EXPECT_EQ(item->height, 1024);
    EXPECT_EQ(item->ascent, 256);
    EXPECT_FLOAT_EQ(item->quad.v[0].x, -3.0f - 0.5f);
    EXPECT_FLOAT_EQ(item->quad.v[0].y, 16.0f - 0.5f);
    EXPECT_EQ(item->quad.v[0].colour, 0xFF00FF00u);

    TexturedQuad given{};
    picture.MakeQuadSized(&given, 0.0f, 0.0f, 20.0f, 10.0f);
    const uint32_t quadHandle = RegisterQuad(&given);
    item = image(u"quad=" + Hex(quadHandle) + u" al=2");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->width, 20);
    EXPECT_TRUE(item->givenQuad);
    EXPECT_FLOAT_EQ(item->quad.v[0].x, 1.5f);
    UnregisterObject(&given);

    // No texture: dropped. Unknown handles: ordinary text.
    text.SetText(u"<image=0 width=10>");
    EXPECT_EQ(text.GetItemCount(), 0);
    text.SetText((u"<image=" + h + u" quad=" + Hex(quadHandle) + u">").c_str());
    ASSERT_EQ(text.GetItemCount(), 3); // "<image=..", a space, "quad=..>"
    EXPECT_EQ(text.GetItem(0).kind, kTextItemRun);
    EXPECT_EQ(text.GetItem(0).glyphCount, int32_t(7 + h.size()));
}

TEST_F(RichTextTest, ObjectsNamedByTagsThatGoAwayTurnTheTagsIntoText) {
    auto other = std::make_unique<DXLBitmapFontW>();
    MakeFont(*other, sheet);
    auto picture = std::make_unique<DXLTexture>(&viewer);
    picture->Create(16, 16, kFormatA8R8G8B8, false);
    const std::u16string markup = u"<font=" + Hex(RegisterDXLFont(other.get())) + u">ab</font><image=" +
                                  Hex(RegisterTexture(picture.get())) + u">";
    text.SetText(markup.c_str());
    ASSERT_EQ(text.GetItemCount(), 2);
    EXPECT_EQ(text.GetItem(0).font, other.get());

    other.reset();
    ASSERT_GE(text.GetItemCount(), 1);
    EXPECT_EQ(text.GetItem(0).font, &font);
    EXPECT_EQ(text.GetItem(0).glyphCount, int32_t(markup.find(u'>') + 3)); // the tag is text now
    EXPECT_EQ(text.GetItem(text.GetItemCount() - 1).kind, kTextItemImage);

    // While an update is held the items only let go of the texture.
    text.BeginUpdate();
    picture.reset();
    EXPECT_EQ(text.GetItem(text.GetItemCount() - 1).texture, nullptr);
    text.EndUpdate();
    EXPECT_EQ(text.GetItem(text.GetItemCount() - 1).kind, kTextItemRun);
}

TEST_F(RichTextTest, TextSettersAndCopies) {
    text.SetMaxLength(3);
    text.SetText(u"abcdef");
    EXPECT_EQ(std::u16string(text.GetText()), u"abc");
    text.SetMaxLength(0);
    EXPECT_EQ(std::u16string(text.GetText()), u"abc");
    text.SetRawMode(true);
    text.SetText(u"<color=ff>a");
    EXPECT_EQ(text.GetItem(0).glyphCount, 11);

    DXLTextW copy;
    text.SetAlignment(kTextAlignRight);
    copy.Assign(text);
    EXPECT_EQ(copy.GetFont(), &font);
    EXPECT_EQ(copy.GetAlignment(), kTextAlignRight);
    EXPECT_EQ(std::u16string(copy.GetText()), u"<color=ff>a");

    // The text lets go of a font that goes away.
    {
        DXLBitmapFontW shortLived;
        copy.SetFont(&shortLived);
    }
    EXPECT_EQ(copy.GetFont(), nullptr);
    EXPECT_EQ(copy.GetItemCount(), 0);
}

TEST(DXLTextA, EightBitTwinLaysOutTheSame) {
    TestViewer viewer;
    ASSERT_TRUE(viewer.Open());
    DXLTexture sheet(&viewer);
    sheet.Create(256, 64, kFormatA8R8G8B8, false);
    DXLBitmapFontA font;
    font.SetImage(&sheet);
    font.SetHeight(10);
    font.AddGlyphs("ab", 2, 0, true);
    font.SetAllCellWidths(8);
    font.SetSpaceWidth(4);
    DXLTextA text;
    text.SetFont(&font);
    text.SetText("ab <color=ff0000>b</color>");
    ASSERT_EQ(text.GetItemCount(), 3);
    EXPECT_EQ(text.GetContentWidth(), 28);
    EXPECT_EQ(text.GetItem(2).quads[0].v[0].colour, 0xFFFF0000u);
}

TEST_F(RichTextTest, AFontRebuiltDuringTheBuildDoesNotBuildTwice) {
    // The tag shows the font's own sheet; restoring it rebuilds the font,
    // which tells the text while the text is still building.
    DXLBitmap pixels;
    pixels.SetFormat(kFormatA8R8G8B8);
    pixels.SetSize(256, 64);
    sheet.SetSourceBitmap(&pixels, true);
    sheet.Release();
    ASSERT_FALSE(sheet.IsLive());
    text.SetText((u"<image=" + Hex(RegisterTexture(&sheet)) + u" width=10>ab").c_str());
    ASSERT_EQ(text.GetItemCount(), 2);
    EXPECT_EQ(text.GetItem(0).kind, kTextItemImage);
    EXPECT_EQ(text.GetItem(1).glyphCount, 2);
    EXPECT_TRUE(text.GetItem(1).hasQuad[0]);
    sheet.SetSourceBitmap(nullptr, false);
}
