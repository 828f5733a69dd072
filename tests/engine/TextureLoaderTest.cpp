#include "engine/TextureLoader.h"
#include "TextureTestSupport.h"
#include "engine/Log.h"
#include "platform/PngWriter.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using texturetest::TestViewer;
using texturetest::Texel;

namespace {

constexpr uint32_t kType = 0x54455354;
constexpr uint32_t kImages = 0x494D4753; // chunk of images
constexpr uint32_t kOther = 0x4F544852;  // a chunk someone else reads

const uint32_t kPixels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};

std::u16string Wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::vector<uint8_t> Header(const char16_t* name, uint32_t flag) {
    std::vector<uint8_t> h(kTextureEntryHeaderSize);
    WriteTextureEntryHeader(h.data(), name, flag);
    return h;
}

class TextureLoaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(viewer.Open());
        const std::string png = dir.File("p.png");
        ASSERT_TRUE(platform::WritePng(png, kPixels, 2, 2, 2, nullptr));
        image = testsupport::ReadFileBytes(png);
        ASSERT_FALSE(image.empty());
    }

    // A pack with the image after a 3-byte prefix in one chunk, and another
    // chunk of counting bytes.
    std::u16string WritePack(const std::vector<std::string>& images) {
        const std::u16string path = Wide(dir.File("pack.dat"));
        std::unique_ptr<kis::DataFileWriterW> w(kis::OpenDataFileForWrite(path.c_str(), kType, 1, 1, false));
        EXPECT_NE(w, nullptr);
        w->BeginChunk(kImages, 0);
        w->Write("abc", 3);
        for (const std::string& bytes : images)
            w->Write(bytes.data(), uint32_t(bytes.size()));
        w->EndChunk();
        w->BeginChunk(kOther, 0);
        for (uint8_t i = 0; i < 16; ++i)
            w->Write(&i, 1);
        w->EndChunk();
        EXPECT_TRUE(w->Close());
        return path;
    }

    std::unique_ptr<kis::DataFileReaderW> Open(const std::u16string& path) {
        return std::unique_ptr<kis::DataFileReaderW>(kis::OpenDataFileForRead(path.c_str(), kType, 1, 1));
    }

    testsupport::TempDir dir;
    TestViewer viewer;
    std::string image;
};

} // namespace

TEST_F(TextureLoaderTest, PackImagesLoadLazilyAndAgainAfterAnUnload) {
    const std::u16string path = WritePack({image, "xyz"});
    auto reader = Open(path);
    ASSERT_NE(reader, nullptr);
    ASSERT_TRUE(reader->OpenChunk(kImages, 0));
    char prefix[3];
    ASSERT_TRUE(reader->Read(prefix, 3));
    auto loader = std::make_unique<DXLTextureLoaderDataFile>(reader.get(), uint32_t(image.size()));
    ASSERT_FALSE(loader->IsSpent());
    EXPECT_EQ(loader->GetOffset(), 3u);
    char after[3];
    ASSERT_TRUE(reader->Read(after, 3)); // reading goes on after the image
    EXPECT_EQ(std::string(after, 3), "xyz");

    DXLTextures collection(&viewer);
    DXLTexture* t = collection.NewTexture();
    t->SetName(u"sprite");
    t->SetSource(loader.get(), true);
    EXPECT_FALSE(t->IsLive()); // declared only
    t->Restore();
    ASSERT_TRUE(t->IsLive());
    EXPECT_EQ(Texel(*t, 1, 1), kPixels[3]);
    EXPECT_EQ(DXLTextureLoaderDataFile::SharedBufferCapacity(), DXLTextureLoaderDataFile::kBufferFirst);

    // After a device loss the bytes are read from the pack again.
    t->Unload();
    ASSERT_FALSE(t->IsLive());
    t->Restore();
    EXPECT_TRUE(t->IsLive());
    collection.Clear();
    loader.reset();
    EXPECT_EQ(DXLTextureLoaderDataFile::InstanceCount(), 0u);
    EXPECT_EQ(DXLTextureLoaderDataFile::SharedBufferCapacity(), 0u);
}

