// Sections:
//   WinFont streams: round trip, bad counts and checksums
//   BitmapFont streams: round trip, bad sizes
//   descriptions: joined lines, images, bad values
//   null arguments; damaged streams and descriptions

#include "text/KGEFontFile.h"

#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "platform/Random.h"
#include "platform/SyntheticFace.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"
#include "tests/support/TempDir.h"
#include "tests/text/TextTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

constexpr uint32_t kType = 0x464F4E54;
constexpr uint32_t kChunk = 0x544E4F46;

std::u16string U16(const std::string& path) {
    return platform::Utf8ToUtf16(path);
}

// Writes bytes as the one chunk of a data file.
void WriteChunk(const std::string& path, const std::function<void(kis::BaseDataFile*)>& body) {
    std::unique_ptr<kis::DataFileWriterW> writer(
        kis::OpenDataFileForWrite(U16(path).c_str(), kType, 1, 1, false));
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->BeginChunk(kChunk, 0));
    body(writer.get());
    ASSERT_TRUE(writer->EndChunk());
    ASSERT_TRUE(writer->Close());
}

// The bytes of a font's stream.
std::string StreamOf(TempDir& dir, KGEFont* font) {
    std::string path = dir.File("out.dat");
    HResult hr = -1;
    WriteChunk(path, [&](kis::BaseDataFile* writer) { hr = KGEWriteFont(writer, font); });
    EXPECT_EQ(hr, 0);
    std::unique_ptr<kis::DataFileReaderW> reader(kis::OpenDataFileForRead(U16(path).c_str(), kType, 1, 1));
    if (!reader || !reader->OpenChunk(kChunk, 0)) return {};
    std::string bytes(reader->GetOpenChunk()->size, '\0');
    reader->Read(bytes.data(), uint32_t(bytes.size()));
    return bytes;
}

uint32_t WordAt(const std::string& stream, int word) {
    return kis::LoadLE32(reinterpret_cast<const uint8_t*>(stream.data()) + 8 + 4 * word);
}
void SetWord(std::string& stream, int word, uint32_t value) {
    kis::StoreLE32(reinterpret_cast<uint8_t*>(stream.data()) + 8 + 4 * word, value);
}
// Recomputes the header CRC after the header was changed.
void Reseal(std::string& stream) {
    uint32_t size = WordAt(stream, 0);
    SetWord(stream, 1, kis::Crc32(stream.data() + 8, size, 8, 0));
}
uint32_t CrcOf(const std::string& bytes, size_t offset, size_t size) {
    return kis::Crc32(bytes.data() + offset, uint32_t(size), 0, 0);
}

// Loads a stream from a data file holding just these bytes. `failed` tells
// whether the data file's sticky failure was raised.
template <typename Font, typename Load>
HResult LoadStream(TempDir& dir, const std::string& stream, std::unique_ptr<Font>& font, Load load,
                   bool* failed = nullptr) {
    std::string path = dir.File("in.dat");
    WriteChunk(path,
               [&](kis::BaseDataFile* writer) { writer->Write(stream.data(), uint32_t(stream.size())); });
    std::unique_ptr<kis::DataFileReaderW> reader(kis::OpenDataFileForRead(U16(path).c_str(), kType, 1, 1));
    EXPECT_TRUE(reader && reader->OpenChunk(kChunk, 0));
    Font* raw = reinterpret_cast<Font*>(1);
    HResult hr = load(reader.get(), &raw);
    if (hr != 0) {
        EXPECT_EQ(raw, nullptr);
    }
    font.reset(hr == 0 ? raw : nullptr);
    if (failed) *failed = !reader->IsGood();
    return hr;
}

HResult LoadWin(TempDir& dir, const std::string& stream, std::unique_ptr<KGEWinFont>& font,
                bool* failed = nullptr) {
    return LoadStream(
        dir, stream, font,
        [](kis::BaseDataFile* r, KGEWinFont** out) { return KGELoadWinFont(nullptr, r, out); }, failed);
}
HResult LoadBitmap(TempDir& dir, const std::string& stream, std::unique_ptr<KGEBitmapFont>& font,
                   bool* failed = nullptr) {
    return LoadStream(
        dir, stream, font,
        [](kis::BaseDataFile* r, KGEBitmapFont** out) { return KGELoadBitmapFont(nullptr, nullptr, r, out); },
        failed);
}

