#include "text/DXLFont.h"

#include "engine/Log.h"
#include "platform/SyntheticFace.h"
#include "platform/Utf.h"
#include "tests/engine/TextureTestSupport.h"
#include "tests/support/TempDir.h"
#include "text/DXLBitmapFont.h"
#include "text/DXLRichText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <type_traits>

using texturetest::TestViewer;
using texturetest::Texel;

namespace {

// Every glyph of the synthetic face is a full box; the cell height is
// ascent + descent and the measured width the advance.
platform::SyntheticFaceSpec Face(int32_t advance, int32_t ascent, int32_t descent) {
    platform::SyntheticFaceSpec spec;
    spec.advance = advance;
    spec.boxWidth = std::max(1, advance - 2);
    spec.boxHeight = ascent;
    spec.originX = 1;
    spec.originY = ascent;
    spec.ascent = ascent;
    spec.descent = descent;
    return spec;
}

class WinFontTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(viewer.Open());
        UseFace(Face(16, 16, 4));
        ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(dir.File("log.txt")).c_str()));
        props.SetFaceName(u"Arial");
        props.SetSize(12);
    }
    void TearDown() override {
        LogFinish();
        platform::SetGlyphFaceOpener(nullptr);
    }
    void UseFace(platform::SyntheticFaceSpec spec) {
        platform::SetGlyphFaceOpener([spec](const platform::GlyphFaceRequest& request, std::string*) {
            return std::make_unique<platform::SyntheticFace>(spec, request);
        });
    }
    std::string Log() {
        LogFinish();
        return testsupport::ReadFileBytes(dir.File("log.txt"));
    }
    // A font of the given characters rendered with the current face.
    std::unique_ptr<DXLWinFontW> Render(const std::u16string& chars) {
        auto font = std::make_unique<DXLWinFontW>(&viewer);
        font->AddGlyphs(chars.data(), int32_t(chars.size()), 0, true);
        font->SetProps(&props);
        return font;
    }

    testsupport::TempDir dir;
    TestViewer viewer;
    DXLFontPropsW props;
};

} // namespace

TEST_F(WinFontTest, SheetIsTheSmallestAreaThatHoldsTheGlyphs) {
    // advance 16 + insets 2 + 2 = 20 wide; ascent 16 + descent 4 = 20 high.
    auto one = Render(u"A");
    ASSERT_TRUE(one->GetImage()->IsLive());
    EXPECT_EQ(one->GetImage()->GetWidth(), 32);
    EXPECT_EQ(one->GetImage()->GetHeight(), 32);
    EXPECT_EQ(one->GetHeight(), 20);
    EXPECT_EQ(one->GetGlyph(u'A')->cellWidth, 20);
    EXPECT_EQ(one->GetAdvance(u'A'), 16);
    EXPECT_EQ(one->GetAscent(), 16);
    EXPECT_EQ(one->GetDescent(), 4);

    // 64 x 32 and 32 x 64 both hold two cells; the first found stays because
    // the other is not strictly squarer.
    auto two = Render(u"AB");
    EXPECT_EQ(two->GetImage()->GetWidth(), 64);
    EXPECT_EQ(two->GetImage()->GetHeight(), 32);
    const DXLGlyph* b = two->GetGlyph(u'B');
    EXPECT_EQ(b->sheet.left, 20);
    EXPECT_EQ(b->sheet.top, 0);

    // A 40-pixel cell never fits a 32-pixel-high sheet.
    UseFace(Face(16, 30, 10));
    auto tall = Render(u"A");
    EXPECT_EQ(tall->GetImage()->GetWidth(), 32);
    EXPECT_EQ(tall->GetImage()->GetHeight(), 64);
}

