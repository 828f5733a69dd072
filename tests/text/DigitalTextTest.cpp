#include "text/DigitalText.h"

#include "engine/Log.h"
#include "engine/TextureLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"
#include "tests/support/TempDir.h"
#include "tests/text/TextTestSupport.h"
#include "text/FontSlots.h"
#include "text/KGEFontFile.h"
#include "text/ObjectRegistry.h"
#include "text/TextureCollections.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kPackType = 0x1A2B3C4D;
constexpr uint32_t kPackVersion = 1;

using Reader = kis::DataFileReaderPtr;

void Put(std::string& out, uint32_t word) {
    uint8_t b[4];
    kis::StoreLE32(b, word);
    out.append(reinterpret_cast<char*>(b), 4);
}

struct FontRecord {
    uint32_t headerSize = 72;
    uint32_t flags = 1;
    uint32_t id = 1;
    int32_t widths[11] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 6};
    int32_t gap = 2;
    uint32_t hasMinus = 1;
    std::vector<std::array<int32_t, 4>> modes = {{0, 0, 16, 1}};
    uint32_t modeCount = 0xFFFFFFFF; // the number of modes unless set
    uint32_t modeBytes = 0xFFFFFFFF; // count x 16 unless set
    const char16_t* texture = u"Digits";

    std::string Bytes() const {
        std::string out;
        Put(out, headerSize);
        Put(out, flags);
        Put(out, id);
        for (int32_t w : widths)
            Put(out, uint32_t(w));
        Put(out, uint32_t(gap));
        Put(out, hasMinus);
        const uint32_t count = modeCount != 0xFFFFFFFF ? modeCount : uint32_t(modes.size());
        Put(out, count);
        Put(out, modeBytes != 0xFFFFFFFF ? modeBytes : uint32_t(modes.size() * 16));
        for (const auto& m : modes)
            for (int32_t v : m)
                Put(out, uint32_t(v));
        if (flags & 1) {
            uint8_t header[kTextureEntryHeaderSize];
            WriteTextureEntryHeader(header, texture, 0);
            out.append(reinterpret_cast<char*>(header), sizeof header);
        }
        return out;
    }
};

bool yieldEveryTime = false;
int progressCalls = 0;
bool Progress(float) {
    ++progressCalls;
    return yieldEveryTime;
}

class DigitFonts : public texttest::SyntheticText {
  protected:
    void SetUp() override {
        SyntheticText::SetUp();
        ASSERT_TRUE(viewer.Open(128, 64));
        collection = std::make_unique<DXLTextures>(&viewer);
        texture = collection->NewTexture();
        texture->SetName(u"Digits");
        texture->Create(256, 32, kFormatA8R8G8B8, false);
        ASSERT_TRUE(texture->IsLive());
        auto* bits = static_cast<uint32_t*>(texture->Lock(0));
        ASSERT_NE(bits, nullptr);
        const int32_t pitch = texture->GetLockedPitch() / 4;
        for (int32_t y = 0; y < 32; ++y)
            std::fill_n(bits + y * pitch, 256, 0xFFFFFFFFu);
        texture->Unlock();
        SetTextureCollection(kFontTextureCollection, collection.get());
        SetLoadingProgressHook(Progress);
        yieldEveryTime = false;
        progressCalls = 0;
    }
    void TearDown() override {
        SetLoadingProgressHook(nullptr);
        SetTextureCollection(kFontTextureCollection, nullptr);
        fonts.DeleteAll();
        FreeAppFonts();
        SyntheticText::TearDown();
    }