TEST_F(TextureLoaderTest, LazyLoadLeavesOtherReadersWhereTheyWere) {
    const std::u16string path = WritePack({image});
    auto reader = Open(path);
    ASSERT_NE(reader, nullptr);
    ASSERT_TRUE(reader->OpenChunk(kImages, 0));
    ASSERT_TRUE(reader->SeekInChunk(3));
    DXLTextureLoaderDataFile loader(reader.get(), uint32_t(image.size()));
    ASSERT_FALSE(loader.IsSpent());

    // Someone is half-way through the other chunk when the texture is drawn.
    ASSERT_TRUE(reader->OpenChunk(kOther, 0));
    uint8_t got[5];
    ASSERT_TRUE(reader->Read(got, 5));
    DXLTexture t(&viewer);
    t.SetSource(&loader, true);
    t.Restore();
    ASSERT_TRUE(t.IsLive());
    ASSERT_NE(reader->GetOpenChunk(), nullptr);
    EXPECT_EQ(reader->GetOpenChunk()->id, kOther);
    EXPECT_EQ(reader->GetChunkPos(), 5);
    ASSERT_TRUE(reader->Read(got, 1));
    EXPECT_EQ(got[0], 5);

    // With no chunk open, none is left open.
    ASSERT_TRUE(reader->CloseChunk());
    t.Unload();
    t.Restore();
    EXPECT_TRUE(t.IsLive());
    EXPECT_EQ(reader->GetOpenChunk(), nullptr);
    EXPECT_TRUE(reader->IsGood());
}

TEST_F(TextureLoaderTest, BadSetUpAndFailedLoadsLeaveTheLoaderSpent) {
    const std::u16string path = WritePack({std::string(100, 'z')});
    auto reader = Open(path);
    ASSERT_NE(reader, nullptr);
    DXLTextureLoaderDataFile noChunk(reader.get(), 10);
    EXPECT_TRUE(noChunk.IsSpent());
    DXLTextureLoaderDataFile noReader(nullptr, 10);
    EXPECT_TRUE(noReader.IsSpent());

    ASSERT_TRUE(reader->OpenChunk(kImages, 0));
    ASSERT_TRUE(reader->SeekInChunk(3));
    DXLTextureLoaderDataFile garbage(reader.get(), 100);
    ASSERT_FALSE(garbage.IsSpent());
    DXLTexture t(&viewer);
    t.SetSource(&garbage, true);
    t.Restore();
    EXPECT_FALSE(t.IsLive());
    EXPECT_TRUE(garbage.IsSpent()); // never tries again
    EXPECT_EQ(DXLTextureLoaderDataFile::InstanceCount(), 3u);

    // An image running past the chunk's end.
    auto other = Open(path);
    ASSERT_TRUE(other->OpenChunk(kImages, 0));
    DXLTextureLoaderDataFile tooLong(other.get(), 200);
    EXPECT_TRUE(tooLong.IsSpent());
}

