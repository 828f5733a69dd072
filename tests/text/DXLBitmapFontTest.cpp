#include "text/DXLBitmapFont.h"

#include "platform/Files.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/engine/TextureTestSupport.h"
#include "tests/support/Damage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using texturetest::TestViewer;

namespace {

std::u16string Decode(const std::u16string& list, char16_t terminator = 0) {
    int32_t count = -1;
    const char16_t* out = DecodeCharList<char16_t>(list.c_str(), terminator, nullptr, &count);
    EXPECT_EQ(count, int32_t(std::u16string(out).size()));
    return out;
}

std::u16string Range(char16_t from, char16_t to) {
    std::u16string out;
    for (char16_t c = from; c <= to; ++c)
        out.push_back(c);
    return out;
}

class BitmapFontTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(viewer.Open());
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir.Path());
    }
    void TearDown() override { std::filesystem::current_path(previous_); }
    // The ini file, named in the game's own path form from the current folder.
    std::u16string WriteIni(const std::string& body) {
        testsupport::WriteFileBytes(dir.File("font.ini"), "[BitmapFont]\n" + body);
        return u"\\font.ini";
    }

    testsupport::TempDir dir;
    std::filesystem::path previous_;
    TestViewer viewer;
};

} // namespace

TEST(CharList, MarksCodesRangesAndPlainText) {
    EXPECT_EQ(Decode(u"#65-#70"), u"ABCDEF");
    EXPECT_EQ(Decode(u"$20-$7E"), Range(0x20, 0x7E));
    EXPECT_EQ(Decode(u"#10-#40"), Range(32, 40)); // ranges start at the space
    EXPECT_EQ(Decode(u"\"abc\", 'd', #101"), u"abcde");
    EXPECT_EQ(Decode(u"#66 - #65"), u""); // empty when reversed
    EXPECT_EQ(Decode(u"$41,#66 ,'C'"), u"ABC");
    EXPECT_EQ(Decode(u"xyz,1"), u"xyz,1");       // taken whole
    EXPECT_EQ(Decode(u"\"ab\"=3", u'='), u"ab"); // the terminator ends the list
    EXPECT_EQ(Decode(u"#300"), std::u16string(1, char16_t(300)));
}

TEST(CharList, MalformedListsGiveNothing) {
    for (const char16_t* bad :
         {u"#-5", u"#65-#66-#67", u"\"abc", u"#65 #66", u"'ab'", u"#65-", u"#6x", u"\"a\" x"}) {
        SCOPED_TRACE(platform::Utf16ToUtf8(bad));
        EXPECT_EQ(Decode(bad), u"");
    }
    int32_t count = 0;
    EXPECT_EQ(*DecodeCharList<char16_t>(nullptr, 0, nullptr, &count), 0);
}