// Writes a description document and reads it at its root.
HResult ReadDescription(TempDir& dir, const std::string& text, std::unique_ptr<KGEBitmapFont>& font,
                        DXLTextures* collection = nullptr, DXLTexture** texture = nullptr) {
    std::string path = dir.File("font.txt");
    EXPECT_TRUE(testsupport::WriteFileBytes(path, text));
    KGEBitmapFont* raw = nullptr;
    HResult hr = KGELoadBitmapFontDesc(nullptr, texture, collection, texture != nullptr, U16(path).c_str(),
                                       nullptr, &raw);
    font.reset(raw);
    return hr;
}

const char* kDescription = "glyphs {\n"
                           "\theight = 12\n"
                           "\twidthlist = 5, 6, 7\n"
                           "\twidthlist = 8\n"
                           "\tskip = 1, 2\n"
                           "\trect = 0, 0, 0, 40\n"
                           "\tborders = 1, 1, 0, 0\n"
                           "}\n"
                           "chars = \"AB\"\n"
                           "chars = \"C\"\n"
                           "chars = \" D\"\n"
                           "height = 14\n"
                           "ascent = default\n"
                           "space = 4\n"
                           "defchar = 'A'\n"
                           "glyphlist = DEFAULT\n"
                           "widthlist = 9, -1, 2147483647, -2147483648\n"
                           "offsetlist = (0,1), (2,3), (-1,0), (0,0)\n"
                           "kerning = ('A','B',-1), ('C','A',2)\n"
                           "kerning = ('A','D',-3), ('A','Z',-9)\n"
                           "tracking = 1\n"
                           "leading = 2\n"
                           "color = 0x80FF0000\n";

class SyntheticStreams : public texttest::SyntheticText {
  protected:
    void SetUp() override {
        spec.kerning = {{u'A', u'B', -2}};
        SyntheticText::SetUp();
    }

    std::unique_ptr<KGEWinFont> MakeWinFont() {
        GlyphEffect outline;
        MakeGlyphEffect(&outline, 1, 1.5f, 0xFF102030, 7, 1);
        GlyphShadow shadow;
        SetInt4(&shadow, 1, -2, 3, 0x80000000);
        KGEWinFont* font = nullptr;
        EXPECT_EQ(KGECreateWinFont(nullptr, 7, 12, 650, 204, kFontStyleItalic, 0x22, 4, 0x123456, u"Times",
                                   kSpaceFromFont, 0xFFFFFFFF, u"ABCD", u'B', &outline, &shadow, -2, 3,
                                   0xFFEEDDCC, &font),
                  0);
        return std::unique_ptr<KGEWinFont>(font);
    }

    std::unique_ptr<KGEBitmapFont> MakeBitmapFont() {
        std::unique_ptr<KGEBitmapFont> font;
        EXPECT_EQ(ReadDescription(dir, kDescription, font), 0);
        return font;
    }

    TempDir dir;
};

TEST_F(SyntheticStreams, WinFontStreamsReadBackByteForByte) {
    auto font = MakeWinFont();
    ASSERT_TRUE(font);
    std::string stream = StreamOf(dir, font.get());
    ASSERT_EQ(stream.size(), 8u + 164u + 4u * 2u);
    EXPECT_EQ(kis::LoadLE32(reinterpret_cast<const uint8_t*>(stream.data())), 0x9756B8CCu);
    EXPECT_EQ(kis::LoadLE32(reinterpret_cast<const uint8_t*>(stream.data()) + 4), 0x3EFE8585u);
    EXPECT_EQ(WordAt(stream, 0), 164u);
    EXPECT_EQ(WordAt(stream, 1), kis::Crc32(stream.data() + 8, 164, 8, 0));
    EXPECT_EQ(WordAt(stream, 3), 700u);        // weight as stored
    EXPECT_EQ(WordAt(stream, 4), 204u);        // charset as given
    EXPECT_EQ(WordAt(stream, 5), 0x00042202u); // style, pitch and family, quality
    EXPECT_EQ(WordAt(stream, 6), 0x123456u);
    EXPECT_EQ(WordAt(stream, 7), uint32_t(u'T') | uint32_t(u'i') << 16);
    EXPECT_EQ(WordAt(stream, 23), 7u);
    EXPECT_EQ(WordAt(stream, 24), kSpaceFromFont);
    EXPECT_EQ(WordAt(stream, 25), uint32_t(u'B'));
    EXPECT_EQ(WordAt(stream, 26), 4u);
    EXPECT_EQ(WordAt(stream, 27), 8u);
    EXPECT_EQ(WordAt(stream, 28), CrcOf(stream, 172, 8));
    EXPECT_EQ(int32_t(WordAt(stream, 29)), -2);
    EXPECT_EQ(WordAt(stream, 31), 0xFFEEDDCCu);
    EXPECT_EQ(WordAt(stream, 32), 1u);
    EXPECT_EQ(WordAt(stream, 34), 0xFF102030u);
    EXPECT_EQ(WordAt(stream, 35), 7u);
    EXPECT_EQ(int32_t(WordAt(stream, 38)), -2);

    std::unique_ptr<KGEWinFont> loaded;
    ASSERT_EQ(LoadWin(dir, stream, loaded), 0);
    EXPECT_EQ(loaded->GetGlyphCount(), 4u);
    EXPECT_EQ(loaded->GetKerningCount(), 1u);
    EXPECT_EQ(loaded->GetTracking(), -2);
    EXPECT_EQ(loaded->GetLeading(), 3);
    EXPECT_EQ(loaded->GetCellHeight(), font->GetCellHeight());
    EXPECT_EQ(loaded->GetPackedWidth(), font->GetPackedWidth());
    EXPECT_EQ(StreamOf(dir, loaded.get()), stream);
}