    // A pack whose chunk holds the count and the bytes.
    Reader Pack(uint32_t id, uint32_t subId, uint32_t count, const std::string& bytes) {
        const std::u16string path = platform::Utf8ToUtf16(dir.File("pack.dat"));
        {
            kis::DataFileWriterPtr w(
                kis::OpenDataFileForWrite(path.c_str(), kPackType, kPackVersion, 1, false));
            EXPECT_TRUE(w);
            std::string all;
            Put(all, count);
            all += bytes;
            EXPECT_TRUE(w->BeginChunk(id, subId));
            EXPECT_TRUE(w->Write(all.data(), uint32_t(all.size())));
            EXPECT_TRUE(w->EndChunk());
        }
        return Reader(kis::OpenDataFileForRead(path.c_str(), kPackType, kPackVersion, 1));
    }
    // Runs the loader to its end; the number of calls it took.
    int LoadDigits(kis::BaseDataFile* reader) {
        int calls = 0;
        while (LoadDigitalFonts(&fonts, reader, &state) == kLoaderCallAgain && calls < 100)
            ++calls;
        return calls + 1;
    }
    DigitalFont* LoadOne(const FontRecord& record) {
        Reader reader = Pack(kDigitalFontChunkId, kDigitalFontChunkSubId, 1, record.Bytes());
        LoadDigits(reader.get());
        EXPECT_EQ(state.error, 0);
        return fonts.Get(fonts.Count() - 1);
    }
    // The images shown, from the left; 'm' for the minus sign.
    static std::string Shown(const DigitalText& text) {
        std::string s;
        for (int32_t i = 0; i < text.GetDigitCount(); ++i)
            s += text.GetDigit(i) == kMinusImage ? '-' : char('0' + text.GetDigit(i));
        return s;
    }

    testsupport::TempDir dir;
    texttest::TestViewer viewer;
    std::unique_ptr<DXLTextures> collection;
    DXLTexture* texture = nullptr;
    kis::list<DigitalFont> fonts;
    LoaderState state{};
};

TEST_F(DigitFonts, NumbersAreLaidOutFromTheirDigits) {
    DigitalFont* font = LoadOne(FontRecord{});
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->GetTexture(), texture);
    struct {
        int32_t value, capacity;
        bool pad;
        const char* shown;
        int32_t width;
    } cases[] = {
        {-45, 4, false, "-45", 6 + 2 + 14 + 2 + 15},
        {-45, 2, false, "45", 14 + 2 + 15},
        {7, 3, true, "007", 10 + 2 + 10 + 2 + 17},
        {0, 5, false, "0", 10},
        {-45, 5, true, "00-45", 10 + 2 + 10 + 2 + 6 + 2 + 14 + 2 + 15},
        {INT32_MIN, 11, false, "-2147483648", 6 + 12 + 11 + 14 + 17 + 14 + 18 + 13 + 16 + 14 + 18 + 10 * 2},
        {INT32_MIN, 40, false, "-2147483648", 6 + 12 + 11 + 14 + 17 + 14 + 18 + 13 + 16 + 14 + 18 + 10 * 2},
        {1234, 0, false, "", 0},
    };
    for (const auto& c : cases) {
        DigitalText text(font, 0, c.capacity, c.pad, 0);
        EXPECT_LE(text.GetCapacity(), 11);
        text.SetValue(c.value);
        EXPECT_EQ(Shown(text), c.shown) << c.value << " " << c.capacity;
        EXPECT_EQ(text.GetWidth(), c.width) << c.value << " " << c.capacity;
        EXPECT_EQ(text.GetHeight(), 16);
    }

    // Each quad is the mode's quad of its digit, moved right by the pen and
    // the spacing.
    DigitalText text(font, 0, 4, false, 3);
    text.SetValue(-45);
    const DIGITALFONTMODE* mode = font->GetMode(0);
    ASSERT_EQ(text.GetDigitCount(), 3);
    EXPECT_EQ(text.GetQuads()[0].v[0].x, mode->quads[kMinusImage].v[0].x);
    EXPECT_EQ(text.GetQuads()[1].v[0].x, mode->quads[4].v[0].x + 6 + 5);
    EXPECT_EQ(text.GetQuads()[2].v[2].x, mode->quads[5].v[2].x + 6 + 5 + 14 + 5);
    EXPECT_EQ(text.GetQuads()[2].v[2].y, mode->quads[5].v[2].y);
    EXPECT_EQ(text.GetWidth(), 6 + 5 + 14 + 5 + 15);
    text.SetColor(0xFF00FF00);
    for (int i = 0; i < 3; ++i)
        for (const auto& v : text.GetQuads()[i].v)
            EXPECT_EQ(v.colour, 0xFF00FF00u);
    text.SetValue(8); // the colour stays with the text
    EXPECT_EQ(text.GetQuads()[0].v[1].colour, 0xFF00FF00u);

    // A mode index beyond the font's modes draws nothing.
    DigitalText none(font, 1, 4, false, 0);
    none.SetValue(12);
    EXPECT_EQ(none.GetDigitCount(), 0);
    EXPECT_EQ(none.GetWidth(), 0);
    EXPECT_EQ(none.GetHeight(), 0);
    DigitalText noFont(nullptr, 0, 4, false, 0);
    noFont.SetValue(12);
    EXPECT_EQ(noFont.GetWidth(), 0);
}

