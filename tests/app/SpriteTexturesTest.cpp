// The sprite pack's textures of collection 1: declared in the collection by
// name and size, loaded on first use, refused record by record, and freed
// again.
#include "app/SpriteTextures.h"

#include "app/App.h"
#include "engine/Texture.h"
#include "engine/TextureLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "platform/PngWriter.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/engine/ViewerTestSupport.h"
#include "tests/support/Damage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kPackType = 0xE317A788;
constexpr uint32_t kPackVersion = 0xB90D20FA;

std::string U32(uint32_t value) {
    uint8_t b[4];
    kis::StoreLE32(b, value);
    return std::string(reinterpret_cast<char*>(b), 4);
}

std::string EntryHeader(const char16_t* name, uint32_t flag = 0) {
    uint8_t h[kTextureEntryHeaderSize];
    WriteTextureEntryHeader(h, name, flag);
    return std::string(reinterpret_cast<char*>(h), sizeof h);
}

// One record: the entry header, the declared size, the byte count and the
// image (the test pictures are 3 x 2 unless told).
std::string Record(const char16_t* name, const std::string& image, uint32_t width = 3, uint32_t height = 2) {
    return EntryHeader(name) + U32(width) + U32(height) + U32(uint32_t(image.size())) + image;
}

int yields = 0;
bool YieldEveryTime(float) {
    ++yields;
    return true;
}

class SpriteTexturesTest : public ::testing::Test {
  protected:
    App app; // the shell's state the test runs on
    void SetUp() override {
        ASSERT_TRUE(viewer.Open(64, 64));
        collection = std::make_unique<DXLTextures>(&viewer);
        image = MakePng(3, 2, 0xFF20A040);
        yields = 0;
    }
    void TearDown() override {
        SetLoadingProgressHook(nullptr);
        FreeSpriteTextures();
        pack.reset();
        collection.reset();
    }

    std::string MakePng(int width, int height, uint32_t colour) {
        const std::vector<uint32_t> pixels(size_t(width) * size_t(height), colour);
        const std::string path = dir.File("image.png");
        EXPECT_TRUE(platform::WritePng(path, pixels.data(), width, height, width, nullptr));
        return testsupport::ReadFileBytes(path);
    }

    // Opens a sprite pack whose 'TEXS' chunk holds the bytes.
    kis::DataFileReaderW* Pack(const std::string& chunk, uint32_t subId = kPackChunkSubId) {
        const std::u16string path = platform::Utf8ToUtf16(dir.File("Sprites.dat"));
        pack.reset();
        kis::DataFileWriterW* w = kis::OpenDataFileForWrite(path.c_str(), kPackType, kPackVersion, 1, false);
        EXPECT_NE(w, nullptr);
        EXPECT_TRUE(w->BeginChunk(kPackTextureChunkId, subId));
        EXPECT_TRUE(w->Write(chunk.data(), uint32_t(chunk.size())));
        EXPECT_TRUE(w->EndChunk());
        EXPECT_TRUE(kis::CloseDataFile(w));
        pack.reset(kis::OpenDataFileForRead(path.c_str(), kPackType, kPackVersion, 1));
        EXPECT_NE(pack, nullptr);
        return pack.get();
    }

    // Calls the loader until it finishes; the number of calls.
    int Load(kis::DataFileReaderW* reader) {
        int calls = 1;
        while (LoadSpriteTextures(collection.get(), reader, &state) == kLoaderCallAgain && calls < 50)
            ++calls;
        return calls;
    }

    testsupport::TempDir dir;
    viewertest::WindowedViewer viewer;
    std::unique_ptr<DXLTextures> collection;
    std::unique_ptr<kis::DataFileReaderW> pack;
    LoaderState state = {};
    std::string image;
};

} // namespace