TEST_F(BitmapFontTest, DescriptionGivesGlyphsMetricsAndCustomWidths) {
    DXLTextures textures(&viewer);
    DXLTexture* sheet = textures.NewTexture();
    sheet->SetName(u"Sheet");
    sheet->Create(128, 64, kFormatA8R8G8B8, false);

    kis::IniFileW ini(WriteIni("ImageName=Sheet\n"
                               "Name=Pixel\n"
                               "Spaces=1,2\n"
                               "Color=$FF102030\n"
                               "Chars=#65-#70\n"
                               "Chars2=\"ij\"\n"
                               "CharHeight=12\n"
                               "Descent=3\n"
                               "CharWidth=8\n"
                               "Space=5\n"
                               "Skip=1,2\n"
                               "EmptyCharWidth=4\n"
                               "CustomWidth=\"AB\"=3, 'C'=12\n"
                               "CustomSpaces='D'=1:0, 'E' = 2 : 3\n")
                          .c_str());
    DXLBitmapFontW font;
    font.LoadDescription(&ini, &textures, true);

    EXPECT_EQ(font.GetImage(), sheet);
    EXPECT_EQ(std::u16string(font.GetFaceName()), u"Pixel");
    EXPECT_EQ(font.GetHSpacing(), 1);
    EXPECT_EQ(font.GetVSpacing(), 2);
    EXPECT_EQ(font.GetColor(), 0xFF102030u);
    for (char16_t c = u'A'; c <= u'F'; ++c)
        EXPECT_EQ(font.GetGlyph(c)->number, c - u'A');
    EXPECT_EQ(font.GetGlyph(u'i')->number, 6); // numbering goes on after the first list
    EXPECT_EQ(font.GetGlyph(u'j')->number, 7);
    EXPECT_EQ(font.GetHeight(), 12);
    EXPECT_EQ(font.GetDescent(), 3);
    EXPECT_EQ(font.GetAscent(), 9);
    EXPECT_EQ(font.GetSpaceWidth(), 5);
    EXPECT_EQ(font.GetHSkip(), 1);
    EXPECT_EQ(font.GetVSkip(), 2);
    EXPECT_EQ(font.GetEmptyCharWidth(), 4);
    EXPECT_TRUE(font.HasCustomWidth());
    EXPECT_EQ(font.GetGlyph(u'A')->cellWidth, 3);
    EXPECT_EQ(font.GetGlyph(u'B')->cellWidth, 3);
    EXPECT_EQ(font.GetGlyph(u'C')->cellWidth, 12);
    EXPECT_EQ(font.GetGlyph(u'F')->cellWidth, 8);
    EXPECT_EQ(font.GetAdvance(u'D'), 9); // one pixel more on its left
    EXPECT_EQ(font.GetGlyph(u'E')->leftBearing, -2);
    EXPECT_EQ(font.GetGlyph(u'E')->rightBearing, -3);

    // The glyphs lie on the sheet in number order: A 3, skip, B 3, skip, C ...
    const DXLGlyph* c = font.GetGlyph(u'C');
    EXPECT_EQ(c->sheet.left, 8);
    EXPECT_EQ(c->sheet.right, 20);
    EXPECT_EQ(c->sheet.bottom, 12);
    ASSERT_NE(font.GetGlyphQuad(u'C'), nullptr);
    EXPECT_FLOAT_EQ(font.GetGlyphQuad(u'C')->v[0].u, 8.0f / 128.0f);
}

TEST_F(BitmapFontTest, NumberedKeysRunFromTwoUntilOneIsMissing) {
    kis::IniFileW ini(WriteIni("Chars2=#65\n"
                               "Chars3=#66\n"
                               "Chars5=#67\n"
                               "CharHeight=10\n"
                               "CharWidth=6\n"
                               "CustomWidth2='A'=2\n"
                               "CustomSpaces='A'=0:1\n"
                               "CustomSpaces2='B'=0:2\n")
                          .c_str());
    DXLBitmapFontW font;
    font.LoadDescription(&ini, nullptr, false);
    EXPECT_NE(font.GetGlyph(u'A'), nullptr); // "Chars2" without "Chars"
    EXPECT_NE(font.GetGlyph(u'B'), nullptr);
    EXPECT_EQ(font.GetGlyph(u'C'), nullptr); // "Chars4" is missing
    EXPECT_FALSE(font.HasCustomWidth());
    EXPECT_EQ(font.GetGlyph(u'A')->cellWidth, 6); // "CustomWidth2" needs "CustomWidth"
    EXPECT_EQ(font.GetGlyph(u'A')->rightBearing, -1);
    EXPECT_EQ(font.GetGlyph(u'B')->rightBearing, -2);
}

TEST_F(BitmapFontTest, MalformedCustomItemsKeepWhatWasApplied) {
    kis::IniFileW ini(WriteIni("Chars=\"abc\"\n"
                               "CharWidth=5\n"
                               "CustomWidth='a'=7,'b'=-3,'c'=9\n"
                               "CustomSpaces='a'=1:1,'b'=x:2,'c'=1:1\n")
                          .c_str());
    DXLBitmapFontW font;
    font.LoadDescription(&ini, nullptr, false);
    EXPECT_EQ(font.GetGlyph(u'a')->cellWidth, 7);
    EXPECT_EQ(font.GetGlyph(u'b')->cellWidth, 5);
    EXPECT_EQ(font.GetGlyph(u'c')->cellWidth, 5); // parsing stopped at the negative width
    EXPECT_EQ(font.GetGlyph(u'a')->leftBearing, -1);
    EXPECT_EQ(font.GetGlyph(u'c')->leftBearing, 0);
}