TEST_F(DigitFonts, WithoutMinusSignOrHeight) {
    FontRecord record;
    record.hasMinus = 0x100; // only the low byte counts
    record.modes = {{0, 0, 16, 1}, {0, 12, 0, 0}};
    DigitalFont* font = LoadOne(record);
    ASSERT_NE(font, nullptr);
    EXPECT_FALSE(font->HasMinus());
    DigitalText text(font, 0, 4, false, 0);
    text.SetValue(-45);
    EXPECT_EQ(Shown(text), "45");
    ASSERT_EQ(font->ModeCount(), 2);
    EXPECT_EQ(font->GetMode(1)->height, 32 - 12); // from the texture
}

TEST_F(DigitFonts, TextsDrawTheirDigits) {
    DigitalFont* font = LoadOne(FontRecord{});
    ASSERT_NE(font, nullptr);
    DigitalText plain(font, 0, 2, false, 0);
    GameDigitalText game(font, 0, 2, false, 0);
    plain.SetValue(1);
    game.SetValue(1);
    for (DigitalText* text : {static_cast<DigitalText*>(&plain), static_cast<DigitalText*>(&game)}) {
        ASSERT_EQ(viewer.BeginScene(), kResultOk);
        viewer.ClearTarget(0xFF000000);
        text->Draw();
        viewer.EndFrame();
        const platform::FrameView frame = viewer.GetDevice()->BackBuffer();
        int lit = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x)
                lit += (frame.pixels[size_t(y) * size_t(frame.pitchInPixels) + size_t(x)] & 0xFF) > 128;
        EXPECT_EQ(lit, 11 * 16); // the digit 1 is 11 pixels wide
    }
    EXPECT_EQ(viewer.GetBoundTexture(), nullptr);
}

// A pack texture waits declared until a font uses it: the digit font loads
// it then, and takes a mode's missing height from the declared size when the
// picture cannot be loaded.
TEST_F(DigitFonts, DeclaredTexturesAreLoadedByTheirFontOrSizedFromTheDeclaration) {
    DXLBitmap picture;
    picture.SetHeader(kFormatA8R8G8B8, 256, 24, 256 * 24 * 4, 0, 0);
    ASSERT_NE(picture.GetData(), nullptr);
    std::memset(picture.GetData(), 0xFF, 256 * 24 * 4);
    DXLTexture* declared = collection->NewTexture();
    declared->SetName(u"Declared");
    declared->SetSourceBitmap(&picture, true);
    declared->SetDeclaredSize(256, 24);
    DXLTexture* missing = collection->NewTexture();
    missing->SetName(u"Missing");
    missing->SetDeclaredSize(256, 40);

    FontRecord record;
    record.modes = {{0, 4, 0, 1}};
    record.texture = u"Declared";
    DigitalFont* font = LoadOne(record);
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(declared->IsLive());
    EXPECT_EQ(font->GetMode(0)->height, 24 - 4);

    record.texture = u"Missing";
    state = {};
    font = LoadOne(record);
    ASSERT_NE(font, nullptr);
    EXPECT_FALSE(missing->IsLive());
    EXPECT_EQ(font->GetMode(0)->height, 40 - 4);
    collection->DeleteAt(collection->IndexOf(declared));
}