TEST_F(SpriteTexturesTest, TexturesJoinTheCollectionDeclaredAndLoadOnFirstUse) {
    const std::string wide = MakePng(5, 4, 0xFFFFC000);
    kis::DataFileReaderW* reader = Pack(U32(2) + Record(u"digits", image) + Record(u"coin", wide, 5, 4));
    SetLoadingProgressHook(YieldEveryTime);
    EXPECT_EQ(Load(reader), 3); // it yields after each texture, then closes the chunk
    EXPECT_EQ(yields, 2);
    EXPECT_EQ(state.error, 0);
    EXPECT_EQ(state.done, 2);
    EXPECT_EQ(state.total, 2);
    EXPECT_EQ(reader->GetOpenChunk(), nullptr);

    ASSERT_EQ(collection->Count(), 2);
    EXPECT_EQ(SpriteTextureCount(), 2u);
    DXLTexture* digits = collection->FindByName(u"DIGITS");
    DXLTexture* coin = collection->FindByName(u"coin");
    ASSERT_NE(digits, nullptr);
    ASSERT_NE(coin, nullptr);
    // Declared, not loaded: the size is known from the record.
    EXPECT_FALSE(digits->IsLive());
    EXPECT_FALSE(coin->IsLive());
    EXPECT_EQ(coin->GetDeclaredWidth(), 5);
    EXPECT_EQ(coin->GetDeclaredHeight(), 4);
    digits->Restore(); // the first use
    EXPECT_TRUE(digits->IsLive());
    EXPECT_EQ(digits->GetWidth(), 3);
    EXPECT_EQ(digits->GetHeight(), 2);
    EXPECT_FALSE(coin->IsLive());
    coin->Restore();
    EXPECT_EQ(coin->GetWidth(), 5);
    EXPECT_EQ(coin->GetSourceKind(), kSourceObject);
    EXPECT_EQ(coin->GetState().blendMode, kBlendAlpha);
    EXPECT_TRUE(coin->IsRestorable());

    // A texture unloaded with the device comes back from the pack.
    coin->Unload();
    EXPECT_FALSE(coin->IsLive());
    coin->Restore();
    EXPECT_TRUE(coin->IsLive());
    EXPECT_EQ(coin->GetWidth(), 5);

    // Freeing takes the textures out of the collection and drops their loaders.
    FreeSpriteTextures();
    EXPECT_EQ(collection->Count(), 0);
    EXPECT_EQ(SpriteTextureCount(), 0u);
    EXPECT_EQ(DXLTextureLoaderDataFile::InstanceCount(), 0u);
}

TEST_F(SpriteTexturesTest, ANameFillingItsFieldEndsAtUnit31) {
    const char16_t* longName = u"abcdefghijklmnopqrstuvwxyz0123456789";
    std::string header = EntryHeader(u"x");
    for (int i = 0; i < 32; ++i) // the whole field, no terminator
        kis::StoreLE16(reinterpret_cast<uint8_t*>(&header[12 + 2 * size_t(i)]), uint16_t(longName[i]));
    Load(Pack(U32(1) + header + U32(3) + U32(2) + U32(uint32_t(image.size())) + image));
    EXPECT_EQ(state.error, 0);
    ASSERT_EQ(collection->Count(), 1);
    EXPECT_EQ(std::u16string(collection->Get(0)->GetName()), std::u16string(longName, 31));
}