TEST_F(SyntheticStreams, WinFontStreamsWithBadCountsOrChecksumsAreRefused) {
    auto font = MakeWinFont();
    const std::string good = StreamOf(dir, font.get());
    std::unique_ptr<KGEWinFont> loaded;

    std::string bad = good;
    bad[8 + 20] ^= 1; // inside the header, after the CRC
    bool failed = false;
    EXPECT_EQ(LoadWin(dir, bad, loaded, &failed), kKgeFail);
    EXPECT_TRUE(failed);

    bad = good;
    bad.back() ^= 1; // the characters
    EXPECT_EQ(LoadWin(dir, bad, loaded), kKgeFail);

    // Another class's magic refuses the font but leaves the data file good;
    // a stream too short for its magic fails the data file too.
    for (const std::string& magic :
         {good.substr(0, 3) + char(good[3] ^ 1) + good.substr(4), StreamOf(dir, MakeBitmapFont().get())}) {
        failed = true;
        EXPECT_EQ(LoadWin(dir, magic, loaded, &failed), kKgeFail);
        EXPECT_FALSE(failed);
    }
    std::unique_ptr<KGEBitmapFont> bitmap;
    failed = true;
    EXPECT_EQ(LoadBitmap(dir, good, bitmap, &failed), kKgeFail);
    EXPECT_FALSE(failed);
    EXPECT_EQ(LoadWin(dir, good.substr(0, 5), loaded, &failed), kKgeFail);
    EXPECT_TRUE(failed);

    // A character list that is not two bytes a glyph.
    bad = good;
    SetWord(bad, 27, 10);
    Reseal(bad);
    bad += "xx";
    SetWord(bad, 28, CrcOf(bad, 172, 10));
    Reseal(bad);
    EXPECT_EQ(LoadWin(dir, bad, loaded), kKgeFail);

    // More than 4096 glyphs, even with a matching list.
    bad = good.substr(0, 172);
    std::string chars(2 * 4097, 'A');
    bad += chars;
    SetWord(bad, 26, 4097);
    SetWord(bad, 27, 2 * 4097);
    SetWord(bad, 28, CrcOf(bad, 172, chars.size()));
    Reseal(bad);
    EXPECT_EQ(LoadWin(dir, bad, loaded), kKgeFail);

    // The same list at 4096 glyphs loads.
    bad.resize(bad.size() - 2);
    SetWord(bad, 26, 4096);
    SetWord(bad, 27, 2 * 4096);
    SetWord(bad, 28, CrcOf(bad, 172, 2 * 4096));
    Reseal(bad);
    EXPECT_EQ(LoadWin(dir, bad, loaded), 0);

    // A face name that fills its 32 characters reaches the face terminated.
    bad = good;
    for (int w = 7; w <= 22; ++w)
        SetWord(bad, w, 0x00580058);
    Reseal(bad);
    ASSERT_EQ(LoadWin(dir, bad, loaded), 0);
    EXPECT_EQ(requests.back().faceName, std::u16string(31, u'X'));

    // A point size beyond what can be drawn is bounded.
    bad = good;
    SetWord(bad, 2, 0x7FFFFFFF);
    Reseal(bad);
    ASSERT_EQ(LoadWin(dir, bad, loaded), 0);
    EXPECT_EQ(loaded->GetDesc().pointSize, kMaxPointSize);
    EXPECT_EQ(requests.back().height, -2048);
}