TEST_F(WinFontTest, GlyphPixelsCarryTheirCoverageAsAlpha) {
    auto font = Render(u"A");
    DXLTexture* image = font->GetImage();
    ASSERT_TRUE(image->IsLive());
    const PixelFormat format = image->GetTextureFormat();
    EXPECT_TRUE(format == kFormatA8L8 || format == kFormatA4R4G4B4 || format == kFormatA8R8G8B8);
    auto* bits = static_cast<uint8_t*>(image->Lock(platform::kLockReadOnly));
    ASSERT_NE(bits, nullptr);
    const uint32_t bytes = GetFormatBytes(format);
    auto alphaAt = [&](int x, int y) {
        uint32_t argb = 0;
        PixelToARGB(bits + size_t(y) * size_t(image->GetLockedPitch()) + size_t(x) * bytes, format, &argb);
        return argb >> 24;
    };
    // The box is drawn at x = left inset 2 + box origin 1, from the cell top.
    EXPECT_EQ(alphaAt(5, 8), 0xFFu);
    EXPECT_EQ(alphaAt(0, 8), 0u);  // the inset
    EXPECT_EQ(alphaAt(25, 8), 0u); // beyond the cell
    image->Unlock();
}

TEST_F(WinFontTest, OutlineOrShadowGiveRecolouredPixels) {
    props.SetColor(0xFF00FF00u);
    auto font = std::make_unique<DXLWinFontW>(&viewer);
    font->AddGlyphs(u"A", 1, 0, true);
    DXLShadowRecord shadow{{1, 2, 2, 0xFF000000u, 0}};
    font->SetShadow(shadow);
    font->SetProps(&props);
    DXLTexture* image = font->GetImage();
    ASSERT_TRUE(image->IsLive());
    EXPECT_EQ(image->GetTextureFormat(), kFormatA8R8G8B8);
    EXPECT_EQ(Texel(*image, 5, 8), 0xFF00FF00u);

    // The outline record's words after the flag: size (float bits), colour,
    // threshold. A red ring of 2 pixels surrounds the green box.
    auto outlined = std::make_unique<DXLWinFontW>(&viewer);
    outlined->AddGlyphs(u"A", 1, 0, true);
    const float size = 2.0f;
    DXLOutlineRecord outline{{1, 0, 0xFFFF0000u, 0x80}};
    std::memcpy(&outline.words[1], &size, sizeof size);
    outlined->SetOutline(outline);
    outlined->SetProps(&props);
    image = outlined->GetImage();
    ASSERT_TRUE(image->IsLive());
    EXPECT_EQ(Texel(*image, 2, 8), 0xFFFF0000u); // one pixel left of the box
    EXPECT_EQ(Texel(*image, 5, 8), 0xFF00FF00u);
    EXPECT_EQ(Texel(*image, 0, 8) >> 24, 0u); // three pixels away
}

TEST_F(WinFontTest, FailuresAreLoggedAndLeaveTheTextureEmpty) {
    // Nothing to draw: no face opened, no texture and no log line.
    int opened = 0;
    platform::SetGlyphFaceOpener([&opened](const platform::GlyphFaceRequest& request, std::string*) {
        ++opened;
        return std::make_unique<platform::SyntheticFace>(Face(16, 16, 4), request);
    });
    auto empty = Render(u"");
    EXPECT_FALSE(empty->GetImage()->IsLive());
    EXPECT_EQ(opened, 0);
    auto one = Render(u"A");
    EXPECT_EQ(opened, 1);

    // 300 cells of 250 x 20: at most 4 x 51 fit 1024 x 1024.
    UseFace(Face(246, 16, 4));
    std::u16string many;
    for (char16_t c = 0x100; c < 0x100 + 300; ++c)
        many.push_back(c);
    auto tooMany = Render(many);
    EXPECT_FALSE(tooMany->GetImage()->IsLive());
    EXPECT_NE(tooMany->GetGlyph(0x100), nullptr); // the glyph records stay

    // A measured cell of 300 + 4 pixels would wrap around a byte.
    UseFace(Face(300, 16, 4));
    auto wide = Render(u"W");
    EXPECT_FALSE(wide->GetImage()->IsLive());
    EXPECT_EQ(wide->GetGlyph(u'W')->cellWidth, 0);

    const std::string log = Log();
    EXPECT_NE(log.find("DXLWinFontW: Characters are too large or too many."), std::string::npos);
    EXPECT_NE(log.find("Measured cell width 304 is above 255 pixels"), std::string::npos);
    EXPECT_EQ(log.find("Invalid HFONT"), std::string::npos);
}