// A custom space wider than the cell keeps its whole width beside the glyph.
TEST_F(BitmapFontTest, CustomSpacesWiderThanTheCellAreKeptWhole) {
    kis::IniFileW ini(WriteIni("Chars=\"jk\"\n"
                               "CharWidth=3\n"
                               "CustomSpaces='j'=5:0, 'k'=1:4\n")
                          .c_str());
    DXLBitmapFontW font;
    font.LoadDescription(&ini, nullptr, false);
    EXPECT_EQ(font.GetGlyph(u'j')->leftBearing, -5);
    EXPECT_EQ(font.GetAdvance(u'j'), 8);
    EXPECT_EQ(font.GetGlyph(u'k')->rightBearing, -4);
    EXPECT_EQ(font.GetAdvance(u'k'), 8);
}

TEST_F(BitmapFontTest, ImageFileBecomesAShareableTextureOfTheCollection) {
    DXLTextures textures(&viewer);
    const std::u16string path = WriteIni("ImageFile=glyphs.font.png\nChars=#65\nCharHeight=8\n");
    kis::IniFileW ini(path.c_str());
    DXLBitmapFontW first, second;
    first.LoadDescription(&ini, &textures, false);
    DXLTexture* image = first.GetImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::u16string(image->GetName()), u"glyphs.font");
    const std::u16string full = ini.FileName();
    const std::u16string folder = full.substr(0, full.rfind(u'\\') + 1);
    EXPECT_EQ(folder, platform::ToGamePath(dir.Path().string()) + u"\\");
    EXPECT_EQ(std::u16string(image->GetFileName()), folder + u"glyphs.font.png");
    EXPECT_EQ(image->GetSourceKind(), kSourceFile);
    EXPECT_EQ(image->GetState().blendMode, kBlendAlpha);
    EXPECT_EQ(image->GetState().addressU, 3u);
    EXPECT_EQ(image->GetState().colorOp, 4u);
    second.LoadDescription(&ini, &textures, false);
    EXPECT_EQ(second.GetImage(), image);
    EXPECT_EQ(textures.Count(), 1);

    // Read without a collection, or without image keys, the image stays.
    second.LoadDescription(&ini, nullptr, false);
    EXPECT_EQ(second.GetImage(), image);
    kis::IniFileW plain(WriteIni("Chars=#66\n").c_str());
    second.LoadDescription(&plain, &textures, false);
    EXPECT_EQ(second.GetImage(), image);
    EXPECT_EQ(second.GetGlyph(u'A'), nullptr); // the glyphs were replaced
    EXPECT_NE(second.GetGlyph(u'B'), nullptr);

    // The font forgets an image that goes away.
    textures.Clear();
    EXPECT_EQ(first.GetImage(), nullptr);
    EXPECT_EQ(second.GetImage(), nullptr);
}

TEST_F(BitmapFontTest, CopyTakesMetricsImageAndSkips) {
    DXLTexture sheet(&viewer);
    DXLBitmapFontW source;
    source.SetImage(&sheet);
    source.SetHeight(14);
    source.SetDescent(4);
    source.SetHSkip(3);
    source.SetVSkip(5);
    source.SetSpaceWidth(7);
    DXLBitmapFontW copy;
    copy.CopyFrom(source);
    EXPECT_EQ(copy.GetImage(), &sheet);
    EXPECT_EQ(copy.GetHeight(), 14);
    EXPECT_EQ(copy.GetDescent(), 4);
    EXPECT_EQ(copy.GetHSkip(), 3);
    EXPECT_EQ(copy.GetVSkip(), 5);
    EXPECT_EQ(copy.GetSpaceWidth(), 7);
    EXPECT_EQ(copy.GetFontType(), kDXLFontTypeBitmap);
}

