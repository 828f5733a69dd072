// The sprite pack tool: a manifest with parametrised SVG art goes in, a pack
// comes out that the game's loader reads back as written.
#include "sprites/SpritePack.h"
#include "engine/Texture.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "platform/Utf.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempDir.h"

#include "tests/support/PackTextures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

using testsupport::Quote;

// What the loader's texture step read: each texture's Targa bytes by name.
std::map<std::u16string, std::vector<uint8_t>> g_images;

int32_t ReadTextures(DXLTextures* collection, kis::BaseDataFile* reader, LoaderState* state,
                     std::vector<DXLTexture*>* made) {
    return testsupport::ReadPackTextures(
        kPackTextureChunkId, kPackChunkSubId, collection, reader, state, made,
        [](const std::u16string& name, const std::vector<uint8_t>& image) { g_images[name] = image; });
}

// The pixel (x, y) of a Targa file written by the tool, as ARGB.
uint32_t Pixel(const std::vector<uint8_t>& tga, int x, int y) {
    const int w = kis::LoadLE16(&tga[12]);
    return kis::LoadLE32(&tga[18 + 4 * (size_t(y) * size_t(w) + size_t(x))]);
}

const char* kBox = R"(<svg xmlns="http://www.w3.org/2000/svg" width="8" height="8" viewBox="0 0 8 8">
  <rect x="0" y="0" width="8" height="${tall}" fill="${fill}"/>
</svg>
)";

const char* kManifest = R"(// a test manifest
library {
  number = 7
  sprite {
    name = box
    svg = box.svg
    size = 16, 8
    origin = 8, 7
    depth = 2
    mirror = 1
    sequence = 4, 90
    param = fill, #ff0000
    param = tall, 8
    frame = tall=4
    frame = fill=#0000ff
  }
  texture {
    name = plain
    svg = box.svg
    size = 4, 4
    param = fill, #00ff00
    param = tall, 8
  }
  animation {
    name = box_swing
    variant = box, 4, 0, 2, 90, 8, 7, 0
    variant = box, 1, 1, 1, 0, 8, 7, 1
  }
}
library {
  number = 8
  sprite {
    name = puff
    svg = box.svg
    size = 8, 8
    param = fill, #ffffff
    param = tall, 8
  }
  particle {
    name = bullet_gas
    sprite = puff
    lifetime = 700
    emission_length = 500
    rate = 60
    life_variance = 200
    size = 6, 12
    angle = 270
    spread = 60
    speed = 10, 30
    acceleration = 0, -20
    death_size = 2.5
    birth_colour = C0B0E0A0
    death_colour = 00708060
    blend = 3
    max_particles = 96
  }
}
)";