TEST_F(SyntheticStreams, BitmapFontStreamsReadBackByteForByte) {
    std::unique_ptr<KGEBitmapFont> font;
    ASSERT_EQ(ReadDescription(dir, kDescription, font), 0);
    std::string stream = StreamOf(dir, font.get());
    const size_t images = 4, glyphs = 4, pairs = 3;
    ASSERT_EQ(stream.size(), 8 + 88 + images * 16 + 44 + glyphs * 32 + pairs * 8);
    EXPECT_EQ(kis::LoadLE32(reinterpret_cast<const uint8_t*>(stream.data())), 0xB0E1FDFDu);
    EXPECT_EQ(kis::LoadLE32(reinterpret_cast<const uint8_t*>(stream.data()) + 4), 0x40E90DB4u);
    EXPECT_EQ(WordAt(stream, 0), 88u);
    EXPECT_EQ(WordAt(stream, 1), kis::Crc32(stream.data() + 8, 88, 8, 0));
    EXPECT_EQ(WordAt(stream, 2), 12u);
    EXPECT_EQ(WordAt(stream, 3), images);
    EXPECT_EQ(WordAt(stream, 4), images * 16);
    EXPECT_EQ(WordAt(stream, 5), 44u);
    EXPECT_EQ(WordAt(stream, 6), CrcOf(stream, 96, 64));
    EXPECT_EQ(WordAt(stream, 7), CrcOf(stream, 160, 44));
    EXPECT_EQ(WordAt(stream, 13), glyphs);
    EXPECT_EQ(WordAt(stream, 15), CrcOf(stream, 204, glyphs * 32));
    EXPECT_EQ(WordAt(stream, 16), pairs);
    EXPECT_EQ(WordAt(stream, 18), CrcOf(stream, 204 + glyphs * 32, pairs * 8));
    EXPECT_EQ(WordAt(stream, 21), 0x80FF0000u);

    std::unique_ptr<KGEBitmapFont> loaded;
    ASSERT_EQ(LoadBitmap(dir, stream, loaded), 0);
    ASSERT_NE(loaded->GetGrid(), nullptr);
    EXPECT_EQ(loaded->GetGrid()->skipY, 2);
    EXPECT_EQ(loaded->FindGlyph(u'D')->index, 3);
    EXPECT_EQ(loaded->MeasureText(u"AB", kKgeToTerminator).width,
              font->MeasureText(u"AB", kKgeToTerminator).width);
    EXPECT_EQ(StreamOf(dir, loaded.get()), stream);
}