TEST_F(WinFontTest, ItalicAndMarginFactorWidenTheBearings) {
    props.SetStyle(kDXLFontItalic);
    auto font = std::make_unique<DXLWinFontW>(&viewer);
    font->AddGlyphs(u"A", 1, 0, true);
    font->SetMarginFactor(0.5f);
    font->SetProps(&props);
    const DXLGlyph* glyph = font->GetGlyph(u'A');
    EXPECT_EQ(glyph->leftBearing, 4);       // round(16 x 0.5 / 2)
    EXPECT_EQ(glyph->rightBearing, 4 + 16); // plus the measured width
    EXPECT_EQ(glyph->cellWidth, 16 + 4 + 4 + 20);
    EXPECT_EQ(font->GetAdvance(u'A'), 16);
    // The quads start left of the pen by the inset and the left bearing.
    const TexturedQuad* quad = font->GetGlyphQuad(u'A');
    ASSERT_NE(quad, nullptr);
    EXPECT_FLOAT_EQ(quad->v[0].x, -2.0f - 4.0f - 0.5f);
}

// Counts the changes an object passes up to its owner.
class ChangeCounter : public DXLUpdateableObject {
  public:
    void Update(DXLNotifyObject*) override { ++changes; }
    int changes = 0;
};

TEST_F(WinFontTest, PropertySettersPassOnANewValueOnce) {
    DXLWinFontW font(&viewer);
    DXLTextW text;
    DXLFontPropsW fontProps;
    ChangeCounter fontOwner, textOwner, propsOwner;
    font.SetOwner(&fontOwner);
    text.SetOwner(&textOwner);
    fontProps.SetOwner(&propsOwner);
    struct Case {
        const char* name;
        ChangeCounter& owner;
        std::function<void()> set;
        std::function<bool()> holds;
    };
    // A case of the object's setter and getter with one value.
    const auto prop = [](const char* name, ChangeCounter& owner, auto& object, auto setter, auto getter,
                         auto value) {
        return Case{name, owner, [&object, setter, value] { (object.*setter)(value); },
                    [&object, getter, value] {
                        using Got = std::remove_cvref_t<decltype((object.*getter)())>;
                        return (object.*getter)() == Got(value);
                    }};
    };
    using Props = DXLFontPropsW;
    const Case cases[] = {
        prop("size", propsOwner, fontProps, &Props::SetSize, &Props::GetSize, 21),
        prop("style", propsOwner, fontProps, &Props::SetStyle, &Props::GetStyle, kDXLFontItalic),
        prop("colour", propsOwner, fontProps, &Props::SetColor, &Props::GetColor, 0xFF102030u),
        prop("character set", propsOwner, fontProps, &Props::SetCharSet, &Props::GetCharSet, 238),
        prop("pitch and family", propsOwner, fontProps, &Props::SetPitchAndFamily, &Props::GetPitchAndFamily,
             34),
        prop("quality", propsOwner, fontProps, &Props::SetQuality, &Props::GetQuality, 5),
        prop("vertical skip", fontOwner, font, &DXLWinFontW::SetVSkip, &DXLWinFontW::GetVSkip, 7),
        prop("horizontal skip", fontOwner, font, &DXLWinFontW::SetHSkip, &DXLWinFontW::GetHSkip, 3),
        prop("empty width", fontOwner, font, &DXLWinFontW::SetEmptyCharWidth, &DXLWinFontW::GetEmptyCharWidth,
             9),
        prop("margin factor", fontOwner, font, &DXLWinFontW::SetMarginFactor, &DXLWinFontW::GetMarginFactor,
             0.25f),
        prop("alpha factor", fontOwner, font, &DXLWinFontW::SetAlphaFactor, &DXLWinFontW::GetAlphaFactor,
             0.75f),
        prop("word wrap", textOwner, text, &DXLTextW::SetWordWrap, &DXLTextW::GetWordWrap, true),
        prop("alignment", textOwner, text, &DXLTextW::SetAlignment, &DXLTextW::GetAlignment, kTextAlignRight),
        prop("line spacing", textOwner, text, &DXLTextW::SetLineSpacing, &DXLTextW::GetLineSpacing, 4),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = c.owner.changes;
        c.set();
        EXPECT_TRUE(c.holds());
        EXPECT_EQ(c.owner.changes, before + 1);
        c.set();
        EXPECT_EQ(c.owner.changes, before + 1) << "the same value again changes nothing";
    }
}

