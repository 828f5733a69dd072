#include "engine/TextureLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "platform/PngWriter.h"
#include "tests/engine/TextureTestSupport.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kType = 0x58544256;  // "VBTX"
constexpr uint32_t kChunk = 0x53584554; // "TEXS"

std::u16string Wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

class Texpack : public ::testing::Test {
  protected:
    int Run(const std::string& arguments) { return testsupport::RunToolStatus(VB_TEXPACK, arguments); }
    std::string Quoted(const std::string& name) const { return testsupport::Quote(dir.File(name)); }

    testsupport::TempDir dir;
};

} // namespace

// Images packed by the tool come back as lazily loaded textures of the same
// pixels, named after their files and found by name ignoring case.
TEST_F(Texpack, PackedImagesLoadAsNamedTextures) {
    const uint32_t red[6] = {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFF800000, 0xFF800000, 0xFF800000};
    // A Targa file keeps its alpha: 2 x 2, 32 bits, rows from the top.
    const uint32_t mixed[4] = {0xFF00FF00, 0x800000FF, 0xFFFFFFFF, 0x00000000};
    std::string targa = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 0x28};
    for (uint32_t p : mixed)
        for (int i = 0; i < 4; ++i)
            targa += char(p >> (8 * i)); // blue, green, red, alpha
    std::filesystem::create_directory(dir.Path() / "art");
    ASSERT_TRUE(platform::WritePng(dir.File("art/Banner.png"), red, 3, 2, 3, nullptr));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("tile.tga"), targa));
    ASSERT_EQ(Run(Quoted("out.dat") + " " + Quoted("art/Banner.png") + " " + Quoted("tile.tga")), 0);

    std::unique_ptr<kis::DataFileReaderW> reader(
        kis::OpenDataFileForRead(Wide(dir.File("out.dat")).c_str(), kType, 1, 1));
    ASSERT_NE(reader, nullptr);
    ASSERT_TRUE(reader->OpenChunk(kChunk, 0));
    uint8_t word[4];
    ASSERT_TRUE(reader->Read(word, 4));
    ASSERT_EQ(kis::LoadLE32(word), 2u);

    texturetest::TestViewer viewer;
    ASSERT_TRUE(viewer.Open());
    DXLTextures collection(&viewer);
    std::vector<std::unique_ptr<DXLTextureLoaderDataFile>> loaders;
    for (const char16_t* name : {u"banner", u"TILE"}) {
        // The entry names the image: a texture of that name is found for it.
        DXLTexture* declared = collection.NewTexture();
        declared->SetName(name);
        DXLTexture* found = nullptr;
        ASSERT_TRUE(ReadTextureEntryHeader(reader.get(), &collection, &found));
        EXPECT_EQ(found, declared);
        ASSERT_TRUE(reader->Read(word, 4));
        loaders.push_back(std::make_unique<DXLTextureLoaderDataFile>(reader.get(), kis::LoadLE32(word)));
        ASSERT_FALSE(loaders.back()->IsSpent());
        declared->SetSource(loaders.back().get(), true);
    }
    EXPECT_EQ(reader->GetChunkPos(), int64_t(reader->GetOpenChunk()->size)); // the chunk holds nothing more

    DXLTexture* banner = collection.FindByName(u"Banner");
    DXLTexture* tile = collection.FindByName(u"tile");
    ASSERT_TRUE(banner && tile);
    EXPECT_FALSE(banner->IsLive());
    banner->Restore();
    tile->Restore();
    ASSERT_TRUE(banner->IsLive() && tile->IsLive());
    EXPECT_EQ(banner->GetWidth(), 3);
    EXPECT_EQ(banner->GetHeight(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(texturetest::Texel(*banner, x, y), red[y * 3 + x]) << x << ", " << y;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(texturetest::Texel(*tile, x, y), mixed[y * 2 + x]) << x << ", " << y;
    collection.Clear();
}

TEST_F(Texpack, AFileThatIsNoImageWritesNoPack) {
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("notes.txt"), "not a picture"));
    EXPECT_EQ(Run(Quoted("out.dat") + " " + Quoted("notes.txt")), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.dat")));
    EXPECT_EQ(Run(Quoted("out.dat")), 2); // no image named
}