TEST_F(SyntheticStreams, BitmapFontStreamsWithBadSizesAreRefusedBeforeAllocating) {
    std::unique_ptr<KGEBitmapFont> font;
    ASSERT_EQ(ReadDescription(dir, kDescription, font), 0);
    const std::string good = StreamOf(dir, font.get());
    const size_t glyphStart = 8 + 88 + 64 + 44;
    std::unique_ptr<KGEBitmapFont> loaded;
    bool failed = false;

    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        HResult result;
    } cases[] = {
        {"header CRC", [](std::string& s) { s[8 + 40] ^= 1; }, kKgeFail},
        {"image CRC", [](std::string& s) { s[8 + 88] ^= 1; }, kKgeFail},
        {"glyph CRC", [&](std::string& s) { s[glyphStart] ^= 1; }, kKgeFail},
        {"short stream", [](std::string& s) { s.resize(s.size() - 1); }, kKgeFail},
        {"grid record of 12 bytes",
         [](std::string& s) {
             SetWord(s, 5, 12);
             Reseal(s);
         },
         kKgeFail},
        {"header size",
         [](std::string& s) {
             SetWord(s, 0, 84);
             Reseal(s);
         },
         kKgeFail},
        {"4097 images",
         [](std::string& s) {
             SetWord(s, 3, 4097);
             SetWord(s, 4, 4097 * 16);
             Reseal(s);
         },
         kKgeFail},
        {"4097 glyphs",
         [](std::string& s) {
             SetWord(s, 13, 4097);
             SetWord(s, 14, 4097 * 32);
             Reseal(s);
         },
         kKgeFail},
        {"more pairs than glyphs squared",
         [](std::string& s) {
             SetWord(s, 16, 17);
             SetWord(s, 17, 17 * 8);
             Reseal(s);
         },
         kKgeTooManyKerningPairs},
        {"more pair bytes than remain",
         [](std::string& s) {
             SetWord(s, 16, 16);
             SetWord(s, 17, 16 * 8);
             Reseal(s);
         },
         kKgeFail},
        {"pair bytes not eight a pair",
         [](std::string& s) {
             SetWord(s, 17, 25);
             Reseal(s);
         },
         kKgeFail},
        {"glyph pairs outside the table",
         [&](std::string& s) {
             // Glyph 0 (A, two pairs) starts at pair 2.
             kis::StoreLE32(reinterpret_cast<uint8_t*>(s.data()) + glyphStart + 28, 2);
             SetWord(s, 15, CrcOf(s, glyphStart, 4 * 32));
             Reseal(s);
         },
         kKgeFail},
    };
    for (const Case& c : cases) {
        std::string bad = good;
        c.damage(bad);
        EXPECT_EQ(LoadBitmap(dir, bad, loaded, &failed), c.result) << c.name;
        EXPECT_FALSE(loaded) << c.name;
        if (c.result == kKgeFail) {
            EXPECT_TRUE(failed) << c.name;
        }
    }
}

TEST_F(SyntheticStreams, DescriptionsJoinLinesAndFillDefaults) {
    std::unique_ptr<KGEBitmapFont> font;
    ASSERT_EQ(ReadDescription(dir, kDescription, font), 0);
    // Three "chars" lines give one glyph per character; the space is dropped.
    ASSERT_EQ(font->GetGlyphCount(), 4u);
    EXPECT_EQ(font->GetGlyphs()[3].character, u'D');
    // Images: a grid with per-image widths; a rectangle without width is not used.
    ASSERT_EQ(font->GetImageCount(), 4u);
    EXPECT_EQ(font->GetImages()[3].width, 8);
    EXPECT_EQ(font->GetCellHeight(), 12);
    EXPECT_EQ(font->GetGrid()->flags, kGridOn | kGridWidthList | kGridSkip | kGridBorders);
    EXPECT_EQ(font->GetGrid()->borders.left, 1);
    EXPECT_EQ(font->GetTexture(), nullptr); // no image asked for
    // Metrics, with "default" ascent the height.
    EXPECT_EQ(font->GetHeight(), 14);
    EXPECT_EQ(font->GetAscent(), 14);
    EXPECT_EQ(font->GetSpaceWidth(), 4);
    EXPECT_EQ(font->GetDefaultGlyph(), font->FindGlyph(u'A'));
    // Glyph i uses image i; -1 and 0x80000000 take the image's width.
    const KGEGlyph* glyphs = font->GetGlyphs();
    EXPECT_EQ(glyphs[2].image, 2u);
    EXPECT_EQ(glyphs[0].advance, 9);
    EXPECT_EQ(glyphs[1].advance, 6);
    EXPECT_EQ(glyphs[2].advance, 2147483647);
    EXPECT_EQ(glyphs[3].advance, 8);
    EXPECT_EQ(glyphs[1].offsetY, 3);
    EXPECT_EQ(glyphs[2].offsetX, -1);
    // Kerning from both lines; the pair with the missing 'Z' is dropped.
    EXPECT_EQ(font->GetKerningCount(), 3u);
    EXPECT_EQ(glyphs[0].kerningCount, 2u);
    EXPECT_EQ(font->GetTracking(), 1);
    EXPECT_EQ(font->GetLeading(), 2);
    EXPECT_EQ(font->GetColour(), 0x80FF0000u);
    EXPECT_EQ(font->GetCharset(), ResolveCharset(kCharsetDefault).charset);
}