TEST_F(WinFontTest, EightBitTwinRendersByteCodes) {
    DXLFontPropsA narrow;
    narrow.SetFaceName("Caf\xE9");
    narrow.SetSize(12);
    DXLWinFontA font(&viewer);
    font.AddGlyphs("A", 1, 0, true);
    font.SetProps(&narrow);
    EXPECT_EQ(font.GetImage()->GetWidth(), 32);
    EXPECT_EQ(font.GetGlyph('A')->cellWidth, 20);
    EXPECT_EQ(font.GetFontType(), kDXLFontTypeWin);
}

TEST_F(WinFontTest, RefusedSizesAreNamedInTheLog) {
    DXLBitmapFontW font;
    font.SetHeight(256);
    font.AddGlyphs(u"x", 1, 0, true);
    font.SetAllCellWidths(999);
    EXPECT_EQ(font.GetHeight(), 0);
    EXPECT_EQ(font.GetGlyph(u'x')->cellWidth, 0);
    const std::string log = Log();
    EXPECT_NE(log.find("DXLFontW: Cell height 256 is above 255 pixels; refused."), std::string::npos) << log;
    EXPECT_NE(log.find("DXLFontW: Cell width 999 is above 255 pixels; refused."), std::string::npos);
}

TEST(DXLFont, ColourReachesQuadsOnlyOutsideAnUpdate) {
    TestViewer viewer;
    ASSERT_TRUE(viewer.Open());
    DXLTexture sheet(&viewer);
    sheet.Create(64, 32, kFormatA8R8G8B8, false);
    DXLBitmapFontW font;
    font.SetImage(&sheet);
    font.SetHeight(10);
    font.AddGlyphs(u"ab", 2, 0, true);
    font.SetAllCellWidths(8);
    ASSERT_NE(font.GetGlyphQuad(u'a'), nullptr);

    font.BeginUpdate();
    font.SetColor(0xFFFF0000u);
    EXPECT_EQ(font.GetGlyphQuad(u'a')->v[0].colour, 0xFFFFFFFFu);
    font.EndUpdate(); // the rebuild writes the new colour
    EXPECT_EQ(font.GetGlyphQuad(u'b')->v[2].colour, 0xFFFF0000u);
    font.SetColor(0xFF0000FFu);
    EXPECT_EQ(font.GetGlyphQuad(u'a')->v[3].colour, 0xFF0000FFu);

    // Glyphs without a place on an image keep no quads from an earlier sheet.
    font.SetImage(nullptr);
    EXPECT_EQ(font.GetGlyphQuad(u'a'), nullptr);
    font.SetImage(&sheet);
    ASSERT_NE(font.GetGlyphQuad(u'a'), nullptr);
    font.SetAllCellWidths(0);
    EXPECT_EQ(font.GetGlyphQuad(u'b'), nullptr);
    font.SetAllCellWidths(8);
    font.SetHeight(0);
    EXPECT_EQ(font.GetGlyphQuad(u'b'), nullptr);
}

TEST(DXLFont, PlacementFillsRowsInNumberOrder) {
    DXLBitmapFontW font;
    font.SetHeight(10);
    font.SetVSkip(2);
    font.SetHSkip(1);
    font.SetEmptyCharWidth(5);
    // Numbers 0 a, 1 empty, 2 b, 3 c.
    font.AddGlyphs(u"a", 1, 0, true);
    font.AddGlyphs(u"bc", 2, 2, true);
    font.SetAllCellWidths(8);
    int32_t x = -1, y = -1;
    ASSERT_TRUE(font.PackGlyph(u'a', 32, 32, &x, &y));
    EXPECT_EQ(x, 0);
    ASSERT_TRUE(font.PackGlyph(u'b', 32, 32, &x, &y));
    EXPECT_EQ(x, 8 + 1 + 5 + 1); // a, skip, the empty number, skip
    EXPECT_EQ(y, 0);
    ASSERT_TRUE(font.PackGlyph(u'c', 32, 32, &x, &y));
    EXPECT_EQ(x, 24); // ends exactly at the edge
    ASSERT_TRUE(font.PackGlyph(u'c', 30, 32, &x, &y));
    EXPECT_EQ(x, 0); // 24 + 8 passes 30: a new row
    EXPECT_EQ(y, 12);
    EXPECT_FALSE(font.PackGlyph(u'c', 30, 21, &x, &y)); // its row's bottom 22 passes 21
    EXPECT_FALSE(font.PackGlyph(u'z', 32, 32, &x, &y)); // no glyph

    char16_t list[8];
    EXPECT_EQ(font.ListChars(list, 8), 3);
    EXPECT_EQ(std::u16string(list), u"abc");
    EXPECT_EQ(font.ListChars(list, 3), 2);
    EXPECT_EQ(std::u16string(list), u"ab");
    EXPECT_EQ(font.NumberInOrder(u"cab"), u'b');
    EXPECT_EQ(font.GetGlyph(u'c')->number, 0);
    font.RemoveGlyphRange(0, u'b');
    EXPECT_EQ(font.GetGlyph(u'a'), nullptr);
    EXPECT_NE(font.GetGlyph(u'c'), nullptr);
}