// Damage inside a pack that opens: each image that does not load is logged
// with the pack and the name it is known by, once; images that load, and
// loads without a device, log nothing.
TEST_F(TextureLoaderTest, EachImageThatDoesNotLoadIsLoggedWithItsPackAndName) {
    const std::string garbage(100, 'z');
    const std::u16string path = WritePack({image, garbage, garbage, garbage, image});
    auto reader = Open(path);
    ASSERT_NE(reader, nullptr);
    ASSERT_TRUE(reader->OpenChunk(kImages, 0));
    ASSERT_TRUE(reader->SeekInChunk(3));
    struct Entry {
        const char16_t* name;  // the texture's
        const char16_t* label; // the loader's
        uint32_t size;
        bool loads;
    };
    const Entry entries[] = {
        {u"good", nullptr, uint32_t(image.size()), true},
        {u"broken", u"not used while the texture has a name", 100, false},
        {nullptr, u"labelled", 100, false},
        {nullptr, nullptr, 100, false},
        {u"also good", nullptr, uint32_t(image.size()), true},
    };
    std::vector<std::unique_ptr<DXLTextureLoaderDataFile>> loaders;
    DXLTextures collection(&viewer);
    std::vector<DXLTexture*> textures;
    for (const Entry& e : entries) {
        loaders.push_back(std::make_unique<DXLTextureLoaderDataFile>(reader.get(), e.size));
        ASSERT_FALSE(loaders.back()->IsSpent());
        if (e.label) loaders.back()->SetLabel(e.label);
        DXLTexture* t = collection.NewTexture();
        if (e.name) t->SetName(e.name);
        t->SetSource(loaders.back().get(), true);
        textures.push_back(t);
    }
    const uint32_t unnamedOffset = loaders[3]->GetOffset();

    // Without a device nothing can load, and nothing is the pack's fault.
    auto offline = Open(path);
    ASSERT_TRUE(offline->OpenChunk(kImages, 0));
    ASSERT_TRUE(offline->SeekInChunk(3 + uint32_t(image.size())));
    DXLTextureLoaderDataFile noDevice(offline.get(), 100);
    DXLTexture deviceless(static_cast<DXLViewer*>(nullptr));
    deviceless.SetName(u"deviceless");
    deviceless.SetSource(&noDevice, true);

    const std::string logPath = dir.File("log.txt");
    ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(logPath).c_str()));
    for (DXLTexture* t : textures)
        t->Restore();
    for (DXLTexture* t : textures)
        t->Restore(); // a spent loader does not try, or log, again
    deviceless.Restore();
    // A pack that cannot be read any more.
    auto closing = Open(path);
    ASSERT_TRUE(closing->OpenChunk(kImages, 0));
    ASSERT_TRUE(closing->SeekInChunk(3));
    DXLTextureLoaderDataFile unreadable(closing.get(), uint32_t(image.size()));
    closing->Close();
    DXLTexture gone(&viewer);
    gone.SetName(u"gone");
    gone.SetSource(&unreadable, true);
    gone.Restore();
    LogFinish();

    for (size_t i = 0; i < textures.size(); ++i)
        EXPECT_EQ(textures[i]->IsLive(), entries[i].loads) << i;
    const std::string log = testsupport::ReadFileBytes(logPath);
    const std::string pack = dir.File("pack.dat");
    std::vector<std::string> errors;
    for (size_t at = log.find("ERROR! "); at != std::string::npos; at = log.find("ERROR! ", at + 1))
        errors.push_back(log.substr(at, log.find('\r', at) - at));
    const std::vector<std::string> expected = {
        "ERROR! Image \"broken\" of " + pack + " is not an image the engine can load.",
        "ERROR! Image \"labelled\" of " + pack + " is not an image the engine can load.",
        "ERROR! The image at byte " + std::to_string(unnamedOffset) + " of chunk 0x494D4753 of " + pack +
            " is not an image the engine can load.",
        "ERROR! Image \"gone\" of " + pack + " cannot be read from the pack.",
    };
    EXPECT_EQ(errors, expected) << log;
}

TEST_F(TextureLoaderTest, SharedBufferGrowsInSteps) {
    // Images that are not pictures still pass through the buffer.
    const std::string small(100, 's'), big(1300000, 'b');
    const std::u16string path = WritePack({small, big});
    auto reader = Open(path);
    ASSERT_TRUE(reader->OpenChunk(kImages, 0));
    ASSERT_TRUE(reader->SeekInChunk(3));
    DXLTextureLoaderDataFile first(reader.get(), uint32_t(small.size()));
    DXLTextureLoaderDataFile second(reader.get(), uint32_t(big.size()));
    ASSERT_FALSE(first.IsSpent());
    ASSERT_FALSE(second.IsSpent());
    DXLTexture t(&viewer);
    EXPECT_EQ(DXLTextureLoaderDataFile::SharedBufferCapacity(), 0u);
    first.Render(&t);
    EXPECT_EQ(DXLTextureLoaderDataFile::SharedBufferCapacity(), 0x100000u);
    second.Render(&t);
    EXPECT_EQ(DXLTextureLoaderDataFile::SharedBufferCapacity(), 0x140000u);
    EXPECT_FALSE(t.IsLive());
}