// A written description reads back as the same font: grid and explicit
// areas, own glyph images, advances, offsets, kerning and every metric.
TEST_F(SyntheticStreams, WrittenDescriptionsReadBackAsTheSameFont) {
    const std::string explicitAreas = "glyphs {\n"
                                      "\theight = 9\n"
                                      "\tglyphs = (0,0,4), (4,0,5)\n"
                                      "\tglyphs = (9,1,3)\n"
                                      "}\n"
                                      "chars = \"\\\"x\\\\\"\n"
                                      "ascent = 7\n"
                                      "glyphlist = 2, 0, 1\n"
                                      "kerning = ('\"','x',4)\n"
                                      "color = 0x00000001\n";
    const std::string uniformGrid = "\xEF\xBB\xBFglyphs {\n"
                                    "\theight = 10\n"
                                    "\twidth = 6\n"
                                    "\trect = 2, 3, 60, 50\n"
                                    "}\n"
                                    "chars = \"\u00e9\u4e2d'\"\n"
                                    "defchar = u+4E2D\n";
    const std::string cases[] = {kDescription, explicitAreas, uniformGrid};
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        std::unique_ptr<KGEBitmapFont> font;
        ASSERT_EQ(ReadDescription(dir, text, font), 0);
        const std::u16string path = U16(dir.File("written.txt"));
        ASSERT_EQ(KGESaveBitmapFontDesc(font.get(), path.c_str()), 0);
        KGEBitmapFont* raw = nullptr;
        ASSERT_EQ(KGELoadBitmapFontDesc(nullptr, nullptr, nullptr, false, path.c_str(), nullptr, &raw), 0);
        std::unique_ptr<KGEBitmapFont> again(raw);
        EXPECT_EQ(StreamOf(dir, again.get()), StreamOf(dir, font.get()));
    }

    // The lines are laid out as the reader's own files are.
    std::unique_ptr<KGEBitmapFont> font;
    ASSERT_EQ(ReadDescription(dir, explicitAreas, font), 0);
    std::u16string written;
    ASSERT_EQ(font->WriteDescription(written), 0);
    EXPECT_EQ(written, u"glyphs {\r\n"
                       u"\theight = 9\r\n"
                       u"\tglyphs = (0,0,4), (4,0,5), (9,1,3)\r\n"
                       u"}\r\n"
                       u"chars = \"\\\"x\\\\\"\r\n"
                       u"height = 9\r\n"
                       u"ascent = 7\r\n"
                       u"space = 0\r\n"
                       u"glyphlist = 2, 0, 1\r\n"
                       u"offsetlist = (0,0), (0,0), (0,0)\r\n"
                       u"kerning = ('\"','x',4)\r\n"
                       u"tracking = 0\r\n"
                       u"leading = 0\r\n"
                       u"color = 0x00000001\r\n");
    EXPECT_EQ(KGESaveBitmapFontDesc(nullptr, u"x.txt"), kKgeFail);
    KGEBitmapFont empty(nullptr);
    EXPECT_EQ(empty.WriteDescription(written), kKgeFail);
}

TEST_F(SyntheticStreams, DescriptionsFindTheirImage) {
    DXLTextures collection;
    DXLTexture* existing = collection.NewTexture();
    existing->SetName(u"Glyphs.PNG");
    const std::string withImage =
        std::string(kDescription).replace(9, 0, "\timage = \"art\\\\glyphs.png\"\n");

    // Found in the collection by its file name, ignoring case; not owned.
    std::unique_ptr<KGEBitmapFont> font;
    DXLTexture* texture = nullptr;
    ASSERT_EQ(ReadDescription(dir, withImage, font, &collection, &texture), 0);
    EXPECT_EQ(texture, existing);
    EXPECT_EQ(font->GetTexture(), existing);
    EXPECT_FALSE(font->OwnsTexture());

    // Not there: a new member named after the file, to be loaded from beside
    // the description.
    existing->SetName(u"other.png");
    ASSERT_EQ(ReadDescription(dir, withImage, font, &collection, &texture), 0);
    ASSERT_NE(texture, existing);
    EXPECT_EQ(collection.Count(), 2);
    EXPECT_EQ(std::u16string(texture->GetName()), u"glyphs.png");
    ASSERT_NE(texture->GetFileName(), nullptr);
    std::u16string file = texture->GetFileName();
    EXPECT_EQ(file.substr(file.size() - 14), u"art\\glyphs.png");
    EXPECT_EQ(texture->GetState().blendMode, kBlendAlpha);

    // Without a collection the font makes and owns it.
    ASSERT_EQ(ReadDescription(dir, withImage, font, nullptr, &texture), 0);
    EXPECT_TRUE(font->OwnsTexture());
    EXPECT_EQ(font->GetTexture(), texture);
    font.reset();

    // An image is required once one is asked for.
    EXPECT_EQ(ReadDescription(dir, kDescription, font, nullptr, &texture), kKgeBadDescription);
}