TEST_F(SpriteTexturesTest, BadChunksAndRecordsEndTheStepWithTheErrorFlagKeepingEarlierTextures) {
    const std::string good = Record(u"good", image);
    std::string badTag = Record(u"bad", image);
    badTag[4] = 'X';
    std::string badSize = Record(u"bad", image);
    badSize[0] = 75;
    const std::string noName = Record(u"", image);
    const std::string flagged =
        EntryHeader(u"bad", 1) + U32(3) + U32(2) + U32(uint32_t(image.size())) + image;
    const std::string pastTheChunk =
        EntryHeader(u"bad") + U32(3) + U32(2) + U32(uint32_t(image.size()) + 1) + image;
    const std::string noBytes = EntryHeader(u"bad") + U32(3) + U32(2) + U32(0);
    const std::string noWidth = Record(u"bad", image, 0, 2);
    const std::string tooHigh = Record(u"bad", image, 3, 4097);
    struct Case {
        const char* what;
        std::string chunk;
        int kept; // textures left in the collection
    };
    const Case cases[] = {
        {"count beyond what the chunk can hold", U32(9) + good + good, 0},
        {"count beyond the records", U32(3) + good + good, 2},
        {"chunk ends inside the count", std::string(3, '\0'), 0},
        {"wrong tag", U32(2) + good + badTag, 1},
        {"wrong header size", U32(2) + good + badSize, 1},
        {"empty name", U32(2) + good + noName, 1},
        {"entry naming no texture", U32(2) + good + flagged, 1},
        {"image past the chunk's end", U32(2) + good + pastTheChunk, 1},
        {"no image bytes", U32(2) + good + noBytes + image, 1},
        {"no width", U32(2) + good + noWidth, 1},
        {"taller than a texture can be", U32(2) + good + tooHigh, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        state = {};
        kis::DataFileReaderW* reader = Pack(c.chunk);
        EXPECT_EQ(Load(reader), 1);
        EXPECT_EQ(state.error, 1);
        EXPECT_EQ(reader->GetOpenChunk(), nullptr);
        EXPECT_EQ(collection->Count(), c.kept);
        for (int32_t i = 0; i < collection->Count(); ++i) {
            collection->Get(i)->Restore();
            EXPECT_TRUE(collection->Get(i)->IsLive());
        }
        FreeSpriteTextures();
    }

    // Pictures that turn out bad when first used stay not live; the load
    // itself succeeded.
    state = {};
    EXPECT_EQ(Load(Pack(U32(2) + Record(u"noise", std::string(40, 'x')) + Record(u"wider", image, 4, 2))), 1);
    EXPECT_EQ(state.error, 0);
    ASSERT_EQ(collection->Count(), 2);
    for (int32_t i = 0; i < 2; ++i) {
        collection->Get(i)->Restore();
        EXPECT_FALSE(collection->Get(i)->IsLive()) << i;
        collection->Get(i)->Restore(); // a failed load is not tried again
        EXPECT_FALSE(collection->Get(i)->IsLive()) << i;
    }
    FreeSpriteTextures();

    // A pack without the chunk, and no pack or collection at all.
    state = {};
    EXPECT_EQ(Load(Pack(U32(0), 7)), 1);
    EXPECT_EQ(state.error, 1);
    state = {};
    EXPECT_EQ(LoadSpriteTextures(collection.get(), nullptr, &state), kLoaderFinished);
    EXPECT_EQ(state.error, 1);
    state = {};
    EXPECT_EQ(LoadSpriteTextures(nullptr, Pack(U32(0)), &state), kLoaderFinished);
    EXPECT_EQ(state.error, 1);
    // An empty chunk is fine.
    state = {};
    EXPECT_EQ(Load(Pack(U32(0))), 1);
    EXPECT_EQ(state.error, 0);
    EXPECT_EQ(collection->Count(), 0);
}

// Random damage to a 'TEXS' chunk of three textures: each load ends with the
// chunk closed, and every texture kept in the collection is named and, when
// used, live at its declared size or not live at all.
TEST_F(SpriteTexturesTest, DamagedTextureChunksEndTheStepOrDeclareUsableTextures) {
    const std::string good = U32(3) + Record(u"grass", image) +
                             Record(u"Fence", MakePng(5, 4, 0x80FFFFFF), 5, 4) +
                             Record(u"sky", MakePng(1, 7, 0xFF0000FF), 1, 7);
    platform::SeedRand(76);
    int failed = 0, loaded = 0;
    testsupport::ForRounds(1500, 2500, [&](int round) {
        state = {};
        kis::DataFileReaderW* reader = Pack(testsupport::Damage(good, round));
        ASSERT_LT(Load(reader), 50);
        EXPECT_EQ(reader->GetOpenChunk(), nullptr);
        EXPECT_LE(collection->Count(), 3);
        for (int32_t i = 0; i < collection->Count(); ++i) {
            DXLTexture* texture = collection->Get(i);
            EXPECT_NE(texture->GetName()[0], 0);
            texture->Restore();
            if (texture->IsLive()) {
                EXPECT_EQ(texture->GetWidth(), texture->GetDeclaredWidth());
                EXPECT_EQ(texture->GetHeight(), texture->GetDeclaredHeight());
            }
        }
        (state.error ? failed : loaded)++;
        FreeSpriteTextures();
        EXPECT_EQ(collection->Count(), 0);
    });
    EXPECT_GT(failed, 0);
    EXPECT_GT(loaded, 0);
}