// The game's digit texts show a font without a texture as white rectangles.
TEST_F(DigitFonts, GameTextsDrawAFontWithoutTexture) {
    FontRecord record;
    record.flags = 0;
    DigitalFont* font = LoadOne(record);
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->GetTexture(), nullptr);
    GameDigitalText game(font, 0, 2, false, 0);
    game.SetValue(1);
    ASSERT_EQ(viewer.BeginScene(), kResultOk);
    viewer.ClearTarget(0xFF000000);
    game.Draw();
    viewer.EndFrame();
    const platform::FrameView frame = viewer.GetDevice()->BackBuffer();
    int lit = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x)
            lit += (frame.pixels[size_t(y) * size_t(frame.pitchInPixels) + size_t(x)] & 0xFF) > 128;
    EXPECT_EQ(lit, 11 * 16);
    EXPECT_EQ(viewer.GetBoundTexture(), nullptr);
}

TEST_F(DigitFonts, TheLoaderYieldsAndResumes) {
    std::string bytes = FontRecord{}.Bytes();
    FontRecord second;
    second.id = 7;
    second.flags = 0;
    bytes += second.Bytes();
    Reader reader = Pack(kDigitalFontChunkId, kDigitalFontChunkSubId, 2, bytes);
    yieldEveryTime = true;
    EXPECT_EQ(LoadDigits(reader.get()), 3); // yields after each font, then closes the chunk
    EXPECT_EQ(state.error, 0);
    EXPECT_EQ(state.done, 2);
    EXPECT_EQ(state.total, 2);
    EXPECT_EQ(progressCalls, 2);
    ASSERT_EQ(fonts.Count(), 2);
    EXPECT_EQ(fonts.Get(0)->GetId(), 1u);
    EXPECT_EQ(fonts.Get(1)->GetId(), 7u);
    EXPECT_EQ(fonts.Get(1)->GetTexture(), nullptr);
    EXPECT_EQ(reader->GetOpenChunk(), nullptr);
}

TEST_F(DigitFonts, BadRecordsEndTheStepWithAnError) {
    auto badCount = [] {
        FontRecord r;
        r.modeCount = 0x10000001; // x 16 wraps to 16 in 32 bits
        r.modeBytes = 16;
        return r;
    };
    auto huge = [] {
        FontRecord r;
        r.modeCount = 0x08000000;
        r.modeBytes = 0x80000000; // the right product, far beyond the chunk
        return r;
    };
    auto shortHeader = [] {
        FontRecord r;
        r.headerSize = 71;
        return r;
    };
    auto unknownTexture = [] {
        FontRecord r;
        r.texture = u"Nothing";
        return r;
    };
    const FontRecord records[] = {badCount(), huge(), shortHeader()};
    for (const FontRecord& bad : records) {
        fonts.DeleteAll();
        state = LoaderState{};
        Reader reader =
            Pack(kDigitalFontChunkId, kDigitalFontChunkSubId, 2, FontRecord{}.Bytes() + bad.Bytes());
        LoadDigits(reader.get());
        EXPECT_EQ(state.error, 1);
        EXPECT_EQ(fonts.Count(), 1); // the fonts before the failure stay
    }
    // A texture name the collection does not hold leaves the font without one
    // (its digits drawn as plain bars), and the log says which texture of
    // which pack is missing.
    fonts.DeleteAll();
    state = LoaderState{};
    const std::string logPath = dir.File("log.txt");
    ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(logPath).c_str()));
    DigitalFont* font = LoadOne(unknownTexture());
    LogFinish();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GetTexture(), nullptr);
    const std::string log = testsupport::ReadFileBytes(logPath);
    const std::string pack = dir.File("pack.dat"); // as the pack was opened
    EXPECT_NE(log.find("ERROR! Digit font " + std::to_string(FontRecord{}.id) + " of " + pack +
                       ": its texture \"Nothing\" is missing."),
              std::string::npos)
        << log;

    // A short chunk, a count beyond the chunk, and a missing chunk.
    struct {
        uint32_t id, count;
        std::string bytes;
    } chunks[] = {
        {kDigitalFontChunkId, 1, FontRecord{}.Bytes().substr(0, 80)},
        {kDigitalFontChunkId, 1000, FontRecord{}.Bytes()},
        {kFontChunkId, 1, FontRecord{}.Bytes()},
    };
    for (const auto& c : chunks) {
        fonts.DeleteAll();
        state = LoaderState{};
        Reader reader = Pack(c.id, kDigitalFontChunkSubId, c.count, c.bytes);
        EXPECT_EQ(LoadDigits(reader.get()), 1);
        EXPECT_EQ(state.error, 1);
        EXPECT_EQ(fonts.Count(), 0);
    }
}