TEST_F(SyntheticStreams, DescriptionsWithBadValuesAreRefused) {
    auto replace = [](std::string text, const std::string& from, const std::string& to) {
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::string base = kDescription;
    struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"no glyphs section", replace(base, "glyphs {", "images {")},
        {"no chars", replace(replace(replace(base, "chars = \"AB\"", "x = 1"), "chars = \"C\"", "y = 1"),
                             "chars = \" D\"", "z = 1")},
        {"unknown charset", base + "charset = martian\n"},
        {"charset with more", base + "charset = ansi 2\n"},
        {"glyph list too short", replace(base, "glyphlist = DEFAULT", "glyphlist = 0, 1, 2")},
        {"width list too long", replace(base, "2147483647, -2147483648", "1, 2, 3")},
        {"offset list too short", replace(base, ", (0,0)\n", "\n")},
        {"height not a number", replace(base, "height = 14", "height = tall")},
        {"color not a number", replace(base, "0x80FF0000", "red")},
        {"bad kerning record", replace(base, "('C','A',2)", "('C','A')")},
        // Records must be separated by ','; blanks alone do not separate them.
        {"records separated by blanks", replace(base, "(0,1), (2,3)", "(0,1) (2,3)")},
    };
    for (const auto& c : cases) {
        std::unique_ptr<KGEBitmapFont> font;
        EXPECT_EQ(ReadDescription(dir, c.text, font), kKgeBadDescription) << c.name;
        EXPECT_FALSE(font) << c.name;
    }

    std::unique_ptr<KGEBitmapFont> font;
    EXPECT_EQ(ReadDescription(dir, base + "charset = Russian\n", font), 0);
    EXPECT_EQ(font->GetCharset(), 204u);
    EXPECT_EQ(ReadDescription(dir, replace(base, "0x80FF0000", "4278190080"), font), 0);
    EXPECT_EQ(font->GetColour(), 0xFF000000u);

    KGEBitmapFont* raw = nullptr;
    EXPECT_EQ(KGELoadBitmapFontDesc(nullptr, nullptr, nullptr, false, U16(dir.File("none.txt")).c_str(),
                                    nullptr, &raw),
              kKgeBadDescription);
    EXPECT_EQ(KGELoadBitmapFontDesc(nullptr, nullptr, nullptr, false, U16(dir.File("font.txt")).c_str(),
                                    u"missing", &raw),
              kKgeBadDescription);
    EXPECT_EQ(raw, nullptr);
}

TEST(FontStreams, NullArgumentsFail) {
    EXPECT_EQ(KGEWriteFont(nullptr, nullptr), kKgeFail);
    KGEWinFont* win = nullptr;
    EXPECT_EQ(KGELoadWinFont(nullptr, nullptr, &win), kKgeFail);
    KGEBitmapFont* bitmap = nullptr;
    EXPECT_EQ(KGELoadBitmapFont(nullptr, nullptr, nullptr, &bitmap), kKgeFail);
}

} // namespace

namespace {

// Sets every array CRC and the header CRC of a damaged stream again, as far
// as its sizes allow, so the damage reaches the checks behind them. Pairs of
// header words: an array's byte size and its CRC, in the arrays' order.
void ResealArrays(std::string& stream, uint32_t headerSize,
                  std::initializer_list<std::pair<int, int>> arrays) {
    if (stream.size() < 8 + headerSize || WordAt(stream, 0) != headerSize) return;
    size_t at = 8 + headerSize;
    for (auto [sizeWord, crcWord] : arrays) {
        const uint32_t size = WordAt(stream, sizeWord);
        if (size > stream.size() - at) break;
        SetWord(stream, crcWord, CrcOf(stream, at, size));
        at += size;
    }
    Reseal(stream);
}

// Uses everything a loaded font offers to text: glyph lookups, kerning and
// measuring.
void UseFont(const KGEFont& font) {
    std::u16string text;
    for (uint32_t i = 0; i < font.GetGlyphCount(); ++i)
        text += font.GetGlyphs()[i].character;
    text += u" ?\u0416";
    for (char16_t c : text)
        font.FindGlyph(c);
    font.MeasureText(text.c_str(), uint32_t(text.size()));
    font.GetCharIndexAt(7, text.c_str(), uint32_t(text.size()));
}

} // namespace