TEST_F(BitmapFontTest, EightBitTwinReadsByteCodes) {
    std::u16string path = WriteIni("Chars=#65-#67,$E9,#300\nCharHeight=8\n");
    kis::IniFileA ini(platform::Utf16ToUtf8(path).c_str());
    DXLBitmapFontA font;
    font.LoadDescription(&ini, nullptr, false);
    EXPECT_EQ(font.GetGlyph('A')->number, 0);
    EXPECT_EQ(font.GetGlyph('C')->number, 2);
    EXPECT_EQ(font.GetGlyph(char(0xE9))->number, 3);
    char list[8];
    EXPECT_EQ(font.ListChars(list, 8), 4); // #300 is no byte code
}

// Random damage to a description, read by both twins: every glyph the font
// keeps has its cell on the sheet (only one wider than the sheet sticks out)
// or no quad, and asking for any character stays within the font's tables.
TEST_F(BitmapFontTest, DamagedDescriptionsGiveGlyphsWithinTheirTables) {
    DXLTextures textures(&viewer);
    DXLTexture* sheet = textures.NewTexture();
    sheet->SetName(u"Sheet");
    sheet->Create(64, 32, kFormatA8R8G8B8, false);
    const std::string good = "[BitmapFont]\n"
                             "ImageName=Sheet\n"
                             "Spaces=1,2\n"
                             "Color=$FF102030\n"
                             "Chars=#65-#70,$E9,'x',\"yz\"\n"
                             "Chars2=\"ij\"\n"
                             "CharHeight=12\n"
                             "Descent=3\n"
                             "CharWidth=8\n"
                             "Space=5\n"
                             "Skip=1,2\n"
                             "EmptyCharWidth=4\n"
                             "CustomWidth=\"AB\"=3, 'C'=12\n"
                             "CustomSpaces='D'=1:0, 'E' = 2 : 3\n";
    std::string path = dir.File("font.ini");

    platform::SeedRand(8192);
    int withGlyphs = 0;
    testsupport::ForRounds(1500, 1500, [&](int round) {
        ASSERT_TRUE(testsupport::WriteFileBytes(path, testsupport::Damage(good, round)));
        if (round % 2 == 0) {
            kis::IniFileW ini(platform::Utf8ToUtf16(path).c_str());
            DXLBitmapFontW font;
            font.LoadDescription(&ini, &textures, true);
            char16_t list[kDXLCharListSize];
            const int32_t count = font.ListChars(list, kDXLCharListSize);
            withGlyphs += count > 0;
            for (int32_t i = 0; i < count; ++i) {
                const DXLGlyph* glyph = font.GetGlyph(list[i]);
                ASSERT_NE(glyph, nullptr);
                if (font.GetGlyphQuad(list[i]) != nullptr) {
                    // Only a cell wider than the sheet sticks out, from the
                    // start of its row.
                    EXPECT_GE(glyph->sheet.top, 0);
                    EXPECT_LE(glyph->sheet.bottom, 32);
                    EXPECT_GE(glyph->sheet.left, 0);
                    EXPECT_TRUE(glyph->sheet.right <= 64 || glyph->sheet.left == 0) << glyph->sheet.left;
                }
                font.GetAdvance(list[i]);
            }
            for (char16_t c : {u'\0', u'A', u'\u00E9', u'\uFFFF'})
                font.GetAdvance(c);
        } else {
            kis::IniFileA ini(path.c_str());
            DXLBitmapFontA font;
            font.LoadDescription(&ini, nullptr, false);
            char list[256];
            const int32_t count = font.ListChars(list, 256);
            for (int32_t i = 0; i < count; ++i) {
                ASSERT_NE(font.GetGlyph(list[i]), nullptr);
                font.GetAdvance(list[i]);
            }
        }
    });
    EXPECT_GT(withGlyphs, 0);
}