TEST_F(DigitFonts, TheFontChunkFillsTheFontSlots) {
    std::vector<std::unique_ptr<KGEWinFont>> made;
    std::string bytes;
    for (int i = 0; i < 5; ++i) {
        made.push_back(MakeFont(nullptr, 0xFFFFFFFF, i));
        ASSERT_TRUE(made.back());
    }
    const std::u16string path = platform::Utf8ToUtf16(dir.File("fonts.dat"));
    auto write = [&](uint32_t count, int fontsWritten, bool badMagic) {
        kis::DataFileWriterPtr w(kis::OpenDataFileForWrite(path.c_str(), kPackType, kPackVersion, 1, false));
        ASSERT_TRUE(w);
        uint8_t b[4];
        kis::StoreLE32(b, count);
        ASSERT_TRUE(w->BeginChunk(kFontChunkId, kFontChunkSubId));
        ASSERT_TRUE(w->Write(b, 4));
        for (int i = 0; i < fontsWritten; ++i) {
            if (badMagic && i == 2) {
                const uint32_t words[2] = {0x12345678, 0x9ABCDEF0};
                ASSERT_TRUE(w->Write(words, 8));
                continue;
            }
            ASSERT_EQ(KGEWriteFont(w.get(), made[size_t(i)].get()), 0);
        }
        ASSERT_TRUE(w->EndChunk());
    };
    auto load = [&] {
        Reader reader(kis::OpenDataFileForRead(path.c_str(), kPackType, kPackVersion, 1));
        state = LoaderState{};
        int calls = 0;
        while (LoadFonts(&viewer, reader.get(), &state) == kLoaderCallAgain && calls < 100)
            ++calls;
    };

    write(5, 5, false);
    load();
    EXPECT_EQ(state.error, 0);
    EXPECT_EQ(state.done, 5);
    for (int n = 5; n <= 9; ++n) {
        KGEFont* font = GetFont(n);
        ASSERT_NE(font, nullptr) << n;
        EXPECT_EQ(font->GetTracking(), n - 5);
        EXPECT_TRUE(font->IsBuilt());
        EXPECT_EQ(FindFont(FindHandle(font)), font); // markup can name it
    }
    EXPECT_EQ(GetFont(0), nullptr);
    EXPECT_EQ(GetFont(10), nullptr);
    FreeAppFonts();

    write(4, 4, false); // a count other than 5 loads nothing
    load();
    EXPECT_EQ(state.error, 1);
    EXPECT_EQ(GetFont(5), nullptr);

    write(5, 5, true); // an unknown magic ends the chunk, keeping what was loaded
    load();
    EXPECT_EQ(state.error, 1);
    EXPECT_NE(GetFont(6), nullptr);
    EXPECT_EQ(GetFont(7), nullptr);
}