// Random damage to both kinds of font stream, half of it resealed so the CRCs
// match: every stream is refused with the data file failed, or loads a font
// whose glyphs and kerning stay within their tables.
TEST_F(SyntheticStreams, DamagedFontStreamsAreRefusedOrLoadWithinBounds) {
    auto win = MakeWinFont();
    ASSERT_TRUE(win);
    const std::string goodWin = StreamOf(dir, win.get());
    std::unique_ptr<KGEBitmapFont> bitmap;
    ASSERT_EQ(ReadDescription(dir, kDescription, bitmap), 0);
    const std::string goodBitmap = StreamOf(dir, bitmap.get());
    {
        // A shadow offset beyond the largest glyph is refused before it
        // widens any glyph image.
        for (int word : {38, 39}) {
            std::string stream = goodWin;
            SetWord(stream, word, word == 38 ? uint32_t(INT32_MAX) : uint32_t(-kMaxPointSize - 1));
            Reseal(stream);
            std::unique_ptr<KGEWinFont> font;
            bool failed = false;
            EXPECT_EQ(LoadWin(dir, stream, font, &failed), kKgeFail) << word;
            EXPECT_TRUE(failed);
        }
        std::string stream = goodWin;
        SetWord(stream, 38, uint32_t(kMaxPointSize));
        Reseal(stream);
        std::unique_ptr<KGEWinFont> font;
        EXPECT_EQ(LoadWin(dir, stream, font), 0);
    }
    {
        // Tracking and leading at the end of their range: measuring saturates.
        std::string stream = goodBitmap;
        SetWord(stream, 19, uint32_t(INT32_MAX));
        SetWord(stream, 20, uint32_t(INT32_MAX));
        Reseal(stream);
        std::unique_ptr<KGEBitmapFont> font;
        ASSERT_EQ(LoadBitmap(dir, stream, font), 0);
        EXPECT_EQ(font->MeasureText(u"ABAB\nA A", 9).width, INT32_MAX);
        EXPECT_EQ(font->GetCharIndexAt(INT32_MAX, u"ABAB", 4), 1)
            << "the second glyph starts at the end of the range";
    }

    platform::SeedRand(4711);
    int loaded = 0, refused = 0;
    testsupport::ForRounds(1200, 2000, [&](int round) {
        const bool isWin = round % 2 == 0;
        std::string stream = testsupport::Damage(isWin ? goodWin : goodBitmap, round / 2);
        if (round % 4 < 2) {
            if (isWin)
                ResealArrays(stream, kWinFontHeaderSize, {{27, 28}});
            else
                ResealArrays(stream, kBitmapFontHeaderSize, {{4, 6}, {5, 7}, {14, 15}, {17, 18}});
        }
        HResult hr;
        if (isWin) {
            std::unique_ptr<KGEWinFont> font;
            hr = LoadWin(dir, stream, font);
            if (font) UseFont(*font);
        } else {
            std::unique_ptr<KGEBitmapFont> font;
            hr = LoadBitmap(dir, stream, font);
            if (font) UseFont(*font);
        }
        (hr == 0 ? loaded : refused)++;
    });
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

// Random damage to a font description: it is refused, or gives a font whose
// glyphs and kerning stay within their tables and whose stream reads back.
TEST_F(SyntheticStreams, DamagedFontDescriptionsAreRefusedOrGiveFontsWithinBounds) {
    platform::SeedRand(1212);
    int made = 0, refused = 0;
    testsupport::ForRounds(1500, 1500, [&](int round) {
        std::unique_ptr<KGEBitmapFont> font;
        const HResult hr = ReadDescription(dir, testsupport::Damage(kDescription, round), font);
        if (hr != 0) {
            EXPECT_FALSE(font);
            ++refused;
            return;
        }
        ++made;
        ASSERT_TRUE(font);
        UseFont(*font);
        std::unique_ptr<KGEBitmapFont> back;
        ASSERT_EQ(LoadBitmap(dir, StreamOf(dir, font.get()), back), 0);
        EXPECT_EQ(back->GetGlyphCount(), font->GetGlyphCount());
        EXPECT_EQ(back->GetKerningCount(), font->GetKerningCount());
    });
    EXPECT_GT(made, 0);
    EXPECT_GT(refused, 0);
}