TEST_F(TextureLoaderTest, FirstLargeImageSizesTheBufferToItself) {
    const std::string large(0x300000, 'L');
    const std::u16string path = WritePack({large});
    auto reader = Open(path);
    ASSERT_TRUE(reader->OpenChunk(kImages, 0));
    ASSERT_TRUE(reader->SeekInChunk(3));
    DXLTextureLoaderDataFile loader(reader.get(), uint32_t(large.size()));
    DXLTexture t(&viewer);
    loader.Render(&t);
    EXPECT_EQ(DXLTextureLoaderDataFile::SharedBufferCapacity(), 0x300000u);
}

TEST_F(TextureLoaderTest, EntryHeadersNameTexturesIgnoringCase) {
    // The 32nd unit of the last header is not a terminator: the name is cut
    // at 31 units before it is looked up.
    std::vector<uint8_t> full = Header(u"", 0);
    for (int i = 0; i < 32; ++i) {
        full[12 + 2 * i] = uint8_t('a' + i % 26);
        full[13 + 2 * i] = 0;
    }
    std::vector<uint8_t> badTag = Header(u"logo", 0);
    badTag[7] = 't'; // "UmNt"
    std::vector<uint8_t> badSize = Header(u"logo", 0);
    badSize[0] = 75;

    const std::u16string path = Wide(dir.File("headers.dat"));
    {
        std::unique_ptr<kis::DataFileWriterW> w(kis::OpenDataFileForWrite(path.c_str(), kType, 1, 1, false));
        ASSERT_NE(w, nullptr);
        w->BeginChunk(kImages, 0);
        for (const auto& h : {Header(u"LOGO", 0), Header(u"logo", 1), badTag, badSize, full})
            w->Write(h.data(), uint32_t(h.size()));
        w->Write("tail", 4);
        w->EndChunk();
        ASSERT_TRUE(w->Close());
    }
    DXLTextures collection(&viewer);
    DXLTexture* logo = collection.NewTexture();
    logo->SetName(u"Logo");
    DXLTexture* longName = collection.NewTexture();
    longName->SetName(u"abcdefghijklmnopqrstuvwxyzabcdefghij");

    auto reader = Open(path);
    ASSERT_TRUE(reader->OpenChunk(kImages, 0));
    DXLTexture* found = nullptr;
    EXPECT_TRUE(ReadTextureEntryHeader(reader.get(), &collection, &found));
    EXPECT_EQ(found, logo);
    EXPECT_TRUE(ReadTextureEntryHeader(reader.get(), &collection, &found));
    EXPECT_EQ(found, nullptr); // flag 1 names no texture
    found = logo;
    EXPECT_FALSE(ReadTextureEntryHeader(reader.get(), &collection, &found));
    EXPECT_EQ(found, nullptr);
    EXPECT_FALSE(ReadTextureEntryHeader(reader.get(), &collection, &found));
    EXPECT_TRUE(ReadTextureEntryHeader(reader.get(), &collection, &found));
    EXPECT_EQ(found, longName);
    char tail[4];
    ASSERT_TRUE(reader->Read(tail, 4)); // each header took exactly 76 bytes
    EXPECT_EQ(std::string(tail, 4), "tail");

    EXPECT_FALSE(ReadTextureEntryHeader(nullptr, &collection, &found));
    EXPECT_FALSE(ReadTextureEntryHeader(reader.get(), &collection, &found)); // nothing left
}