TEST_F(DigitFonts, BitmapFontsOfTheFontChunkTakeTheirTextureFromCollectionOne) {
    // A bitmap font from a description, and its stream as the font writes it.
    const std::string descriptionPath = dir.File("font.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(descriptionPath,
                                            "glyphs {\n\theight = 12\n\twidthlist = 5, 6\n}\n"
                                            "chars = \"AB\"\nheight = 14\nspace = 4\n"));
    KGEBitmapFont* raw = nullptr;
    ASSERT_EQ(KGELoadBitmapFontDesc(nullptr, nullptr, nullptr, false,
                                    platform::Utf8ToUtf16(descriptionPath).c_str(), nullptr, &raw),
              0);
    std::unique_ptr<KGEBitmapFont> bitmap(raw);
    const std::u16string streamPath = platform::Utf8ToUtf16(dir.File("stream.dat"));
    {
        kis::DataFileWriterPtr w(
            kis::OpenDataFileForWrite(streamPath.c_str(), kPackType, kPackVersion, 1, false));
        ASSERT_TRUE(w && w->BeginChunk(1, 0));
        ASSERT_EQ(KGEWriteFont(w.get(), bitmap.get()), 0);
        ASSERT_TRUE(w->EndChunk());
    }
    std::string stream;
    {
        Reader r(kis::OpenDataFileForRead(streamPath.c_str(), kPackType, kPackVersion, 1));
        ASSERT_TRUE(r && r->OpenChunk(1, 0));
        stream.resize(r->GetOpenChunk()->size);
        ASSERT_TRUE(r->Read(stream.data(), uint32_t(stream.size())));
    }
    auto fontChunk = [&](const char16_t* textureName) {
        std::string bytes;
        for (int i = 0; i < 5; ++i) {
            uint8_t header[kTextureEntryHeaderSize];
            WriteTextureEntryHeader(header, textureName, 0);
            bytes += stream.substr(0, 8);
            bytes.append(reinterpret_cast<char*>(header), sizeof header);
            bytes += stream.substr(8);
        }
        return bytes;
    };

    Reader reader = Pack(kFontChunkId, kFontChunkSubId, 5, fontChunk(u"DIGITS"));
    while (LoadFonts(&viewer, reader.get(), &state) == kLoaderCallAgain) {
    }
    EXPECT_EQ(state.error, 0);
    for (int n = 5; n <= 9; ++n) {
        auto* font = dynamic_cast<KGEBitmapFont*>(GetFont(n));
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->GetTexture(), texture);
        EXPECT_FALSE(font->OwnsTexture());
        EXPECT_EQ(font->FindGlyph(u'B')->index, 1);
    }
    FreeAppFonts();

    // A texture the collection does not hold ends the step, and the log names it.
    state = LoaderState{};
    reader = Pack(kFontChunkId, kFontChunkSubId, 5, fontChunk(u"Missing"));
    const std::string logPath = dir.File("log.txt");
    ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(logPath).c_str()));
    while (LoadFonts(&viewer, reader.get(), &state) == kLoaderCallAgain) {
    }
    LogFinish();
    EXPECT_EQ(state.error, 1);
    EXPECT_EQ(GetFont(5), nullptr);
    const std::string log = testsupport::ReadFileBytes(logPath);
    EXPECT_NE(log.find("ERROR! Font 5 of " + dir.File("pack.dat") + ": its texture \"Missing\" is missing."),
              std::string::npos)
        << log;
}

