#include "sprites/SpritePack.h"

#include "engine/Texture.h"
#include "engine/TextureLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"
#include "tests/support/TempDir.h"

#include "tests/support/PackTextures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

namespace {

// Reads texture records as the program's loader lays them out, making named
// textures that are never restored (no device): frame rectangles are then
// checked against the largest texture side.
int32_t ReadTextures(DXLTextures* collection, kis::BaseDataFile* reader, LoaderState* state,
                     std::vector<DXLTexture*>* made) {
    return testsupport::ReadPackTextures(kPackTextureChunkId, kPackChunkSubId, collection, reader, state,
                                         made);
}

GPSDescriptionRecord GasRecord(uint32_t sprite) {
    GPSDescriptionRecord r = {};
    r.id = kis::NameId(u"bullet_gas");
    r.flags = kGPSOwnEmission;
    r.sprite = sprite;
    r.lifetime = 600;
    r.emission = {400, 0, 60.0f, 100, 4, 10, 180.0f, 40.0f, 20.0f, 40.0f, 0.0f, -30.0f};
    r.deathSize = 2.5f;
    r.birthColour = 0xC0E0FFC0;
    r.deathColour = 0x0080A080;
    r.blendMode = 1;
    r.maxParticles = 64;
    return r;
}

// Library 7 with a texture, two sprites and an animation; library 8 with a
// bullet and its particle description.
std::vector<PackLibrary> GoodPack() {
    PackLibrary level;
    level.number = 7;
    level.textures = {{u"girl_sheet", 128, 72, std::vector<uint8_t>(40, 7)}};
    PackSprite walk;
    walk.name = u"girl_walk";
    walk.flags = 1;
    walk.texture = 0;
    walk.mode = kPlayLoop;
    walk.frameTime = 120;
    walk.originX = 16;
    walk.originY = 44;
    walk.depth = 3;
    walk.frames = {{0, 0, 32, 48}, {32, 0, 64, 48}, {64, 0, 96, 48}, {96, 0, 128, 48}};
    PackSprite hen;
    hen.name = u"chicken";
    hen.texture = 0;
    hen.frames = {{0, 48, 24, 72}};
    hen.subSprites = {{0, 1.5f, -2.0f, 0.5f, 1.0f, 0.75f, 0.75f}, {-1, 0, 0, 0, 0, 1, 1}};
    level.sprites = {walk, hen};
    level.animations = {
        {u"girl_walk", {{0, kPlayLoop, 0, 2, 120, 16, 44, 0}, {0, kPlaySwing, 2, 2, 90, 16, 44, 1}}}};
    PackLibrary effects;
    effects.number = 8;
    PackSprite bullet;
    bullet.name = u"bullet_01";
    bullet.frames = {{0, 0, 8, 8}};
    effects.sprites = {bullet};
    effects.particles = {GasRecord(0)};
    return {level, effects};
}

struct Loaded {
    SpriteLibraries libraries;
    LoaderState state = {};
    int calls = 0;
};

// Loads the pack at path; every call of the loader is a frame.
std::unique_ptr<Loaded> LoadPack(const std::string& path) {
    auto loaded = std::make_unique<Loaded>();
    std::unique_ptr<kis::DataFileReaderW, bool (*)(kis::BaseDataFile*)> reader(
        kis::OpenDataFileForRead(platform::Utf8ToUtf16(path).c_str(), kSpritePackTypeId,
                                 kSpritePackTypeVersion, kSpritePackDataVersion),
        kis::CloseDataFile);
    if (!reader) {
        loaded->state.error = 1;
        return loaded;
    }
    DXLTextures shared;
    SpritePackLoader loader(&loaded->libraries, nullptr, ReadTextures);
    while (loader.Load(reader.get(), &loaded->state) == kLoaderCallAgain && loaded->calls < 100000)
        ++loaded->calls;
    return loaded;
}

TEST(SpritePack, WhatIsWrittenReadsBackWhole) {
    testsupport::TempDir dir;
    const std::string path = dir.File("Sprites.dat");
    std::string error;
    const std::vector<PackLibrary> pack = GoodPack();
    ASSERT_TRUE(WriteSpritePack(platform::Utf8ToUtf16(path).c_str(), pack, &error)) << error;
    auto loaded = LoadPack(path);
    ASSERT_EQ(loaded->state.error, 0);
    for (int32_t number : kPackLibraries)
        EXPECT_NE(loaded->libraries.Get(number), nullptr) << number;
    SpriteLibrary* level = loaded->libraries.Get(7);
    ASSERT_EQ(level->GetSpriteCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const PackSprite& want = pack[0].sprites[size_t(i)];
        MapSprite* got = level->GetSpriteAt(i);
        EXPECT_EQ(std::u16string(got->GetName()), want.name);
        EXPECT_EQ(got->GetTexture(), level->GetPackTextures()[0]);
        EXPECT_EQ(got->GetFlags(), want.flags);
        EXPECT_EQ(got->GetDefaultMode(), want.mode);
        EXPECT_EQ(got->GetDefaultFrameTime(), want.frameTime);
        EXPECT_EQ(got->GetOriginX(), want.originX);
        EXPECT_EQ(got->GetOriginY(), want.originY);
        EXPECT_EQ(got->GetDepth(), want.depth);
        ASSERT_EQ(got->GetFrameCount(), int32_t(want.frames.size()));
        for (size_t f = 0; f < want.frames.size(); ++f) {
            kis::Rect r;
            ASSERT_TRUE(got->GetFrameRect(int32_t(f), &r));
            EXPECT_EQ(std::memcmp(&r, &want.frames[f], sizeof r), 0) << f;
        }
        ASSERT_EQ(got->GetSubSprites().size(), want.subSprites.size());
        for (size_t s = 0; s < want.subSprites.size(); ++s)
            EXPECT_EQ(std::memcmp(&got->GetSubSprites()[s], &want.subSprites[s], sizeof(SubSpriteDef)), 0);
    }
    EXPECT_EQ(level->FindTexture(u"GIRL_SHEET"), level->GetPackTextures()[0]);
    GameAnimation* walk = loaded->libraries.animations.Find(u"Girl_Walk");
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(level->FindAnimation(u"girl_walk"), walk);
    ASSERT_EQ(walk->VariantCount(), 2);
    EXPECT_EQ(walk->GetVariant(0)->Length(), 240u);
    EXPECT_EQ(walk->GetVariant(1)->Length(), 180u);
    EXPECT_EQ(walk->GetVariant(1)->sequence.first, 2);
    EXPECT_TRUE(walk->GetVariant(1)->mirrored);
    EXPECT_EQ(walk->GetVariant(1)->sprite, level->GetSpriteAt(0));
    const GPSDescription* gas = FindParticleDescription(&loaded->libraries.particles, u"bullet_gas");
    ASSERT_NE(gas, nullptr);
    EXPECT_EQ(std::memcmp(&gas->record, &pack[1].particles[0], sizeof gas->record), 0);
    EXPECT_EQ(gas->sprite, loaded->libraries.Get(8)->FindSprite(u"bullet_01"));
}

TEST(SpritePack, BadRecordsAreRefused) {
    struct Case {
        const char* name;
        std::function<void(std::vector<PackLibrary>&)> damage;
    };
    const Case cases[] = {
        {"empty name", [](auto& p) { p[0].sprites[0].name = u""; }},
        {"name of 32 characters", [](auto& p) { p[0].sprites[0].name = std::u16string(32, u'a'); }},
        {"same name twice", [](auto& p) { p[0].sprites[1].name = u"GIRL_WALK"; }},
        {"unknown flag", [](auto& p) { p[0].sprites[0].flags = 2; }},
        {"texture out of range", [](auto& p) { p[0].sprites[0].texture = 1; }},
        {"play mode 5", [](auto& p) { p[0].sprites[0].mode = 5; }},
        {"frame outside the image",
         [](auto& p) {
             p[0].sprites[0].frames[1] = {0, 0, 4097, 10};
         }},
        {"empty frame",
         [](auto& p) {
             p[0].sprites[0].frames[1] = {10, 0, 10, 10};
         }},
        {"negative frame",
         [](auto& p) {
             p[0].sprites[0].frames[1] = {-1, 0, 10, 10};
         }},
        {"too many frames",
         [](auto& p) {
             p[0].sprites[0].frames.assign(1025, {0, 0, 1, 1});
         }},
        {"sub-sprite frame past the end", [](auto& p) { p[0].sprites[1].subSprites[0].frame = 1; }},
        {"sub-sprite frame below -1", [](auto& p) { p[0].sprites[1].subSprites[0].frame = -2; }},
        {"too many sub-sprites",
         [](auto& p) {
             p[0].sprites[1].subSprites.assign(17, {0, 0, 0, 0, 0, 1, 1});
         }},
        {"no variants", [](auto& p) { p[0].animations[0].variants.clear(); }},
        {"17 variants",
         [](auto& p) { p[0].animations[0].variants.resize(17, p[0].animations[0].variants[0]); }},
        {"animation name with a dash", [](auto& p) { p[0].animations[0].name = u"girl-walk"; }},
        {"variant sprite dangling", [](auto& p) { p[0].animations[0].variants[0].sprite = 2; }},
        {"variant frames past the sprite's", [](auto& p) { p[0].animations[0].variants[1].first = 3; }},
        {"variant of no frames", [](auto& p) { p[0].animations[0].variants[0].count = 0; }},
        {"variant flag", [](auto& p) { p[0].animations[0].variants[0].flags = 4; }},
        {"animation name twice in the pack",
         [](auto& p) {
             p[1].animations = {{u"GIRL_WALK", {{0, 0, 0, 1, 0, 0, 0, 0}}}};
         }},
        {"particle id 0", [](auto& p) { p[1].particles[0].id = 0; }},
        {"particle id twice", [](auto& p) { p[1].particles.push_back(p[1].particles[0]); }},
        {"particle sprite dangling", [](auto& p) { p[1].particles[0].sprite = 1; }},
        {"particle reserved word", [](auto& p) { p[1].particles[0].reserved[3] = 1; }},
        {"particle blend mode", [](auto& p) { p[1].particles[0].blendMode = 5; }},
        {"particle flag", [](auto& p) { p[1].particles[0].flags = 3; }},
    };
    testsupport::TempDir dir;
    const std::string path = dir.File("Sprites.dat");
    for (const Case& c : cases) {
        std::vector<PackLibrary> pack = GoodPack();
        c.damage(pack);
        std::string error;
        ASSERT_TRUE(WriteSpritePack(platform::Utf8ToUtf16(path).c_str(), pack, &error)) << error;
        EXPECT_EQ(LoadPack(path)->state.error, 1) << c.name;
    }
}

TEST(SpritePack, BadChunksAndNodesAreRefused) {
    const std::vector<PackLibrary> good = GoodPack();
    const std::vector<uint8_t> sprites = PackSpriteChunk(good[0].sprites);
    const std::vector<uint8_t> textures = PackTextureChunk(good[0].textures);
    auto withCount = [](std::vector<uint8_t> bytes, uint32_t count) {
        kis::StoreLE32(bytes.data(), count);
        return bytes;
    };
    auto withWord = [](std::vector<uint8_t> bytes, size_t at, uint32_t value) {
        kis::StoreLE32(bytes.data() + at, value);
        return bytes;
    };
    std::vector<uint8_t> trailing = sprites;
    trailing.push_back(0);
    std::vector<uint8_t> cut = sprites;
    cut.resize(cut.size() - 3);
    struct Case {
        const char* name;
        std::vector<RawPackChunk> chunks;
        bool allNodes;
        int32_t error;
    };
    const Case cases[] = {
        {"as written", {{7, kPackTextureChunkId, 1, textures}, {7, kPackSpriteChunkId, 1, sprites}}, true, 0},
        {"a library node missing", {{7, kPackSpriteChunkId, 1, {0, 0, 0, 0}}}, false, 1},
        {"count above the records",
         {{7, kPackTextureChunkId, 1, textures}, {7, kPackSpriteChunkId, 1, withCount(sprites, 3)}},
         true,
         1},
        {"huge count",
         {{7, kPackTextureChunkId, 1, textures}, {7, kPackSpriteChunkId, 1, withCount(sprites, 0xFFFFFFFF)}},
         true,
         1},
        {"count below the records",
         {{7, kPackTextureChunkId, 1, textures}, {7, kPackSpriteChunkId, 1, withCount(sprites, 1)}},
         true,
         1},
        {"a byte after the last record",
         {{7, kPackTextureChunkId, 1, textures}, {7, kPackSpriteChunkId, 1, trailing}},
         true,
         1},
        {"cut short", {{7, kPackTextureChunkId, 1, textures}, {7, kPackSpriteChunkId, 1, cut}}, true, 1},
        {"record size past the chunk",
         {{7, kPackTextureChunkId, 1, textures},
          {7, kPackSpriteChunkId, 1, withWord(sprites, 4, 0x7FFFFFF0)}},
         true,
         1},
        {"record size below the header",
         {{7, kPackTextureChunkId, 1, textures}, {7, kPackSpriteChunkId, 1, withWord(sprites, 4, 8)}},
         true,
         1},
        {"frame count against the record size",
         {{7, kPackTextureChunkId, 1, textures}, {7, kPackSpriteChunkId, 1, withWord(sprites, 4 + 76, 5)}},
         true,
         1},
        {"sprites of another version", {{7, kPackSpriteChunkId, 2, sprites}}, true, 1},
        {"textures of another version", {{7, kPackTextureChunkId, 2, textures}}, true, 1},
        {"particles of another version", {{8, kPackParticleChunkId, 2, {0, 0, 0, 0}}}, true, 1},
        {"other tags are passed over", {{7, 0x41424344, 1, {1, 2, 3}}}, true, 0},
        {"an empty chunk of no records", {{7, kPackAnimationChunkId, 1, {0, 0, 0, 0}}}, true, 0},
    };
    testsupport::TempDir dir;
    const std::string path = dir.File("Sprites.dat");
    for (const Case& c : cases) {
        std::string error;
        ASSERT_TRUE(WriteSpritePackChunks(platform::Utf8ToUtf16(path).c_str(), c.chunks, c.allNodes, &error));
        EXPECT_EQ(LoadPack(path)->state.error, c.error) << c.name;
    }
}

// Random damage to a whole good pack: every load ends, and one that succeeds
// holds only sprites whose frames lie in range and animations whose variants
// stay within their sprites.
TEST(SpritePack, RandomDamageIsRefusedOrReadsWithinBounds) {
    testsupport::TempDir dir;
    const std::string good = dir.File("good.dat"), path = dir.File("Sprites.dat");
    std::string error;
    ASSERT_TRUE(WriteSpritePack(platform::Utf8ToUtf16(good).c_str(), GoodPack(), &error));
    const std::string bytes = testsupport::ReadFileBytes(good);
    platform::SeedRand(16);
    int refused = 0;
    const int rounds = testsupport::ForRounds(3000, 2000, [&](int round) {
        ASSERT_TRUE(testsupport::WriteFileBytes(path, testsupport::Damage(bytes, round)));
        auto loaded = LoadPack(path);
        if (loaded->state.error) {
            ++refused;
            return;
        }
        for (int32_t number : kPackLibraries) {
            SpriteLibrary* library = loaded->libraries.Get(number);
            ASSERT_NE(library, nullptr);
            for (int32_t i = 0; i < library->GetSpriteCount(); ++i) {
                MapSprite* s = library->GetSpriteAt(i);
                ASSERT_LE(s->GetFrameCount(), int32_t(kMaxSpriteFrames));
                ASSERT_LE(s->GetWidth(), kMaxTextureSide);
                for (const SubSpriteDef& sub : s->GetSubSprites())
                    ASSERT_LT(sub.frame, s->GetFrameCount());
            }
            for (const auto& a : library->Animations())
                for (int v = 0; v < a->VariantCount(); ++v)
                    ASSERT_LE(a->GetVariant(v)->sequence.first + a->GetVariant(v)->sequence.count,
                              a->GetVariant(v)->sprite->GetFrameCount());
        }
    });
    EXPECT_GT(rounds, 50);
    EXPECT_GT(refused, 0);
}

} // namespace