TEST(Spritepack, ManifestAndArtReadBackAsWritten) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("box.svg"), kBox));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("art.txt"), kManifest));
    const std::string pack = dir.File("Sprites.dat");
    const testsupport::ToolRun run =
        testsupport::RunTool(VB_SPRITEPACK, dir, Quote(dir.File("art.txt")) + " " + Quote(pack));
    ASSERT_EQ(run.status, 0) << run.err;

    std::unique_ptr<kis::DataFileReaderW, bool (*)(kis::BaseDataFile*)> reader(
        kis::OpenDataFileForRead(platform::Utf8ToUtf16(pack).c_str(), kSpritePackTypeId,
                                 kSpritePackTypeVersion, kSpritePackDataVersion),
        kis::CloseDataFile);
    ASSERT_NE(reader, nullptr);
    SpriteLibraries libraries;
    LoaderState state = {};
    SpritePackLoader loader(&libraries, nullptr, ReadTextures);
    while (loader.Load(reader.get(), &state) == kLoaderCallAgain) {
    }
    ASSERT_EQ(state.error, 0);
    for (int32_t number : kPackLibraries)
        EXPECT_NE(libraries.Get(number), nullptr) << "every library node is written";

    SpriteLibrary* level = libraries.Get(7);
    MapSprite* box = level->FindMapSprite(u"box");
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->GetFrameCount(), 2);
    kis::Rect r;
    box->GetFrameRect(1, &r);
    EXPECT_EQ(r.left, 16);
    EXPECT_EQ(r.right, 32);
    EXPECT_EQ(r.bottom, 8);
    EXPECT_EQ(box->GetOriginX(), 8);
    EXPECT_EQ(box->GetOriginY(), 7);
    EXPECT_EQ(box->GetDepth(), 2);
    EXPECT_TRUE(box->IsMirrorable());
    EXPECT_EQ(box->GetDefaultMode(), kPlaySwing);
    EXPECT_EQ(box->GetDefaultFrameTime(), 90u);
    EXPECT_NE(level->FindTexture(u"plain"), nullptr);

    // Frame 0: the default red, four rows tall; frame 1: blue all the way.
    const std::vector<uint8_t>& sheet = g_images[u"box"];
    ASSERT_GE(sheet.size(), 18u + 32 * 8 * 4);
    EXPECT_EQ(kis::LoadLE16(&sheet[12]), 32);
    EXPECT_EQ(Pixel(sheet, 4, 1), 0xFFFF0000u);
    EXPECT_EQ(Pixel(sheet, 4, 6) >> 24, 0u);
    EXPECT_EQ(Pixel(sheet, 20, 6), 0xFF0000FFu);
    EXPECT_EQ(Pixel(g_images[u"plain"], 1, 1), 0xFF00FF00u);

    GameAnimation* swing = libraries.animations.Find(u"box_swing");
    ASSERT_NE(swing, nullptr);
    ASSERT_EQ(swing->VariantCount(), 2);
    EXPECT_EQ(swing->GetVariant(0)->Length(), 180u);
    EXPECT_EQ(swing->GetVariant(1)->sequence.first, 1);
    EXPECT_TRUE(swing->GetVariant(1)->mirrored);
    EXPECT_EQ(swing->GetVariant(1)->anchorY, 7);

    const GPSDescription* gas = FindParticleDescription(&libraries.particles, kis::NameId(u"bullet_gas"));
    ASSERT_NE(gas, nullptr);
    const GPSDescriptionRecord& g = gas->record;
    EXPECT_EQ(gas->sprite, libraries.Get(8)->FindSprite(u"puff"));
    EXPECT_EQ(g.flags, kGPSOwnEmission);
    EXPECT_EQ(g.lifetime, 700);
    EXPECT_EQ(g.emission.emissionLength, 500);
    EXPECT_EQ(g.emission.rate, 60.0f);
    EXPECT_EQ(g.emission.lifeVariance, 200u);
    EXPECT_EQ(g.emission.sizeMin, 6);
    EXPECT_EQ(g.emission.sizeMax, 12);
    EXPECT_EQ(g.emission.angle, 270.0f);
    EXPECT_EQ(g.emission.spread, 60.0f);
    EXPECT_EQ(g.emission.speedMax, 30.0f);
    EXPECT_EQ(g.emission.accelY, -20.0f);
    EXPECT_EQ(g.deathSize, 2.5f);
    EXPECT_EQ(g.birthColour, 0xC0B0E0A0u);
    EXPECT_EQ(g.deathColour, 0x00708060u);
    EXPECT_EQ(g.blendMode, 3u);
    EXPECT_EQ(g.maxParticles, 96u);
}

TEST(Spritepack, BadManifestsAreRefusedWithTheReason) {
    struct Case {
        const char* name;
        const char* manifest;
        const char* reason;
    };
    const Case cases[] = {
        {"a parameter without a value",
         "library {\n number = 7\n sprite {\n name = a\n svg = box.svg\n size = 8, 8\n param = fill, #fff\n "
         "}\n}\n",
         "no value for ${tall}"},
        {"art that is not there",
         "library {\n number = 7\n sprite {\n name = a\n svg = none.svg\n size = 8, 8\n }\n}\n",
         "cannot read"},
        {"a variant past the frames",
         "library {\n number = 7\n sprite {\n name = a\n svg = box.svg\n size = 8, 8\n param = fill, #fff\n"
         " param = tall, 1\n }\n animation {\n name = b\n variant = a, 0, 0, 2, 10, 0, 0, 0\n }\n}\n",
         "past the sprite"},
        {"an unknown sprite",
         "library {\n number = 8\n particle {\n name = p\n sprite = nothing\n lifetime = 1\n }\n}\n",
         "no sprite"},
        {"a name too long",
         "library {\n number = 7\n texture {\n name = abcdefghijabcdefghijabcdefghijab\n svg = box.svg\n"
         " size = 8, 8\n }\n}\n",
         "1 to 31"},
    };
    for (const Case& c : cases) {
        testsupport::TempDir dir;
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("box.svg"), kBox));
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("art.txt"), c.manifest));
        const testsupport::ToolRun run = testsupport::RunTool(
            VB_SPRITEPACK, dir, Quote(dir.File("art.txt")) + " " + Quote(dir.File("Sprites.dat")));
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.name << ": " << run.err;
    }
}

} // namespace