// Random damage to both chunks of the data pack: the loaders end with or
// without the error flag, and every digit font and text font they keep lays
// out numbers and texts within its own tables.
TEST_F(DigitFonts, DamagedDigitAndFontChunksEndTheStepOrLoadWithinBounds) {
    {
        // Widths and gaps at the ends of their range: the layout saturates.
        FontRecord wide;
        std::fill(std::begin(wide.widths), std::end(wide.widths), INT32_MAX);
        wide.gap = INT32_MAX;
        wide.modes = {{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX, 0, INT32_MIN}};
        DigitalFont* font = LoadOne(wide);
        ASSERT_NE(font, nullptr);
        for (int32_t mode = 0; mode < 2; ++mode) {
            DigitalText text(font, mode, 11, true, INT32_MAX);
            text.SetValue(-1234);
            EXPECT_EQ(text.GetWidth(), INT32_MAX);
        }
        fonts.DeleteAll();
    }
    FontRecord second;
    second.id = 7;
    second.flags = 0;
    second.modes = {{0, 0, 16, 1}, {0, 12, 0, 0}, {-5, 40, 300, 2}};
    std::string digits;
    Put(digits, 2);
    digits += FontRecord{}.Bytes() + second.Bytes();

    std::string fontChunk;
    {
        const std::u16string path = platform::Utf8ToUtf16(dir.File("good.dat"));
        {
            kis::DataFileWriterPtr w(
                kis::OpenDataFileForWrite(path.c_str(), kPackType, kPackVersion, 1, false));
            ASSERT_TRUE(w && w->BeginChunk(kFontChunkId, kFontChunkSubId));
            uint8_t count[4];
            kis::StoreLE32(count, 5);
            ASSERT_TRUE(w->Write(count, 4));
            for (int i = 0; i < 5; ++i) {
                auto font = MakeFont(nullptr, 0xFFFFFFFF, i);
                ASSERT_EQ(KGEWriteFont(w.get(), font.get()), 0);
            }
            ASSERT_TRUE(w->EndChunk());
        }
        Reader r(kis::OpenDataFileForRead(path.c_str(), kPackType, kPackVersion, 1));
        ASSERT_TRUE(r && r->OpenChunk(kFontChunkId, kFontChunkSubId));
        fontChunk.resize(r->GetOpenChunk()->size);
        ASSERT_TRUE(r->Read(fontChunk.data(), uint32_t(fontChunk.size())));
    }

    platform::SeedRand(99);
    int failed = 0, loaded = 0;
    testsupport::ForRounds(1200, 2500, [&](int round) {
        const bool isDigits = round % 3 != 0;
        const std::string& good = isDigits ? digits : fontChunk;
        const std::string bytes = testsupport::Damage(good, round / 3);
        if (bytes.size() < 4) return;
        const uint32_t count = kis::LoadLE32(reinterpret_cast<const uint8_t*>(bytes.data()));
        Reader reader = Pack(isDigits ? kDigitalFontChunkId : kFontChunkId,
                             isDigits ? kDigitalFontChunkSubId : kFontChunkSubId, count, bytes.substr(4));
        ASSERT_TRUE(reader);
        state = LoaderState{};
        int calls = 0;
        if (isDigits) {
            while (LoadDigitalFonts(&fonts, reader.get(), &state) == kLoaderCallAgain && calls < 1000)
                ++calls;
            for (int32_t f = 0; f < fonts.Count(); ++f) {
                DigitalFont* font = fonts.Get(f);
                for (int32_t mode = 0; mode <= font->ModeCount(); ++mode) {
                    DigitalText text(font, mode, 11, true, 1);
                    text.SetValue(INT32_MIN);
                    text.SetValue(9876543);
                }
            }
            fonts.DeleteAll();
        } else {
            while (LoadFonts(&viewer, reader.get(), &state) == kLoaderCallAgain && calls < 1000)
                ++calls;
            for (int n = 5; n <= 9; ++n)
                if (KGEFont* font = GetFont(n)) font->MeasureText(u"Abc 123", 7);
            FreeAppFonts();
        }
        EXPECT_LT(calls, 1000) << "the loader ends";
        (state.error ? failed : loaded)++;
    });
    EXPECT_GT(failed, 0);
    EXPECT_GT(loaded, 0);
}

TEST(SetQuadRectTest, CornersLoopAndDepth) {
    platform::TexturedVertex v[5];
    for (auto& vertex : v)
        vertex = {-1, -1, 3, 0, 0, 0};
    SetQuadRect(v, 1, 2, 5, 7, true, true);
    const float expected[5][2] = {{1, 2}, {5, 2}, {5, 7}, {1, 7}, {1, 2}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(v[i].x, expected[i][0]);
        EXPECT_EQ(v[i].y, expected[i][1]);
        EXPECT_EQ(v[i].z, 0.0f);
    }
    for (auto& vertex : v)
        vertex = {-1, -1, 3, 0, 0, 0};
    SetQuadRect(v, 1, 2, 5, 7, false, false);
    EXPECT_EQ(v[3].z, 3.0f);
    EXPECT_EQ(v[4].x, -1.0f);
}

} // namespace