TEST(DXLFont, CellSizesAboveAByteAreRefusedAndAdvancesStayPositive) {
    DXLBitmapFontW font;
    font.SetHeight(20);
    font.SetDescent(5);
    font.SetHeight(300);
    EXPECT_EQ(font.GetHeight(), 20);
    EXPECT_EQ(font.GetAscent(), 15);
    font.AddGlyphs(u"x", 1, 0, true);
    font.SetAllCellWidths(10);
    font.SetCellWidth(u'x', 256);
    EXPECT_EQ(font.GetGlyph(u'x')->cellWidth, 10);
    font.SetBearings(u'x', 40, 40); // clamped to the cell width
    EXPECT_EQ(font.GetGlyph(u'x')->leftBearing, 10);
    EXPECT_EQ(font.GetAdvance(u'x'), 0); // 10 - 10 - 10 is not below 0
    font.SetBearings(u'x', -2, 0);
    EXPECT_EQ(font.GetAdvance(u'x'), 12);
    font.SetBearings(u'x', -25, -40000); // below there is no cell limit
    EXPECT_EQ(font.GetGlyph(u'x')->leftBearing, -25);
    EXPECT_EQ(font.GetGlyph(u'x')->rightBearing, -32768);
    font.SetBearings(u'x', 6, 5);
    font.SetCellWidth(u'x', 3); // the bearings follow the width down
    EXPECT_EQ(font.GetGlyph(u'x')->leftBearing, 3);
    EXPECT_EQ(font.GetGlyph(u'x')->rightBearing, 3);
}

TEST(DXLFont, EightBitTwinKeepsOnlyByteCodes) {
    DXLBitmapFontA font;
    const char chars[] = {'a', char(0xE9), 0};
    font.AddGlyphs(chars, 2, 0, true);
    char list[4];
    EXPECT_EQ(font.ListChars(list, 4), 2);
    EXPECT_EQ(uint8_t(list[1]), 0xE9);
    EXPECT_EQ(font.GetGlyph(char(0xE9))->number, 1);
    // Numbers without a glyph count as empty places on the sheet.
    font.SetHeight(4);
    font.SetAllCellWidths(4);
    font.AddGlyphs("a", 1, 300, false);
    int32_t x = 0, y = 0;
    ASSERT_TRUE(font.PackGlyph('a', 64, 64, &x, &y));
    EXPECT_EQ(x, 4); // the glyph numbered 1 stands before it
    font.SetEmptyCharWidth(1);
    EXPECT_FALSE(font.PackGlyph('a', 64, 4, &x, &y)); // 299 empty places need a second row
    ASSERT_TRUE(font.PackGlyph('a', 512, 4, &x, &y));
    EXPECT_EQ(x, 1 + 4 + 298); // empty number 0, the glyph numbered 1, 298 empty ones

    // Glyphs numbered beyond 255 are found by their number too.
    font.AddGlyphs("a\xE9", 2, 256, false);
    ASSERT_TRUE(font.PackGlyph(char(0xE9), 1024, 4, &x, &y));
    EXPECT_EQ(x, 256 + 4); // 256 empty places, then 'a'
    EXPECT_EQ(font.GetGlyphByNumber(256), font.GetGlyph('a'));
}
